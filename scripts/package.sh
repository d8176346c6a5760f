#!/usr/bin/env bash
# Builds an optimised, hardened Tolvane in build/package, makes the Debian package
# with CPack and prints the package's path (the only line on standard output).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh >&2
OUT=build/package
# Debian's own compiler and linker hardening flags.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B "$OUT" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DBUILD_TESTING=OFF -DCMAKE_CXX_FLAGS="$CXXFLAGS" -DCMAKE_EXE_LINKER_FLAGS="$LDFLAGS" >&2
cmake --build "$OUT" -j"$(nproc)" >&2
log="$(cd "$OUT" && cpack -G DEB)"
echo "$log" >&2
# CPack's last word is "CPack: - package: /path/tolvane_<version>_<arch>.deb generated."
deb="$(echo "$log" | sed -n 's/^CPack: - package: \(.*\.deb\) generated\.$/\1/p' | tail -n1)"
[ -n "$deb" ] && [ -f "$deb" ] || { echo "package.sh: CPack made no .deb" >&2; exit 1; }
echo "$deb"
