#!/usr/bin/env bash
# Refreshes docs/screenshots/*.png with the renderer of the user guides'
# pictures (tools/render_pictures.sh): the Linux windows offscreen, the Windows
# windows under wine on a virtual X display, both filled from the simulated
# coupler, the same bytes from the same sources.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/bootstrap.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j"$(nproc)" --target screenshots tolvane-sim
sh tools/render_pictures.sh linux build/release/screenshots build/release/tolvane-sim build/release/pictures
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j"$(nproc)" --target win_screenshots
sh tools/render_pictures.sh windows build/windows/win_screenshots.exe build/release/tolvane-sim \
  build/windows/pictures "$PWD"
# The README shows these; the Windows tool's other pictures (About, the language
# dialog, the window after a language switch) stay in build/windows/pictures.
for f in build/release/pictures/*.png build/windows/pictures/win_{main_filled,monitor,settings,linked,find_module}_*.png; do
  cp "$f" docs/screenshots/
  echo "wrote docs/screenshots/$(basename "$f")"
done
