#!/usr/bin/env bash
# Runs the example programs in <folder> against a simulated camera serving
# known files and a simulated video server, and checks what they print and
# download. Usage: run-examples.sh <examples folder> <camsim> <nvssim>
set -uo pipefail
bin=$1 camsim=$2 nvssim=$3
work=$(mktemp -d /tmp/ks-examples.XXXXXX)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# One recording per list page, so the examples must gather every page.
# The library always dials port 9996, so the camera gets an address of its
# own; the server listens on an ephemeral port.
ip=127.77.$((RANDOM % 200 + 20)).$((RANDOM % 200 + 20))
mkdir -p "$work/card"
head -c 300001 /dev/urandom > "$work/card/MAN_0001.avi"
head -c 1000 /dev/urandom > "$work/card/ALM_0002.avi"
"$camsim" --address "$ip" --port 9996 --password pw --folder "$work/card" --quiet --page-size 1 \
  > "$work/camsim.log" 2>&1 & pids+=($!)
"$nvssim" --address "$ip" --port 0 --account alice,pw,SER01 \
  --camera "11,$ip:9996,Front door" --camera "12,$ip:9996,Garden" > "$work/nvssim.log" 2>&1 & pids+=($!)
for _ in $(seq 100); do
  grep -q ready "$work/camsim.log" && grep -q control "$work/nvssim.log" && break
  sleep 0.1
done
nvs_port=$(sed -n 's/.*control [0-9.]*:\([0-9]*\),.*/\1/p' "$work/nvssim.log")
[ -n "$nvs_port" ] || { cat "$work/camsim.log" "$work/nvssim.log"; echo "FAIL: simulators did not start" >&2; exit 1; }

# The library writes its own log lines to standard output; ours are the rest.
out=$("$bin/list_recordings" "$ip" pw 2>"$work/err") || fail "list_recordings: $(cat "$work/err")"
grep -Eq '^manual +300001  MAN_0001.avi$' <<<"$out" || fail "list_recordings: no MAN_0001.avi line"
grep -q '^2 recording(s), 301001 bytes$' <<<"$out" || fail "list_recordings: wrong summary"
"$bin/list_recordings" "$ip" wrong >/dev/null 2>"$work/err" && fail "list_recordings accepted a wrong password"
grep -q 'wrong password' "$work/err" || fail "list_recordings: no wrong-password message: $(cat "$work/err")"

"$bin/download_recording" "$ip" pw MAN_0001.avi "$work/got.avi" >/dev/null 2>"$work/progress" ||
  fail "download_recording: $(tail -c 300 "$work/progress")"
cmp -s "$work/card/MAN_0001.avi" "$work/got.avi" || fail "download_recording: bytes differ"
[ ! -e "$work/got.avi.part" ] || fail "download_recording left its partial file"
grep -q '100%  300001 / 300001 bytes' "$work/progress" || fail "download_recording: no progress line"
"$bin/download_recording" "$ip" pw NO_SUCH.avi "$work/none.avi" >/dev/null 2>&1 &&
  fail "download_recording accepted a missing recording"
[ ! -e "$work/none.avi" ] && [ ! -e "$work/none.avi.part" ] || fail "download_recording left a file behind"

out=$("$bin/list_server_cameras" "$ip" "$nvs_port" alice pw SER01 2>"$work/err") ||
  fail "list_server_cameras: $(cat "$work/err")"
grep -Eq '^ +11  Front door$' <<<"$out" && grep -Eq '^ +12  Garden$' <<<"$out" &&
  grep -q '^2 camera(s)$' <<<"$out" || fail "list_server_cameras: wrong list: $out"
"$bin/list_server_cameras" "$ip" "$nvs_port" alice bad SER01 >/dev/null 2>&1 &&
  fail "list_server_cameras accepted a wrong password"

# Discovery (when the library has it): a camera announcing itself to a port
# of our own, which the library listens on instead of 51010 when told so.
if [ -x "$bin/discover_cameras" ]; then
  dport=$((RANDOM % 20000 + 30000))
  "$camsim" --address "$ip" --port 0 --quiet --announce 4242 --announce-to "127.0.0.1:$dport" \
    --announce-period 200 > "$work/announcer.log" 2>&1 & pids+=($!)
  out=$(KESTRUNE_DISCOVERY_PORT=$dport "$bin/discover_cameras" 2 2>"$work/err") ||
    fail "discover_cameras: $(cat "$work/err")"
  grep -q "^found  camera 4242 at $ip\$" <<<"$out" && grep -q '^1 camera(s) heard$' <<<"$out" ||
    fail "discover_cameras: wrong output: $out"
fi

[ "$failures" -eq 0 ] || exit 1
echo "examples in $bin: all checks passed"
