#!/bin/sh
# The per-user installer under wine, in a prefix of its own:
#   installer_test.sh BUILD_DIR MSI PROBE.EXE SIMULATOR SOURCE_DIR FILE_VERSION PICTURES WIXL MSIBUILD
# A lower version installs and the package upgrades it in place; the same
# package twice, and a rebuild of the same version, leave one installation; the
# older one then refuses; the installed files, shortcuts, file versions and the
# user's PATH are checked; the installed tolvane.exe links to the simulator
# through COM10, driven from another process; uninstalling leaves no program
# file but the user's config.ini. Each step checks what it should have left behind.
set -eu
build="$(cd "$1" && pwd)"
msi="$2"
probe="$3"
sim="$4"
src="$5"
file_version="$6"
new_version="$(echo "$file_version" | cut -d. -f1-3)"
pictures="$7"
wixl="$8"
msibuild="$9"
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
wineboot -i </dev/null >/dev/null 2>&1 || true
wineserver -w
wineserver -p </dev/null >/dev/null 2>&1
user_dir="$WINEPREFIX/drive_c/users/$(whoami)"
programs="$user_dir/AppData/Local/Programs/Tolvane"
menu="$user_dir/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Tolvane"

# The user's own PATH, which the installer adds to and gives back.
user_path='C:\tools'
wine reg add 'HKCU\Environment' /v PATH /t REG_EXPAND_SZ /d "$user_path" /f </dev/null >/dev/null 2>&1
# Its entries one per line: wine's uninstall takes the entry away but leaves its
# separator, and an empty entry means nothing.
user_path_now() {
  wine reg query 'HKCU\Environment' /v PATH </dev/null 2>/dev/null | tr -d '\r' |
    sed -n 's/^ *PATH *REG_[A-Z_]*SZ *//p' | tr ';' '\n' | sed '/^$/d'
}

# A package of a lower version from the same files, as an older release would
# be, and a rebuild of this version (another product code).
package() {
  (cd "$build" && sh "$src/packaging/windows/make_msi.sh" "$wixl" "$msibuild" "$src/packaging/windows/tolvane.wxs" \
    "$1" "zip/$(basename "$msi" .msi)" generated/tolvane.ico "$2")
}
old="$work/tolvane-0.9.0.msi"
rebuilt="$work/tolvane-rebuilt.msi"
package 0.9.0.0 "$old"
package "$file_version" "$rebuilt"

msiexec() {
  wine msiexec "$@" /qn /l "$(winepath -w "$work/msiexec.log")" </dev/null >/dev/null 2>&1
}
products() {
  wine "$probe" products "$upgrade_code" </dev/null 2>/dev/null | tr -d '\r'
}
installed() {
  products | awk '{print $2}' | tr '\n' ' '
}

# step             command                        exit  installed afterwards
# (the exit status as a Unix process has it: 1603, a refusal, is 67)
steps="
lower-version      /i $(winepath -w "$old")         0     0.9.0
upgrade            /i $(winepath -w "$msi")         0     $new_version
same-again         /i $(winepath -w "$msi")         0     $new_version
rebuilt            /i $(winepath -w "$rebuilt")     0     $new_version
reinstall-package  /i $(winepath -w "$msi")         0     $new_version
downgrade-refused  /i $(winepath -w "$old")         67    $new_version
"
printf '%s\n' "$steps" | while read -r name verb package want_status want_installed; do
  [ -n "$name" ] || continue
  before="$(products)"
  status=0
  msiexec "$verb" "$package" || status=$?
  [ "$status" = "$want_status" ] || fail "$name: msiexec ended with $status, not $want_status"
  got="$(installed)"
  [ "$got" = "$want_installed " ] || fail "$name: installed afterwards: '$got', not '$want_installed'"
  # Refused by the launch condition on the newer version found, not by anything else.
  if [ "$name" = downgrade-refused ]; then
    grep -aq 'LaunchConditions. Return value 0' "$work/msiexec.log" &&
      grep -aq 'WIX_DOWNGRADE_DETECTED = {' "$work/msiexec.log" || fail "downgrade-refused: not for the newer version"
  fi
  # The rebuild replaced the package's installation: another product code.
  if [ "$name" = rebuilt ] && [ "$(products)" = "$before" ]; then fail "rebuilt: the installation was not replaced"; fi
  echo "$name: ok ($got)"
done

for f in tolvane.exe tolvanectl.exe UserGuide_EN.pdf UserGuide_CH.pdf README.txt LICENSE; do
  cmp -s "$programs/$f" "$build/zip/$(basename "$msi" .msi)/$f" || fail "$f is not installed as packed"
done
shortcuts="$(cd "$menu" && ls | LC_ALL=C sort | tr '\n' '/')"
[ "$shortcuts" = "Tolvane User Guide.lnk/Tolvane 用户指南.lnk/Tolvane.lnk/" ] ||
  fail "the Start-menu folder holds $shortcuts"
for exe in tolvane.exe tolvanectl.exe; do
  said="$(wine "$probe" version "$(winepath -w "$programs/$exe")" </dev/null 2>&1 | tr -d '\r' | tr '\n' ' ')"
  [ "$said" = "fixed $file_version text $file_version " ] || fail "$exe's version resource: $said"
done
[ "$(user_path_now)" = "$(printf '%s\n%s\\' "$user_path" "$(winepath -w "$programs")")" ] ||
  fail "the user's PATH is $(user_path_now)"
# The entry of Settings > Apps (wine keeps it with the machine's, Windows with
# the user's): name, version, publisher, and the icon it shows.
entries() {
  for root in HKCU HKLM; do
    wine reg query "$root\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall" /s </dev/null 2>/dev/null
  done | tr -d '\r' | sed 's/^ *//; s/  */ /g'
}
for want in "DisplayName REG_SZ Tolvane" "DisplayVersion REG_SZ $new_version" "Publisher REG_SZ Tolvane developers"; do
  entries | grep -qx "$want" || fail "no '$want' in the installed programs' entries"
done
icon="$(wine reg query 'HKCU\Software\Microsoft\Installer\Products' /s </dev/null 2>/dev/null | tr -d '\r' |
  sed -n 's/^ *ProductIcon *REG_SZ *//p')"
[ -n "$icon" ] && cmp -s "$(winepath -u "$icon")" "$build/generated/tolvane.ico" || fail "the entry's icon is '$icon'"
# tolvanectl by name from a new Command Prompt, from another folder. wine's
# Command Prompt stops at an empty entry (Windows' skips it), so the separators
# the upgrades left go first.
wine reg add 'HKCU\Environment' /v PATH /t REG_EXPAND_SZ /d "$(user_path_now | paste -sd ';')" /f \
  </dev/null >/dev/null 2>&1
said="$(cd "$work" && wine cmd /c "tolvanectl --version" </dev/null 2>&1 | tr -d '\r')"
[ "$said" = "tolvanectl $(echo "$file_version" | cut -d. -f1-2)" ] || fail "tolvanectl by name: $said"
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
echo "$said" | grep -qx 'box: Connection successful!The module model is KX-130\.' || fail "no success box: $said"
# What the simulator holds, field by field in the window's order; an empty
# window shows none of it.
for want in "0: KX-130" "1: 1002" "2: 0105" "3: 0201" "4: 1" "5: 8192" "6: 3" "7: 192.168.1.170" \
  "8: 255.255.255.0" "9: 192.168.1.1" "10: 00-12-34-56-78-9A"; do
  echo "$said" | grep -qx "field $want" || fail "the window does not show field $want: $said"
done
wait "$window" || true
echo "window linked: ok"

# The user's own files stay; the program goes with everything it brought.
printf '[System]\r\nLanguageType=1\r\n' >"$programs/config.ini"
msiexec /x "$(winepath -w "$msi")" || fail "uninstall failed"
[ -z "$(installed)" ] || fail "still installed after uninstalling: $(installed)"
left="$(cd "$programs" && ls)"
[ "$left" = "config.ini" ] || fail "left in the program folder: $left"
[ ! -e "$menu" ] || fail "the Start-menu folder stayed: $(ls "$menu")"
said="$(cd "$work" && wine cmd /c "tolvanectl --version" </dev/null 2>&1 | tr -d '\r')"
case "$said" in tolvanectl*) fail "tolvanectl still on the PATH: $said" ;; esac
[ "$(user_path_now)" = "$user_path" ] || fail "the user's PATH is $(user_path_now), not $user_path again"
echo "uninstall: ok"
