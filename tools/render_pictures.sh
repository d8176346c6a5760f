#!/bin/sh
# Renders the pictures of the user guides from the simulated coupler:
#   render_pictures.sh linux SCREENSHOTS SIMULATOR OUT_DIR
#   render_pictures.sh windows WIN_SCREENSHOTS.EXE SIMULATOR OUT_DIR SOURCE_DIR
# The Linux windows offscreen, the Windows ones under wine on a virtual X
# display in a wine prefix of OUT_DIR's own. The same sources give the same
# bytes: the monitor's times come from a fixed clock (the tools), the fonts
# from one fixed set (below) and the simulator's port has one fixed name, which
# the monitor shows; renderings on one machine therefore take turns.
set -eu
kind="$1"
tool="$2"
sim="$3"
mkdir -p "$4"
out="$(cd "$4" && pwd)"
here="$(cd "$(dirname "$0")" && pwd)"

# Only DejaVu and WenQuanYi Micro Hei, whatever else the machine has.
cat >"$out/fonts.conf" <<CONF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts/truetype/dejavu</dir>
  <dir>/usr/share/fonts/truetype/wqy</dir>
  <!-- A maths font with a very tall line: as wine's stand-in for a missing
       Windows font it sets the height of captions and menus. -->
  <selectfont><rejectfont><glob>*/DejaVuMathTeXGyre.ttf</glob></rejectfont></selectfont>
  <cachedir>$out/fontconfig-cache</cachedir>
  <config><rescan><int>0</int></rescan></config>
</fontconfig>
CONF
export FONTCONFIG_FILE="$out/fonts.conf" TZ=UTC LC_ALL=C.UTF-8

exec 9>"${TMPDIR:-/tmp}/tolvane-pictures.lock"
flock 9
link=/tmp/ttyKX130
rm -f "$link"
env -u LD_PRELOAD "$sim" --link "$link" --baud 9600 >/dev/null 2>&1 &
simpid=$!
trap 'kill $simpid 2>/dev/null || true' EXIT
n=0
while [ ! -e "$link" ] && [ $n -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
[ -e "$link" ] || { echo "render_pictures: the simulator made no $link" >&2; exit 1; }

case "$kind" in
  linux)
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 "$tool" "$out" "$link" >/dev/null
    ;;
  windows)
    src="$5"
    export WINEPREFIX="$out/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    reg="$out/wine-settings.reg"
    { printf '\377\376'; iconv -f UTF-8 -t UTF-16LE "$src/packaging/windows/wine-settings.reg"; } >"$reg"
    cat >"$out/run.sh" <<RUN
set -e
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
ln -sfn "$link" "$WINEPREFIX/dosdevices/com10"
wine regedit /S "\$(winepath -w "$reg")"
wine "$tool" "\$(winepath -w "$out")" COM10 >/dev/null
wineserver -w
RUN
    # wine's desktop belongs to the display of the server's first program.
    WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
    xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" sh "$out/run.sh" 2>&1 |
      grep -v -e wine32 -e multiarch -e 'execute "dpkg' -e 'apt-get install wine32' >&2 || true
    for f in "$out"/win_*.bmp; do
      python3 "$src/scripts/bmp_to_png.py" "$f" "${f%.bmp}.png"
      rm -f "$f"
    done
    ;;
esac
