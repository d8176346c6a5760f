#!/usr/bin/env bash
# Builds and runs every test: the whole suite under AddressSanitizer and
# UndefinedBehaviorSanitizer, the Link and Auto Link workers and the traffic
# recorder under ThreadSanitizer, each fuzz target for a few seconds, the
# Debian package with its validators, and the Windows build's tests under wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
export QT_QPA_PLATFORM=offscreen

echo "== Formatting: every C and C++ file as .clang-format says, under clang-format 14"
if clang-format --version 2>/dev/null | grep -q 'version 14\.'; then
  unformatted="$(git ls-files '*.cpp' '*.h' '*.c' | xargs clang-format --dry-run --Werror 2>&1 | grep -o '^[^:]*:[0-9]*' | cut -d: -f1 | sort -u || true)"
  if [ -n "$unformatted" ]; then
    echo "These files differ from .clang-format (run clang-format -i on them):"
    echo "$unformatted"
    exit 1
  fi
else
  echo "skipped: clang-format is not version 14 ($(clang-format --version 2>/dev/null || echo absent)); its layout differs between versions"
fi
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
# The tests borrow the Linux simulator built above, the guides of the packages its make_guide.
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DTOLVANE_NATIVE_SIM="$PWD/build/asan/tolvane-sim" -DTOLVANE_MAKE_GUIDE="$PWD/build/asan/make_guide" >/dev/null
cmake --build build/windows -j"$JOBS"
(cd build/windows && ctest --output-on-failure -j"$JOBS")
