#!/usr/bin/env bash
# Runs a command on an X server of its own and stops the server afterwards.
#   on_own_display.sh COMMAND [ARGUMENT]...
# The server names its display only once it accepts clients (-displayfd).
# Display numbers are drawn at random from a wide range, never the low ones
# xvfb-run -a and Xvfb -displayfd probe in order: a server of a run beside
# this one that is just ending could otherwise unlink the socket of a new
# server that took over its number.
set -euo pipefail

dir=$(mktemp -d)
server=""
finish() {
  [[ -z "$server" ]] || { kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true; }
  rm -rf "$dir"
}
trap finish EXIT

# Starts a server on display :$1; succeeds once it accepts clients.
start_server() {
  rm -f "$dir/display"
  mkfifo "$dir/display"
  # -noreset: a server resets when its last client leaves, and refuses
  # connections meanwhile; the check below is such a client.
  Xvfb ":$1" -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$dir/display" 2>"$dir/log" &
  server=$!
  local number=""
  read -r number <"$dir/display" || true
  [[ "$number" == "$1" ]] || { wait "$server" 2>/dev/null || true; server=""; return 1; }
  # A client must get through before the command's does; a server that
  # refuses one is given up for another number.
  DISPLAY=":$1" xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  server=""
  return 1
}

for _ in $(seq 20); do
  number=$((1000 + RANDOM % 30000))
  start_server "$number" && break
done
if [[ -z "$server" ]]; then
  echo "Xvfb did not start:" >&2
  cat "$dir/log" >&2
  exit 1
fi
DISPLAY=":$number" "$@"
