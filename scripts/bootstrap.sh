#!/usr/bin/env bash
# Installs the Debian packages the build needs; does nothing when all are present.
set -euo pipefail
PKGS=(cmake g++ make pkg-config qt6-base-dev libgtest-dev libgmock-dev googletest
      libbenchmark-dev fonts-wqy-microhei clang libclang-rt-14-dev clang-format
      dpkg-dev librsvg2-bin lintian desktop-file-utils appstream
      libcli11-dev nlohmann-json3-dev g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth wixl msitools)
missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  echo "bootstrap: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; fi
  $SUDO apt-get update -q
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
