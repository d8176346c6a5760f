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
