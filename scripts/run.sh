#!/usr/bin/env bash
# Builds an optimised Tolvane, starts the simulated coupler on a pseudo-terminal
# and starts Tolvane with that port listed.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)"
BIN=build/release
LINK="${TMPDIR:-/tmp}/tolvane-sim-$$"
"$BIN/tolvane-sim" --link "$LINK" --baud 9600 "$@" &
SIM=$!
trap 'kill $SIM 2>/dev/null || true; rm -f "$LINK"' EXIT
for _ in $(seq 50); do [ -e "$LINK" ] && break; sleep 0.1; done
echo "Simulated coupler on $LINK (9600 baud, RTU 8N2, station 1)"
echo "In Tolvane: Communication > Connection, choose the port $LINK, then Link."
TOLVANE_PORTS="$LINK" "$BIN/tolvane"
