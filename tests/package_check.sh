#!/usr/bin/env bash
# Checks a built Debian package: the files a desktop installation needs are in it,
# the icons have the sizes their folders claim, and lintian, desktop-file-validate
# and appstreamcli (each where installed) find no error.
# Usage: tests/package_check.sh path/to/tolvane_<version>_<arch>.deb
set -euo pipefail
deb="$1"
id=org.tolvane.Tolvane
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
dpkg-deb -x "$deb" "$tmp"
fail=0
bad() { echo "package check: $*" >&2; fail=1; }

version="$(dpkg-deb -f "$deb" Version)"
arch="$(dpkg-deb -f "$deb" Architecture)"
[ "$(basename "$deb")" = "tolvane_${version}_${arch}.deb" ] || bad "file name $(basename "$deb") is not tolvane_${version}_${arch}.deb"
dpkg-deb -f "$deb" Depends | grep -q 'fonts-wqy-microhei' || bad "no CJK font in Depends"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || bad "no Qt libraries in Depends (shlibdeps not run?)"

for f in usr/bin/tolvane usr/bin/tolvanectl usr/share/man/man1/tolvanectl.1.gz \
         usr/share/doc/tolvane/UserGuide_EN.pdf usr/share/doc/tolvane/UserGuide_CH.pdf \
         usr/share/doc/tolvane/copyright usr/share/doc/tolvane/changelog.Debian.gz \
         usr/share/applications/$id.desktop usr/share/metainfo/$id.metainfo.xml \
         usr/share/man/man1/tolvane.1.gz usr/share/icons/hicolor/scalable/apps/$id.svg; do
  [ -s "$tmp/$f" ] || bad "missing $f"
done
[ ! -e "$tmp/usr/bin/tolvane-sim" ] || bad "the simulator is packaged"
for size in 48 128 256; do
  png="$tmp/usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
  if [ -s "$png" ]; then
    # Width and height are the two big-endian words at bytes 16..23 of a PNG.
    dims="$(od -An -tu1 -j16 -N8 "$png" | awk '{printf "%d %d", $3*256+$4, $7*256+$8}')"
    [ "$dims" = "$size $size" ] || bad "icon in ${size}x${size} is $dims"
  else
    bad "missing ${size}x${size} icon"
  fi
done
grep -q "<release version=\"${version%-*}\"" "$tmp/usr/share/metainfo/$id.metainfo.xml" \
  || bad "metainfo has no release ${version%-*}"
zcat "$tmp/usr/share/man/man1/tolvane.1.gz" | grep -q "Tolvane ${version%-*}" \
  || bad "man page does not name version ${version%-*}"

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$tmp/usr/share/applications/$id.desktop" || bad "desktop-file-validate failed"
else
  echo "package check: desktop-file-validate not installed, skipped" >&2
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$tmp/usr/share/metainfo/$id.metainfo.xml" || bad "appstreamcli validate failed"
else
  echo "package check: appstreamcli not installed, skipped" >&2
fi
if command -v lintian >/dev/null; then
  lintian --fail-on error "$deb" || bad "lintian reports errors"
else
  echo "package check: lintian not installed, skipped" >&2
fi
exit $fail
