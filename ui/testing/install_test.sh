#!/usr/bin/env bash
# Installs into a temporary prefix and checks what a Linux desktop needs: the
# program, its desktop entry, software centre entry and icons, and an engine
# the installed program finds by itself. Pressing Button2 in the installed
# window must write the whole height-diameter table.
#   install_test.sh CMAKE BUILD_DIRECTORY
# Exits 77 (skipped) where no X server or xdotool is at hand.
set -euo pipefail
cmake=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
prefix=$(mktemp -d)
work=$(mktemp -d)
trap 'rm -rf "$prefix" "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" >/dev/null

id=org.example.pdravlik
for file in bin/PDravlik share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
            share/icons/hicolor/scalable/apps/$id.svg; do
  [[ -e "$prefix/$file" ]] || fail "$file is not installed"
done
for size in 16 22 24 32 48 64 128 256; do
  icon=share/icons/hicolor/${size}x$size/apps/$id.png
  [[ -e "$prefix/$icon" ]] || fail "$icon is not installed"
  file "$prefix/$icon" | grep -q ", $size x $size," || fail "$icon is not $size x $size pixels"
done
engine=$(find "$prefix" -name libdbfengine.so)
[[ -n "$engine" ]] || fail "the engine is not installed"
[[ "$(dirname "$engine")" != "$prefix/bin" ]] || fail "the engine lies beside the program: the test would not try the search"
# Both validators print hints and warnings too: any output is a finding.
if command -v desktop-file-validate >/dev/null; then
  report=$(desktop-file-validate "$prefix/share/applications/$id.desktop" 2>&1) || fail "$report"
  [[ -z "$report" ]] || fail "desktop-file-validate: $report"
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$id.metainfo.xml" >/dev/null \
    || fail "appstreamcli does not accept $id.metainfo.xml"
fi

if ! command -v Xvfb >/dev/null || ! command -v xdotool >/dev/null; then
  echo "SKIP: running the installed window needs Xvfb and xdotool"
  exit 77
fi
cd "$work"
# Only what is installed: no engine settings, no library path.
env -u LD_LIBRARY_PATH PDRAVLIK_ENGINE_CONFIG=/nonexistent QT_QPA_PLATFORM=xcb \
  "$here/on_own_display.sh" "$here/drive_window.sh" "$prefix/bin/PDravlik" Button2
[[ -f TloVysHm.dbf ]] || fail "pressing Button2 wrote no TloVysHm.dbf"
records=$(od -An -tu4 -j4 -N4 TloVysHm.dbf | tr -d ' ')
[[ "$records" == 32708 ]] || fail "TloVysHm.dbf holds $records records, not 32708"
[[ ! -e bon_Hm1.dbf ]] || fail "Button2 wrote bon_Hm1.dbf too"
echo "installed program wrote TloVysHm.dbf with $records records"
