#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks that the installed tool,
# module and GStreamer plug-in find each other there and nothing of the build.
set -euo pipefail
build="$1" prefix="$2"
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
# The libraries' folder (lib, or lib64 and the like); the Python folder holds a copy of the module too.
lib="$(dirname "$(find "$prefix" -path "$prefix/lib*/corefilterssd.ftf" | head -n 1)")"
"$prefix/bin/filterhost" list | grep -q "Rotate Flip"
GST_PLUGIN_PATH="$lib/gstreamer-1.0" GST_REGISTRY="$prefix/registry.bin" gst-inspect-1.0 orvrotflip >"$prefix/inspect.txt"
grep -q "$lib/gstreamer-1.0/libgstorvfilters.so" "$prefix/inspect.txt"
! ldd "$lib/gstreamer-1.0/libgstorvfilters.so" "$prefix/bin/filterhost" | grep -q "$build"
echo "installed: tool, module and plug-in found in $prefix"
