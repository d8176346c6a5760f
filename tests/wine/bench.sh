#!/bin/sh
# The Windows tests' fixture, on the Linux side:
#   bench.sh start BUILD_DIR SOURCE_DIR [SIMULATOR]   before the first test
#   bench.sh stop BUILD_DIR                           after the last
#   bench.sh run BUILD_DIR PROGRAM [ARGS...]          a window test on the bench's display
# start makes the wine prefix once, keeps one wineserver up for the whole run,
# lists COM10 to COM29 as serial ports, builds the library that lets wine's
# serial event thread live on a pseudo-terminal (pty_modem_lines.c) and puts
# the launcher and a Linux tolvane-sim into BUILD_DIR/simbench for the tests.
set -eu
cmd="$1"
bin="$(cd "$2" && pwd)"
bench="$bin/simbench"
export WINEPREFIX="$bin/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

stop_display() {
  [ -f "$bench/xvfb.pid" ] && kill "$(cat "$bench/xvfb.pid")" 2>/dev/null || true
  rm -f "$bench/xvfb.pid" "$bench/display"
}

stop_sims() {
  for pidfile in "$bench"/sims/*/pid; do
    [ -f "$pidfile" ] && kill "$(cat "$pidfile")" 2>/dev/null || true
  done
}

case "$cmd" in
  start)
    src="$(cd "$3" && pwd)"
    sim="${4:-}"
    mkdir -p "$bench"
    stop_sims
    rm -rf "$bench/claims" "$bench/sims"
    mkdir -p "$bench/claims" "$bench/sims"
    if [ -z "$sim" ]; then
      native="$bin/native"
      cmake -S "$src" -B "$native" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF >/dev/null
      cmake --build "$native" --target tolvane-sim -j"$(nproc)" >/dev/null
      sim="$native/tolvane-sim"
    fi
    ln -sfn "$sim" "$bench/tolvane-sim"
    ln -sfn "$src/tests/wine/sim_ctl.sh" "$bench/sim_ctl.sh"
    cc -shared -fPIC -O2 -o "$bench/pty_modem_lines.so" "$src/tests/wine/pty_modem_lines.c" -ldl
    "$src/cmake/wine-run.sh" "$WINEPREFIX"
    # One server for the whole run; a test's discovery may have left one ending.
    wineserver -k 2>/dev/null || true
    # The server's desktop is made by its first program, on the display that
    # program has; a window test on another display would get no windows. So
    # the bench keeps one virtual display for the server and the window tests.
    stop_display
    if command -v Xvfb >/dev/null 2>&1; then
      Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$bench/display" </dev/null >/dev/null 2>&1 &
      echo $! >"$bench/xvfb.pid"
      n=0
      while [ ! -s "$bench/display" ] && [ $n -lt 100 ]; do sleep 0.1; n=$((n + 1)); done
      export DISPLAY=":$(cat "$bench/display")"
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    # wine lists only the ports found when the prefix was made; the tests' ports join here.
    reg="$bench/serialcomm.reg"
    {
      printf 'REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\HARDWARE\\DEVICEMAP\\SERIALCOMM]\r\n'
      n=10
      while [ $n -le 29 ]; do
        printf '"\\\\Device\\\\Serial%d"="COM%d"\r\n' $n $n
        n=$((n + 1))
      done
    } >"$reg"
    # The first program also starts wine's services, which stay with the server:
    # none of them may hold the output of CTest's first test open.
    wine regedit /S "Z:$(echo "$reg" | tr / '\\')" </dev/null >/dev/null 2>&1
    ;;
  stop)
    stop_sims
    wineserver -k 2>/dev/null || true
    stop_display
    ;;
  run)
    shift 2
    [ -s "$bench/display" ] || { echo "the bench has no display (is Xvfb installed?)" >&2; exit 1; }
    DISPLAY=":$(cat "$bench/display")" exec "$@"
    ;;
esac
