#!/bin/sh
# Runs a Windows program under wine in the given private prefix:
#   wine-run.sh PREFIX PROGRAM [ARGS...]
#   wine-run.sh PREFIX                     only makes the prefix
# The prefix is made on first use (wineboot, a few seconds), under a lock so
# that tests started side by side make it once.
set -e
prefix="$1"
shift
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -f "$prefix/system.reg" ]; then
  mkdir -p "$(dirname "$prefix")"
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      wineboot -i >/dev/null 2>&1 || true
      wineserver -w
    fi
  ) 9>"$prefix.lock"
fi
[ $# -gt 0 ] || exit 0
# The test bench (tests/wine/bench.sh) lends pseudo-terminals as COM ports;
# wine's serial code needs its small shim to use them.
if [ -n "${TOLVANE_SIM_BENCH:-}" ] && [ -f "$TOLVANE_SIM_BENCH/pty_modem_lines.so" ]; then
  export LD_PRELOAD="$TOLVANE_SIM_BENCH/pty_modem_lines.so${LD_PRELOAD:+:$LD_PRELOAD}"
fi
exec wine "$@"
