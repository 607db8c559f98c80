#!/usr/bin/env bash
# Drives the real window with the keyboard alone, as a user without a mouse:
# generates both tables from the buttons, exports each grid as CSV through
# its context menu's mnemonic and through Ctrl+E, and checks the files.
#   keyboard_only_test.sh PROGRAM
# Runs on an X server of its own in a scratch directory; exits 77 (skipped)
# where Xvfb or xdotool is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1")

if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "SKIP: the keyboard test needs Xvfb and xdotool"
  exit 77
fi
if [[ -z "${PDRAVLIK_OWN_DISPLAY:-}" ]]; then
  PDRAVLIK_OWN_DISPLAY=1 exec "$here/on_own_display.sh" "$0" "$@"
fi

work=$(mktemp -d)
trap 'kill "${pid:-}" 2>/dev/null || true; rm -rf "$work"' EXIT
cd "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }

# English entries and mnemonics, whatever the machine's language.
LC_ALL=C.UTF-8 LANGUAGE= QT_QPA_PLATFORM=xcb "$program" &
pid=$!

# Polls, in tenths of a second, until the command succeeds.
wait_until() {  # WHAT TENTHS COMMAND...
  local what=$1 tenths=$2
  shift 2
  for _ in $(seq "$tenths"); do
    "$@" && return 0
    kill -0 "$pid" 2>/dev/null || fail "the program ended while waiting for $what"
    sleep 0.1
  done
  fail "no $what"
}

visible_window() { xdotool search --all --onlyvisible --pid "$pid" --name "^$1\$" 2>/dev/null | head -1; }
has_window() { [[ -n "$(visible_window "$1")" ]]; }
# With no window manager nobody hands the keyboard to a new window.
focus() {
  wait_until "window $1" 100 has_window "$1"
  local window
  window=$(visible_window "$1")
  xdotool windowfocus --sync "$window"
  wait_until "focus on $1" 100 test "$(xdotool getwindowfocus)" = "$window"
}

# Files are renamed into place whole: a new inode under the name means done.
identity() { stat -c %d:%i "$1" 2>/dev/null || true; }
replaced() { [[ "$(identity "$1")" != "$2" ]]; }
press_and_wait_for() {  # FILE KEY...
  local file=$1 before
  before=$(identity "$file")
  shift
  xdotool key "$@"
  wait_until "new $file" "${PDRAVLIK_TABLE_WAIT:-2400}" replaced "$file" "$before"
}

# Types a file name into the export dialog that KEYS open.
export_as() {  # FILE KEY...
  local file=$1
  shift
  xdotool key "$@"
  focus "Export to CSV"
  xdotool key ctrl+a
  xdotool type --delay 20 "$file"
  press_and_wait_for "$file" Return
  focus SpDravlik
}

lines() { wc -l <"$1" | tr -d ' '; }

focus SpDravlik
# The first grid has the focus; Ctrl+Tab leaves it, the buttons take Tab.
press_and_wait_for bon_Hm1.dbf ctrl+Tab space
press_and_wait_for TloVysHm.dbf Tab space
[[ ! -e sites.csv && ! -e heights.csv ]] || fail "files before the exports"

# The second grid's menu from the keyboard, its entry by the mnemonic.
export_as heights.csv Tab shift+F10 e
# Back to the first grid, through the buttons; its export by the shortcut.
export_as sites.csv ctrl+shift+Tab shift+Tab shift+Tab ctrl+e

[[ "$(head -1 heights.csv)" == drevina,tloustka,vyska,hmot* ]] || fail "heights.csv: $(head -1 heights.csv)"
[[ "$(lines heights.csv)" == 32709 ]] || fail "heights.csv holds $(lines heights.csv) lines, not 32709"
[[ "$(head -1 sites.csv)" == DREVINA,BONITA,VEK* ]] || fail "sites.csv: $(head -1 sites.csv)"
[[ "$(lines sites.csv)" == 3229 ]] || fail "sites.csv holds $(lines sites.csv) lines, not 3229"
echo "both tables generated and exported with the keyboard alone"
