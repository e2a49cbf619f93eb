#!/usr/bin/env bash
# Runs one fuzz target for a while from its checked-in seed corpus:
#   scripts/fuzz.sh device_stream|server_stream|stored_files|zrv_file SECONDS [libFuzzer options]
# Builds the "fuzz" preset first. New inputs go to build/fuzz/corpus/TARGET
# (the checked-in seeds stay as they are); a crash leaves its input in
# build/fuzz/findings/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
target=${1:?usage: scripts/fuzz.sh TARGET SECONDS}
seconds=${2:?usage: scripts/fuzz.sh TARGET SECONDS}
shift 2
[ -d "fuzz/corpus/$target" ] || { echo "no such fuzz target: $target" >&2; exit 2; }
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${KS_JOBS:-2}" --target "fuzz_$target"
work=build/fuzz/corpus/$target
mkdir -p "$work" build/fuzz/findings
# Leaks are reported by LeakSanitizer only at the end; a finding stops at once.
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1} \
UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1} \
  "build/fuzz/fuzz/fuzz_$target" "$work" "fuzz/corpus/$target" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=300000 \
    -artifact_prefix=build/fuzz/findings/"$target"- -print_final_stats=1 -close_fd_mask=1 "$@"
