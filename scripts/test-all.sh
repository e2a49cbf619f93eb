#!/usr/bin/env bash
# Builds and runs every test: the release build, then under ASan+UBSan, then
# the library's and the engine's threaded tests under TSan; then a short run
# of each fuzz target from its seed corpus; then the install and packages.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
for preset in release asan tsan; do
  echo "=== $preset ==="
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done
echo "=== fuzz ==="
for target in device_stream server_stream stored_files zrv_file; do
  KS_JOBS=$jobs scripts/fuzz.sh "$target" "${KS_FUZZ_SECONDS:-60}"
done

# What an install and the Debian packages give users and developers.
echo "=== install and packages ==="
./scripts/check-install.sh
