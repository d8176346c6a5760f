#!/bin/sh
# The Linux side of a Windows test's simulator, run by the test through wine:
#   sim_ctl.sh start DIR COMn [SIMULATOR ARGS...]   runs tolvane-sim on a pty that
#                                                   wine shows as COMn; pid in DIR/pid
#   sim_ctl.sh signal DIR SIGNAL | stop DIR | forget DIR
# Each leaves a marker file when done, since the test gets no process handle.
set -u
bench="$(cd "$(dirname "$0")" && pwd)"
cmd="$1"
dir="$2"
shift 2
case "$cmd" in
  start)
    com="$1"
    shift
    rm -rf "$dir"
    mkdir -p "$dir"
    link="$WINEPREFIX/dosdevices/$(echo "$com" | tr 'A-Z' 'a-z')"
    # The simulator holds DIR/alive locked for its whole life, so a stop can wait
    # for its end; LD_PRELOAD is wine's, not the simulator's.
    (
      exec 9>"$dir/alive"
      flock 9
      exec env -u LD_PRELOAD "$bench/tolvane-sim" --link "$link" --log "$dir/sim.log" "$@" </dev/null >/dev/null 2>"$dir/stderr"
    ) &
    echo $! >"$dir/pid"
    touch "$dir/started"
    ;;
  signal)
    kill -"$1" "$(cat "$dir/pid")" 2>/dev/null
    touch "$dir/signalled"
    ;;
  stop)
    kill "$(cat "$dir/pid")" 2>/dev/null
    flock "$dir/alive" true
    touch "$dir/stopped"
    ;;
  forget)
    rm -rf "$dir"
    touch "$dir.forgotten"
    ;;
esac
