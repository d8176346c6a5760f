#!/bin/sh
# The per-user installer under wine, in a prefix of its own:
#   installer_test.sh BUILD_DIR MSI PROBE.EXE SIMULATOR SOURCE_DIR VERSION PICTURES
# A lower version installs and the package upgrades it in place; the same
# package twice leaves one installation; the older one then refuses; the
# installed tolvane.exe links to the simulator through COM10, driven from
# another process; uninstalling leaves no program file but the user's
# config.ini. Each step checks what it should have left behind.
set -eu
build="$(cd "$1" && pwd)"
msi="$2"
probe="$3"
sim="$4"
src="$5"
new_version="$6"
pictures="$7"
work="$build/installer-test"
rm -rf "$work"
mkdir -p "$work"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
upgrade_code='{A2A0DCA5-E37C-4FC4-93DD-676DEFC65F3A}'
fail() {
  echo "installer test: $*" >&2
  exit 1
}
cleanup() {
  [ -n "${simpid:-}" ] && kill "$simpid" 2>/dev/null
  wineserver -k 2>/dev/null || true
  [ -n "${xvfb:-}" ] && kill "$xvfb" 2>/dev/null
  return 0
}
trap cleanup EXIT

# One display for the prefix's server, as the bench does.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$work/display" </dev/null >/dev/null 2>&1 &
xvfb=$!
n=0
while [ ! -s "$work/display" ] && [ $n -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
export DISPLAY=":$(cat "$work/display")"
wineboot -i >/dev/null 2>&1 || true
wineserver -p </dev/null >/dev/null 2>&1
user_dir="$WINEPREFIX/drive_c/users/$(whoami)"
programs="$user_dir/AppData/Local/Programs/Tolvane"
menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tolvane"

# A package of a lower version from the same files, as an older release would be.
old="$work/tolvane-0.9.0.msi"
(cd "$build" && wixl -a x64 -D Version=0.9.0 -D SourceDir="zip/$(basename "$msi" .msi)" \
  -D IconFile=generated/tolvane.ico -o "$old" "$src/packaging/windows/tolvane.wxs" 2>/dev/null)

msiexec() {
  wine msiexec "$@" /qn </dev/null >/dev/null 2>&1
}
installed() {
  wine "$probe" products "$upgrade_code" </dev/null 2>/dev/null | tr -d '\r' | awk '{print $2}' | tr '\n' ' '
}

# step             command                        exit  installed afterwards
steps="
lower-version      /i $(winepath -w "$old")         0     0.9.0
upgrade            /i $(winepath -w "$msi")         0     $new_version
same-again         /i $(winepath -w "$msi")         0     $new_version
downgrade-refused  /i $(winepath -w "$old")         1603  $new_version
"
echo "$steps" | while read -r name verb package want_status want_installed; do
  [ -n "$name" ] || continue
  status=0
  msiexec "$verb" "$package" || status=$?
  [ "$status" = "$want_status" ] || fail "$name: msiexec ended with $status, not $want_status"
  got="$(installed)"
  [ "$got" = "$want_installed " ] || fail "$name: installed afterwards: '$got', not '$want_installed'"
  echo "$name: ok ($got)"
done

for f in tolvane.exe tolvanectl.exe UserGuide_EN.pdf UserGuide_CH.pdf README.txt LICENSE; do
  cmp -s "$programs/$f" "$build/zip/$(basename "$msi" .msi)/$f" || fail "$f is not installed as packed"
done
for f in "Tolvane.lnk" "Tolvane User Guide.lnk" "Tolvane User Guide (Chinese).lnk"; do
  [ -s "$menu/$f" ] || fail "no Start-menu shortcut $f"
done
[ "$(ls "$menu" | wc -l)" -eq 3 ] || fail "the Start-menu folder holds $(ls "$menu" | tr '\n' ',') (three shortcuts expected)"
sh "$src/tests/guide_pictures_check.sh" "$pictures" "$programs/UserGuide_EN.pdf" "$programs/UserGuide_CH.pdf" ||
  fail "the installed guides lack pictures"
echo "files and shortcuts: ok"

# The installed window, linked to the simulator on COM10 from another process.
cat >"$work/serialcomm.reg" <<REG
REGEDIT4

[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]
"\\\\Device\\\\Serial10"="COM10"
REG
wine regedit /S "$(winepath -w "$work/serialcomm.reg")" </dev/null >/dev/null 2>&1
env -u LD_PRELOAD "$sim" --link "$WINEPREFIX/dosdevices/com10" --baud 9600 >/dev/null 2>&1 &
simpid=$!
n=0
while [ ! -e "$WINEPREFIX/dosdevices/com10" ] && [ $n -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
shim="$build/simbench/pty_modem_lines.so"
[ -f "$shim" ] || cc -shared -fPIC -O2 -o "$work/pty_modem_lines.so" "$src/tests/wine/pty_modem_lines.c" -ldl
[ -f "$shim" ] || shim="$work/pty_modem_lines.so"
LD_PRELOAD="$shim" wine "$programs/tolvane.exe" </dev/null >/dev/null 2>&1 &
window=$!
said="$(wine "$probe" link COM10 </dev/null 2>&1 | tr -d '\r')" || fail "driving the window: $said"
echo "$said" | grep -qx 'box: The module model is KX-130\.' || fail "no success box: $said"
echo "$said" | grep -qx 'module type: KX-130' || fail "the window was not filled: $said"
wait "$window" || true
echo "window linked: ok"

# The user's own files stay; the program goes with everything it brought.
printf '[System]\r\nLanguageType=1\r\n' >"$programs/config.ini"
msiexec /x "$(winepath -w "$msi")" || fail "uninstall failed"
[ -z "$(installed)" ] || fail "still installed after uninstalling: $(installed)"
left="$(cd "$programs" && ls)"
[ "$left" = "config.ini" ] || fail "left in the program folder: $left"
[ ! -e "$menu" ] || fail "the Start-menu folder stayed: $(ls "$menu")"
echo "uninstall: ok"
