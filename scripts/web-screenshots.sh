#!/usr/bin/env bash
# Saves pictures of the service's web page into docs/screenshots/ (the
# cameras list, a camera's page and the login form, in English and Chinese),
# taken by Debian's headless chromium against simulated cameras on
# 127.0.23.x. Usage: scripts/web-screenshots.sh [build preset, default release]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target velmora camsim_cli -j2
/usr/bin/python3 scripts/web_screenshots.py docs/screenshots \
  "build/$preset/app/velmora/velmora" "build/$preset/testing/camsim/camsim"
