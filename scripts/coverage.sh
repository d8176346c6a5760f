#!/usr/bin/env bash
# Line coverage of the Qt-free layers by the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
if ! command -v gcovr >/dev/null; then
  apt-get update -q && DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends gcovr
fi
cmake -S . -B build/coverage -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_COVERAGE=ON >/dev/null
cmake --build build/coverage -j"$(nproc)"
find build/coverage -name '*.gcda' -delete
(cd build/coverage && QT_QPA_PLATFORM=offscreen ctest -j"$(nproc)" >/dev/null) || echo "some tests failed"
for d in core link modbus device models platform; do
  printf '%-12s ' "src/$d"
  gcovr -r . --object-directory build/coverage --filter "src/$d/" --gcov-ignore-parse-errors 2>/dev/null | awk '/^TOTAL/ {print $4, "(" $3 "/" $2 " lines)"}'
done
gcovr -r . --object-directory build/coverage --filter 'src/(core|link|modbus|device|models|platform)/' --gcov-ignore-parse-errors \
  --html-details -o build/coverage/coverage.html 2>/dev/null
echo "details: build/coverage/coverage.html"
