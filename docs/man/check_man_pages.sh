#!/bin/sh
# Usage: check_man_pages.sh PROGRAM PAGE-OF-PROGRAM [PAGE]...
# Renders every page with groff's warnings on and fails on any warning (and on
# mandoc's, where mandoc is installed); fails when PROGRAM --help shows a long
# option that its page does not name. Exits 77 (skipped) without groff.
set -u
program=$1
shift
command -v groff >/dev/null 2>&1 || { echo "groff is not installed: skipped"; exit 77; }

status=0
for page in "$@"; do
  warnings=$(LC_ALL=C.UTF-8 groff -man -Tutf8 -ww -z "$page" 2>&1) || status=1
  if [ -n "$warnings" ]; then
    printf '%s\n' "$warnings"
    status=1
  fi
  if command -v mandoc >/dev/null 2>&1; then
    mandoc -Tlint -W warning "$page" || status=1
  fi
done

help=$("$program" --help) || { echo "$program --help failed"; exit 1; }
# The page writes "-" as "\-".
page_text=$(sed 's/\\-/-/g' "$1")
options=$(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z-]*'; printf '%s\n' "$help" | sed -n 's/^ *\(-[A-Za-z]\),.*/\1/p')
for option in $(printf '%s\n' "$options" | sort -u); do
  case "$page_text" in
    *"$option"*) ;;
    *) echo "$1 does not name the option $option"; status=1 ;;
  esac
done
exit $status
