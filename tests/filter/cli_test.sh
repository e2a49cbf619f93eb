#!/bin/sh
# The command-line players find the plug-in through GST_PLUGIN_PATH: a
# generated two-segment recording is discovered with its duration and
# played to the end by gst-play-1.0 and gst-launch-1.0 with a seek-free run.
# usage: cli_test.sh ZRVGEN PLUGIN_DIR WORK_DIR
set -eu
zrvgen=$1
export GST_PLUGIN_PATH=$2
work=$3
mkdir -p "$work"
export GST_REGISTRY="$work/gst-registry-cli.bin"
rec="$work/cli.zrv"
"$zrvgen" --seconds 3 --key-interval 5 "$rec" >/dev/null 2>&1
out=$(gst-discoverer-1.0 "$rec")
echo "$out" | grep -q "Duration: 0:00:02.900000000" || { echo "$out"; exit 1; }
echo "$out" | grep -q "video/x-zrv" || { echo "$out"; exit 1; }
echo "$out" | grep -q "H.264" || { echo "$out"; exit 1; }
gst-inspect-1.0 zrvdemux | grep -q "{dc48363c-af04-4514-904c-c264e1e38157}"
timeout 60 gst-play-1.0 --no-interactive --videosink="fakesink sync=false" \
  --audiosink="fakesink sync=false" "$rec" 2>&1 | grep -q "Reached end of play list"
echo ok
