#!/usr/bin/env bash
# Cross-builds tolvane.exe and tolvanectl.exe for 64-bit Windows with mingw-w64
# in build/windows and packs build/windows/tolvane-<version>-windows-x64.zip
# (tolvane.exe, tolvanectl.exe, the two user guides, README.txt, LICENSE). The
# guides are made by the Linux build's make_guide in build/guides. Prints the
# zip's path (the only line on standard output).
# With --test it also runs the Windows tests under wine first.
set -euo pipefail
cd "$(dirname "$0")/.."
# cmake and the Linux tools of the tests come from the usual bootstrap; zip is
# not needed (CMake writes the zip itself).
PKGS=(cmake make g++-mingw-w64-x86-64-posix wine wine64 googletest ccache qt6-base-dev fonts-wqy-microhei xvfb xauth)
missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "build-windows: installing ${missing[*]}" >&2
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  $SUDO apt-get update -q >&2
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}" >&2
fi
OUT=build/windows
JOBS="${JOBS:-2}"
GUIDES=build/guides
cmake -S . -B "$GUIDES" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >&2
cmake --build "$GUIDES" -j"$JOBS" --target user_guides >&2
cmake -S . -B "$OUT" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DTOLVANE_GUIDE_DIR="$PWD/$GUIDES" >&2
if [ "${1:-}" = "--test" ]; then
  cmake --build "$OUT" -j"$JOBS" >&2
  (cd "$OUT" && ctest --output-on-failure -j"$JOBS") >&2
fi
cmake --build "$OUT" -j"$JOBS" --target windows_zip >&2
version="$(sed -n 's/^project(Tolvane VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
zip="$OUT/tolvane-$version-windows-x64.zip"
[ -f "$zip" ] || { echo "build-windows: no $zip" >&2; exit 1; }
echo "$zip"
