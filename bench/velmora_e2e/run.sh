#!/bin/bash
# End-to-end: "velmora --headless --once" against four simulated cameras on
# 127.0.9.11-14, each with one recording, at a given download pacing. Prints
# MB/s, CPU seconds and, with pacing, the ratio to the pacing ideal (131072
# bytes per pacing interval per camera).
#
#   bench/velmora_e2e/run.sh <build dir> [pacing ms] [MB per camera]
set -euo pipefail
build=${1:?build dir}
pacing=${2:-0}
mb=${3:-50}
velmora=$build/app/velmora/velmora
camsim=$(ls "$build"/testing/camsim/camsim "$build"/tools/camsim/camsim 2>/dev/null | head -n1 || true)
[ -x "$velmora" ] && [ -n "$camsim" ] || { echo "build velmora and camsim first" >&2; exit 1; }

work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
export XDG_DATA_HOME=$work
export XDG_RUNTIME_DIR=$work/run  # its own instance lock
mkdir -p "$XDG_RUNTIME_DIR"
size=$((mb * 1048576))
for i in 11 12 13 14; do
  "$camsim" --address 127.0.9.$i --port 9996 --password pw --count 1 \
    --min-size $size --max-size $size --seed $i --prefix "E2E${i}_" --quiet &
  pids+=($!)
  "$velmora" cameras add-local $i 127.0.9.$i pw > /dev/null
done
# 500 is the default (and the only pacing of builds without the setting).
[ "$pacing" = 500 ] || "$velmora" settings pacing "$pacing" > /dev/null
sleep 0.5
start=$(date +%s.%N)
/usr/bin/time -f "%U %S" -o "$work/cpu" "$velmora" --headless --once > "$work/out" 2>&1 || {
  cat "$work/out"; echo "velmora --once failed" >&2; exit 1; }
end=$(date +%s.%N)
read -r user sys < "$work/cpu"
awk -v s="$start" -v e="$end" -v mb="$mb" -v u="$user" -v k="$sys" -v p="$pacing" 'BEGIN {
  t = e - s; total = 4 * mb;
  printf "velmora --headless --once, 4 cameras x %d MB, pacing %d ms: %.1f s, %.2f MB/s, CPU %.2f s\n",
         mb, p, t, total / t, u + k;
  if (p > 0) {
    ideal = 4 * 131072 / (p / 1000.0) / 1048576;
    printf "  pacing ideal %.2f MB/s; reached %.1f%% of it\n", ideal, 100 * (total / t) / ideal;
  }
}'
