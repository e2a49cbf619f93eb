#!/usr/bin/env bash
# Saves pictures of Velmora's window and dialogs into docs/screenshots/,
# with simulated cameras on 127.0.13.x, under a virtual X display.
# Usage: scripts/screenshots.sh [build preset, default release]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target ui_screenshots -j2
out="docs/screenshots"
mkdir -p "$out"
bin="build/$preset/tests/ui/ui_screenshots"
for lang in zh en; do
  QT_QPA_PLATFORM=xcb xvfb-run -a -s "-screen 0 1280x900x24" "$bin" "$out" "$lang" \
    | grep -E '^(saved|FAILED) '
done
