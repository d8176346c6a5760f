#!/usr/bin/env bash
# Renders the windows in both languages to docs/screenshots/*.png, the filled
# main window from the simulated coupler.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target screenshots tolvane-sim
LINK="${TMPDIR:-/tmp}/tolvane-shot-$$"
build/release/tolvane-sim --link "$LINK" --baud 9600 >/dev/null &
SIM=$!
trap 'kill $SIM 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "$LINK" ] && break; sleep 0.1; done
QT_QPA_PLATFORM=offscreen build/release/screenshots docs/screenshots "$LINK"

# The Windows window under wine on a virtual X display, filled from the same
# simulator through COM10 of a private wine prefix (Managed=N: wine draws the
# frames itself, there being no window manager).
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j"$(nproc)" --target win_screenshots
export WINEPREFIX="$PWD/build/windows/wineprefix" WINEDEBUG=-all
SHOTS="$(mktemp -d)"
REG="$SHOTS/wine-settings.reg"
{ printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE packaging/windows/wine-settings.reg; } >"$REG"
cat >"$SHOTS/run.sh" <<RUN
set -e
[ -f "$WINEPREFIX/system.reg" ] || { wineboot -i >/dev/null 2>&1; wineserver -w; }
ln -sfn "$LINK" "$WINEPREFIX/dosdevices/com10"
wine regedit /S "\$(winepath -w "$REG")"
wine build/windows/win_screenshots.exe "\$(winepath -w "$SHOTS")" COM10
wineserver -w
RUN
xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" bash "$SHOTS/run.sh" 2>&1 | grep -v -e wine32 -e multiarch -e 'execute "dpkg' -e 'apt-get install wine32' >&2 || true
# The README and the guides show these; the tool's other pictures (About, the language dialog,
# the window after a language switch) are for looking over by hand.
for f in win_main_en win_main_zh win_monitor_en win_monitor_zh win_settings_en win_settings_zh win_find_module_en win_find_module_zh; do
  python3 scripts/bmp_to_png.py "$SHOTS/$f.bmp" "docs/screenshots/$f.png"
  echo "wrote docs/screenshots/$f.png"
done
for f in "$SHOTS"/win_about_*.bmp "$SHOTS"/win_language_*.bmp "$SHOTS"/win_switched_*.bmp; do
  python3 scripts/bmp_to_png.py "$f" "build/windows/$(basename "${f%.bmp}").png"
done
echo "wrote build/windows/win_{about,language,switched}_*.png"
rm -rf "$SHOTS"
