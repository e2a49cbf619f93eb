#!/usr/bin/env bash
# Builds and runs every test: the dev build (the release flags with extra
# warnings as errors), then under ASan+UBSan, then the library's and the
# engine's threaded tests under TSan; a build without the tests; a short run
# of each fuzz target from its seed corpus; then the install and packages.
# Prints how long each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
times=()
started=$SECONDS
stage_start=$SECONDS
stage() {
  [ -n "${stage_name:-}" ] && times+=("$(printf '%-16s %5ds' "$stage_name" $((SECONDS - stage_start)))")
  stage_name=$1
  stage_start=$SECONDS
  [ -n "$stage_name" ] && echo "=== $stage_name ==="
  return 0
}

for preset in dev asan tsan; do
  stage "$preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs"
done

# Clang's thread-safety analysis over the library and the engine.
stage tsa
cmake --preset tsa >/dev/null
cmake --build --preset tsa -j "$jobs"

# Without BUILD_TESTING the library and the programs build and nothing asks
# for GoogleTest (the compiler cache has the objects from the dev build).
stage "no-tests"
notest=build/dev-no-tests
cmake --preset dev -B "$notest" -DBUILD_TESTING=OFF >/dev/null
if grep -q '^GTest_DIR:' "$notest/CMakeCache.txt"; then
  echo "a configure without BUILD_TESTING looked for GoogleTest" >&2
  exit 1
fi
cmake --build "$notest" -j "$jobs" --target kestrune velmora velmora-demo

stage fuzz
for target in device_stream server_stream stored_files zrv_file; do
  KS_JOBS=$jobs scripts/fuzz.sh "$target" "${KS_FUZZ_SECONDS:-60}"
done

# What an install and the Debian packages give users and developers.
stage "install"
./scripts/check-install.sh build/dev
stage ""
printf '%s\n' "${times[@]}"
echo "total            $((SECONDS - started))s"
