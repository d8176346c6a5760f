#!/usr/bin/env bash
# Cross-builds tolvane.exe and tolvanectl.exe for 64-bit Windows with mingw-w64
# in build/windows and packs build/windows/tolvane-<version>-windows-x64.zip
# (tolvane.exe, tolvanectl.exe, the two user guides, README.txt, LICENSE). The
# guides are made by the Linux build's make_guide in build/guides. Prints the
# zip's path (the only line on standard output).
# With --test it also runs the Windows tests under wine first.
set -euo pipefail
cd "$(dirname "$0")/.."
# mingw-w64, wine and the Linux tools come from the usual bootstrap; zip is not
# needed (CMake writes the zip itself).
bash scripts/bootstrap.sh >&2
LAUNCH=()
if command -v ccache >/dev/null; then LAUNCH=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
OUT=build/windows
JOBS="${JOBS:-2}"
GUIDES=build/guides
cmake -S . -B "$GUIDES" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "${LAUNCH[@]}" >&2
cmake --build "$GUIDES" -j"$JOBS" --target user_guides >&2
cmake -S . -B "$OUT" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  "${LAUNCH[@]}" -DTOLVANE_GUIDE_DIR="$PWD/$GUIDES" >&2
if [ "${1:-}" = "--test" ]; then
  cmake --build "$OUT" -j"$JOBS" >&2
  (cd "$OUT" && ctest --output-on-failure -j"$JOBS") >&2
fi
cmake --build "$OUT" -j"$JOBS" --target windows_zip >&2
version="$(sed -n 's/^project(Tolvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
zip="$OUT/tolvane-$version-windows-x64.zip"
[ -f "$zip" ] || { echo "build-windows: no $zip" >&2; exit 1; }
echo "$zip"
