#!/usr/bin/env bash
# Cross-builds tolvane.exe and tolvanectl.exe for 64-bit Windows with mingw-w64
# in build/windows and packs build/windows/tolvane-<version>-windows-x64.zip
# (tolvane.exe, tolvanectl.exe, the two user guides, README.txt, LICENSE) and the
# per-user installer tolvane-<version>-windows-x64.msi of the same files (wixl).
# The guides show the Windows windows, rendered under wine on a virtual X display
# from the simulator of the Linux build in build/guides, whose make_guide sets
# them in. Prints the zip's path, then the installer's (the only lines on
# standard output).
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
cmake --build "$GUIDES" -j"$JOBS" --target make_guide tolvane-sim >&2
cmake -S . -B "$OUT" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  "${LAUNCH[@]}" -DTOLVANE_MAKE_GUIDE="$PWD/$GUIDES/make_guide" -DTOLVANE_NATIVE_SIM="$PWD/$GUIDES/tolvane-sim" >&2
if [ "${1:-}" = "--test" ]; then
  cmake --build "$OUT" -j"$JOBS" >&2
  (cd "$OUT" && ctest --output-on-failure -j"$JOBS") >&2
fi
cmake --build "$OUT" -j"$JOBS" --target windows_msi >&2
version="$(sed -n 's/^project(Tolvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
for package in "$OUT/tolvane-$version-windows-x64.zip" "$OUT/tolvane-$version-windows-x64.msi"; do
  [ -f "$package" ] || { echo "build-windows: no $package" >&2; exit 1; }
  echo "$package"
done
