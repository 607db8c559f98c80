#!/bin/sh
# Both CSV forms open as numbers in LibreOffice Calc in the locale each is
# for: decimal commas and semicolons in a Czech locale, the plain form in an
# English one. Every cell that reads as a number must be a number in Calc.
# Usage: csv_in_libreoffice_test.sh PDRAVLIK_TABLES
# Exits 77 (skipped) without LibreOffice.
set -eu
tables=$1
command -v soffice >/dev/null 2>&1 || { echo "LibreOffice is not installed: skipped"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
status=0

# FORM LOCALE SEPARATOR: Calc opens bon_Hm1.csv of FORM in LOCALE as a user's
# Calc would, with the form's separator chosen in its import dialog.
opens_as_numbers() {
  dir="$scratch/$1-$2"
  mkdir -p "$dir"
  "$tables" -C "$dir" --csv="$1" site-class >/dev/null
  LANG=$2 LC_ALL=$2 HOME="$dir/home" soffice --headless --infilter="CSV:$3,34,76,1" \
    --convert-to fods --outdir "$dir" "$dir/bon_Hm1.csv" >/dev/null 2>&1
  [ -s "$dir/bon_Hm1.fods" ] || { echo "$1 in $2: LibreOffice wrote nothing"; status=1; return; }
  numbers=$(grep -o 'office:value-type="float"' "$dir/bon_Hm1.fods" | wc -l)
  # A cell of text that reads as a number is a number Calc did not take.
  as_text=$(grep -A1 'office:value-type="string"' "$dir/bon_Hm1.fods" |
    grep -c '<text:p>-\{0,1\}[0-9][0-9]*\([.,][0-9]*\)\{0,1\}</text:p>' || true)
  echo "$1 in $2: $numbers numbers, $as_text numbers as text"
  if [ "$numbers" -lt 3228 ] || [ "$as_text" -ne 0 ]; then status=1; fi
}

opens_as_numbers decimal-comma cs_CZ.UTF-8 59
opens_as_numbers plain en_US.UTF-8 44
exit $status
