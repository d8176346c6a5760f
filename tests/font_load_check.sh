#!/bin/sh
# Starts a copy of the program in English and then in Chinese (config.ini beside
# it) and reads which font files it has mapped once its main window has been
# painted: in English none of the CJK fonts that fontconfig knows, in Chinese one.
# Usage: font_load_check.sh TOLVANE
set -u
prog=$1
cjk=$(fc-list -f '%{file}\n' :lang=zh | sort -u)
if [ -z "$cjk" ]; then
  echo "no CJK font installed: nothing to check"
  exit 0
fi
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$prog" "$dir/tolvane"
# Prints the CJK font files mapped by the program started in language $1.
cjk_mapped() {
  printf '[System]\nLanguageType=%s\n' "$1" >"$dir/config.ini"
  rm -f "$dir/ready"
  mkfifo "$dir/ready"
  XDG_CONFIG_HOME=$dir QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 TOLVANE_READY_FD=3 \
    "$dir/tolvane" 3>"$dir/ready" 2>/dev/null &
  pid=$!
  said=$(timeout 60 head -n 1 "$dir/ready")
  mapped=$(awk '{print $6}' "/proc/$pid/maps" | sort -u)
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  [ "$said" = ready ] || { echo "language $1: the program never said ready" >&2; return 1; }
  echo "$mapped" | grep -Fx "$cjk" || true
}
en=$(cjk_mapped 1) || exit 1
zh=$(cjk_mapped 0) || exit 1
[ -z "$en" ] || { echo "English start loaded a CJK font: $en"; exit 1; }
[ -n "$zh" ] || { echo "Chinese start loaded no CJK font"; exit 1; }
echo "English: no CJK font; Chinese: $zh"
