#!/usr/bin/env bash
# Runs `filterhost dialog FILTER` in a real window on the current X display,
# closes the dialog with KEY (Return: OK, Escape: Cancel) and checks the
# parameter text the tool prints afterwards.
# usage: dialog_in_a_window.sh TOOL FILTER-REQUEST CAPTION KEY EXPECTED-TEXT
set -uo pipefail
tool=$1 request=$2 caption=$3 key=$4 expected=$5
out=$(mktemp)
"$tool" dialog "$request" >"$out" 2>&1 &
pid=$!
window=$(timeout 30 xdotool search --sync --name "^${caption}\$" | head -1)
if [[ -z "$window" ]]; then
  echo "no window named '$caption' appeared"; kill "$pid" 2>/dev/null; cat "$out"; exit 1
fi
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --clearmodifiers "$key"
wait "$pid"
status=$?
text=$(cat "$out")
rm -f "$out"
if [[ $status -ne 0 || "$text" != "$expected" ]]; then
  echo "exit $status, printed: $text"; echo "expected: $expected"; exit 1
fi
echo "$caption: $key left $text"
