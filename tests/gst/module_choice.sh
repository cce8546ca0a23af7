#!/usr/bin/env bash
# The module the elements wrap, as the variable names it. With a missing file
# the elements stand in and fail to start saying why, and the registry cache
# notices the change both ways. A filter that is to give a frame for every
# frame (the table does not know it) and refuses some warns for each one,
# naming the filter and the frame, and the stream goes on.
# module_choice.sh BUILD_MODULE OTHER_MODULE DIR
set -euo pipefail
module="$1" other="$2" dir="$3"
rm -rf "$dir" && mkdir -p "$dir"
export GST_REGISTRY="$dir/registry.bin"  # changed below: not the other tests' one
grey="videotestsrc num-buffers=4 ! video/x-raw,format=GRAY8,width=64,height=48"
fail() { echo "$1"; cat "$2"; exit 1; }

gst-inspect-1.0 orvrotflip >"$dir/module.txt" 2>&1
grep -q "Long-name *Rotate Flip$" "$dir/module.txt" || fail "no element from the module" "$dir/module.txt"

missing="$dir/nowhere/corefilterssd.ftf"
ORV_FILTER_MODULE="$missing" gst-inspect-1.0 orvrotflip >"$dir/inspect.txt" 2>&1
grep -q "Long-name *Rotate Flip (no filter module)$" "$dir/inspect.txt" || fail "the cache kept the module's element" "$dir/inspect.txt"
grep -q "Fails to start: cannot load filter module '$missing': no such file" "$dir/inspect.txt" ||
  fail "gst-inspect-1.0 does not say why" "$dir/inspect.txt"
# shellcheck disable=SC2086
if ORV_FILTER_MODULE="$missing" gst-launch-1.0 $grey ! orvrotflip rotation-angle=90 ! fakesink >"$dir/missing.txt" 2>&1; then
  fail "a pipeline ran without the module" "$dir/missing.txt"
fi
grep -q "ERROR: from element .*orvrotflip0: orvrotflip has no filter: cannot load filter module '$missing': no such file" \
  "$dir/missing.txt" || fail "no element error naming the module" "$dir/missing.txt"

gst-inspect-1.0 orvrotflip >"$dir/back.txt" 2>&1
grep -q "Long-name *Rotate Flip$" "$dir/back.txt" || fail "the cache kept the stand-in" "$dir/back.txt"

named="$dir/named.ftf"
cp "$other" "$named"
# shellcheck disable=SC2086
ORV_FILTER_MODULE="$named" gst-launch-1.0 $grey ! orvalternate-frames ! fakesink >"$dir/refused.txt" 2>&1 ||
  fail "a refused frame stopped the stream" "$dir/refused.txt"
[[ $(grep -c "WARNING: from element .*orvalternateframes0: Alternate Frames dropped frame [13] " "$dir/refused.txt") == 2 ]] ||
  fail "not one warning for each refused frame" "$dir/refused.txt"
[[ $(grep -c "WARNING: from element" "$dir/refused.txt") == 2 ]] || fail "warnings for frames it gave" "$dir/refused.txt"
# The file the variable names changes: the cache follows it too.
cp "$module" "$named"
ORV_FILTER_MODULE="$named" gst-inspect-1.0 orvrotflip >"$dir/replaced.txt" 2>&1 ||
  fail "the cache kept the replaced module's elements" "$dir/replaced.txt"
echo "module choice: missing module reported, cache follows the variable, refused frames warned"
