#!/usr/bin/env bash
# Runs `filterhost dialog FILTER` in a real window on the current X display,
# closes the dialog with KEY (Return: OK, Escape: Cancel) and checks the
# parameter text the tool prints afterwards. The text is read from standard
# output only: GTK's warnings go to standard error and are shown on failure.
# usage: dialog_in_a_window.sh TOOL FILTER-REQUEST CAPTION KEY EXPECTED-TEXT
set -uo pipefail
tool=$1 request=$2 caption=$3 key=$4 expected=$5
out=$(mktemp) err=$(mktemp)
"$tool" dialog "$request" >"$out" 2>"$err" &
pid=$!
window=$(timeout 30 xdotool search --sync --name "^${caption}\$" | head -1)
if [[ -z "$window" ]]; then
  echo "no window named '$caption' appeared"; kill "$pid" 2>/dev/null; cat "$out" "$err"; rm -f "$out" "$err"; exit 1
fi
xdotool windowfocus --sync "$window" 2>/dev/null
xdotool key --clearmodifiers "$key"
wait "$pid"
status=$?
text=$(cat "$out")
warnings=$(cat "$err")
rm -f "$out" "$err"
if [[ $status -ne 0 || "$text" != "$expected" ]]; then
  echo "exit $status, printed: $text"; echo "expected: $expected"
  [[ -z "$warnings" ]] || echo "standard error: $warnings"
  exit 1
fi
echo "$caption: $key left $text"
