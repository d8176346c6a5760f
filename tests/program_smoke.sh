#!/bin/sh
# Starts the program offscreen, waits until its main window has been painted,
# checks that it is still up a moment later, then closes it.
# Usage: program_smoke.sh TOLVANE [XDG_CONFIG_HOME]
set -u
prog=$1
dir=$(mktemp -d)
mkfifo "$dir/ready"
XDG_CONFIG_HOME=${2:-$dir} QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 TOLVANE_READY_FD=3 \
  "$prog" 3>"$dir/ready" &
pid=$!
said=$(timeout 60 head -n 1 "$dir/ready")
alive=0
kill -0 "$pid" 2>/dev/null && alive=1
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
rm -rf "$dir"
[ "$said" = ready ] && [ "$alive" = 1 ]
