#!/usr/bin/env bash
# Drives the real window on an X display as a user does: starts the program in
# the current directory, presses the buttons asked for, and ends the program.
#   drive_window.sh PROGRAM [ACTION]...
# Actions, in order:
#   Button1, Button2   click the button and wait until its table has been replaced
#   edit-first-age     click the first row's VEK cell in DBGrid1, type 17, Down
#   curves             open the growth curves of a row of DBGrid2 from its context menu
#   shot:FILE          photograph the window into FILE (PNG)
#   screen:FILE        photograph the whole screen, every window, into FILE
#   memory             print the program's peak resident memory in kB
# Needs DISPLAY, xdotool and ImageMagick's import (for shot:).
# PDRAVLIK_WINDOW_WAIT and PDRAVLIK_TABLE_WAIT bound the waits, in tenths of a second.
set -euo pipefail
program=$1
shift

"$program" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT

window=""
for _ in $(seq "${PDRAVLIK_WINDOW_WAIT:-100}"); do  # tenths of a second
  window=$(xdotool search --all --onlyvisible --pid "$pid" --name '^SpDravlik$' 2>/dev/null | head -1 || true)
  [[ -n "$window" ]] && break
  kill -0 "$pid" 2>/dev/null || { echo "$program ended before showing its window" >&2; exit 1; }
  sleep 0.1
done
[[ -n "$window" ]] || { echo "no window SpDravlik appeared" >&2; exit 1; }
sleep 0.5

click() {  # x y, in the window's client area
  xdotool mousemove --window "$window" "$1" "$2" click 1
}

identity() { stat -c %d:%i "$1" 2>/dev/null || true; }

# A table is renamed into place whole, so a new inode under its name means done.
click_and_wait_for() {  # x y TABLE
  local before
  before=$(identity "$3")
  click "$1" "$2"
  for _ in $(seq "${PDRAVLIK_TABLE_WAIT:-2400}"); do
    [[ "$(identity "$3")" == "$before" ]] || return 0
    kill -0 "$pid" 2>/dev/null || { echo "$program ended before writing $3" >&2; exit 1; }
    sleep 0.1
  done
  echo "$program did not write $3" >&2
  exit 1
}

for action in "$@"; do
  case "$action" in
    Button1) click_and_wait_for 108 341 bon_Hm1.dbf ;;   # Panel1 at y 309; Button1 at 16,16 185x33
    Button2) click_and_wait_for 500 341 TloVysHm.dbf ;;  # Button2 at 376,16 249x33
    edit-first-age)
      click 180 30                                    # DBGrid1: title row, then row 0; VEK is the third column
      xdotool type --window "$window" --delay 50 17
      xdotool key --window "$window" Down
      sleep 0.5 ;;
    curves)
      xdotool mousemove --window "$window" 500 60 click 3  # a row of DBGrid2
      sleep 0.5
      xdotool key Up Return                              # the menu's last entry
      sleep 1.5 ;;
    shot:*) import -window "$window" "${action#shot:}" ;;
    screen:*) import -window root "${action#screen:}" ;;
    memory) awk '/VmHWM/ { print $2 }' "/proc/$pid/status" ;;
    *) echo "unknown action $action" >&2; exit 2 ;;
  esac
  kill -0 "$pid" 2>/dev/null || { echo "$program ended during $action" >&2; exit 1; }
done
