#!/usr/bin/env bash
# A chain split across two pipelines over the loopback address: the camera
# side demosaics and sends raw BGR frames with RTP, the other side receives,
# turns and crops, and writes every frame. The frames must equal those of the
# same chain run in one pipeline.
set -euo pipefail
dir="$1"
rm -rf "$dir" && mkdir -p "$dir/split" "$dir/whole"
frames=8
port=$((20000 + RANDOM % 20000))  # several builds may test at once
camera="videotestsrc num-buffers=$frames pattern=zone-plate kx2=20 ky2=20 kt=1
  ! video/x-bayer,format=grbg,width=160,height=120,framerate=30/1 ! orvdebayer mode=edge-sensing
  ! video/x-raw,format=BGR"
far="orvrotflip rotation-angle=90 ! orvroi left=16 top=8 width=80 height=100"
rtpcaps="application/x-rtp,media=video,clock-rate=90000,encoding-name=RAW,sampling=BGR,depth=(string)8,width=(string)160,height=(string)120,payload=96"

# shellcheck disable=SC2086
gst-launch-1.0 -q $camera ! $far ! multifilesink location="$dir/whole/%02d.bgr"

# The receiver first; it stops with EOS (-e) on SIGINT once the sender is done.
# shellcheck disable=SC2086
gst-launch-1.0 -q -e udpsrc address=127.0.0.1 port=$port caps="$rtpcaps" ! rtpvrawdepay ! $far \
  ! multifilesink location="$dir/split/%02d.bgr" &
receiver=$!
sleep 1
# shellcheck disable=SC2086
gst-launch-1.0 -q $camera ! rtpvrawpay ! udpsink host=127.0.0.1 port=$port
sleep 1
kill -INT "$receiver"
wait "$receiver" || true

count=$(ls "$dir/whole" | wc -l)
[[ $count == "$frames" ]] || { echo "the whole chain wrote $count frames, not $frames"; exit 1; }
diff -r "$dir/whole" "$dir/split" && echo "split pipeline: $frames frames equal"
