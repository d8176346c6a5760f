#!/usr/bin/env bash
# Builds and runs every test: the whole suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Link and Auto Link workers and the traffic
# recorder under ThreadSanitizer, each fuzz target for a few seconds, the
# Debian package with its validators, and the Windows build's tests under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
export QT_QPA_PLATFORM=offscreen
JOBS="$(nproc)"

cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_SANITIZE=ON >/dev/null
cmake --build build/asan -j"$JOBS"
(cd build/asan && ctest --output-on-failure -j"$JOBS" "$@")

echo "== Debian package: build, contents, lintian, desktop-file-validate, appstreamcli"
deb="$(bash scripts/package.sh)"
bash tests/package_check.sh "$deb"

echo "== ThreadSanitizer: the Link and Auto Link workers"
cmake -S . -B build/tsan -DCMAKE_BUILD_TYPE=Debug -DTOLVANE_TSAN=ON >/dev/null
cmake --build build/tsan -j"$JOBS" --target models_workers_test monitor_test tolvane-sim
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
  build/tsan/tests/models_workers_test --gtest_filter='-*LastProbe*:*NothingFound*'
echo "== ThreadSanitizer: the traffic monitor reading while a search records"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp" \
  build/tsan/tests/monitor_test

echo "== Fuzz targets, a few seconds each"
bash scripts/fuzz.sh 5

echo "== Windows: the layers below the window cross-built with mingw-w64, their tests under wine"
# The tests borrow the Linux simulator built above.
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DTOLVANE_NATIVE_SIM="$PWD/build/asan/tolvane-sim" >/dev/null
cmake --build build/windows -j"$JOBS"
(cd build/windows && ctest --output-on-failure -j"$JOBS")
