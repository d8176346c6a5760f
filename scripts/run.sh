#!/usr/bin/env bash
# Builds an optimised Tolvane, starts the simulated coupler on a pseudo-terminal
# and starts Tolvane with that port listed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
# Only what this runs: the window, its guides and the simulator.
cmake --build build/release -j"$(nproc)" --target tolvane user_guides tolvane-sim
BIN=build/release
LINK="${TMPDIR:-/tmp}/tolvane-sim-$$"
OUT="$(mktemp)"
"$BIN/tolvane-sim" --link "$LINK" --baud 9600 "$@" >"$OUT" &
SIM=$!
trap 'kill $SIM 2>/dev/null || true; rm -f "$LINK" "$OUT"' EXIT
# The simulator prints its pty, then the line it answers at.
for _ in $(seq 50); do [ "$(wc -l <"$OUT")" -ge 2 ] && break; kill -0 $SIM 2>/dev/null || exit 1; sleep 0.1; done
echo "Simulated coupler on $LINK ($(sed -n 2p "$OUT"))"
echo "In Tolvane: Communication > Connection, choose the port $LINK, then Link."
TOLVANE_PORTS="$LINK" "$BIN/tolvane"
