#!/usr/bin/env bash
# build.sh DIR [cmake options...] [-- TARGET...]: configures DIR (a no-op when
# nothing changed) and builds the targets, or everything, into it.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$1"
shift
options=()
while (($#)) && [[ "$1" != "--" ]]; do options+=("$1"); shift; done
targets=()
if (($#)); then shift; targets=(--target "$@"); fi
cmake -S "$root" -B "$dir" -G Ninja "${options[@]}" >/dev/null
cmake --build "$dir" -j "$(nproc)" "${targets[@]}"
