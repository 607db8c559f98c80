#!/usr/bin/env bash
# Runs a command on an X server of its own and stops the server afterwards.
#   on_own_display.sh COMMAND [ARGUMENT]...
# The server picks a free display itself and names it only once it accepts
# clients (-displayfd), so runs side by side never race for a display number
# or find one whose server has gone, as xvfb-run -a can.
set -euo pipefail

dir=$(mktemp -d)
server=""
finish() {
  [[ -z "$server" ]] || { kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; }
  rm -rf "$dir"
}
trap finish EXIT

mkfifo "$dir/display"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
server=$!
number=""
read -r number <"$dir/display" || true
if [[ ! "$number" =~ ^[0-9]+$ ]]; then
  echo "Xvfb did not start:" >&2
  cat "$dir/log" >&2
  exit 1
fi
DISPLAY=":$number" "$@"
