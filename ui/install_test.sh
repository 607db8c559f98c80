#!/usr/bin/env bash
# Installs into a temporary prefix and checks what a Linux desktop needs: the
# program, its desktop entry and icon, and an engine the installed program
# finds by itself. Pressing Button2 in the installed window must write the
# whole height-diameter table.
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

for file in bin/PDravlik share/applications/pdravlik.desktop share/icons/hicolor/scalable/apps/pdravlik.svg \
            share/icons/hicolor/48x48/apps/pdravlik.png share/icons/hicolor/256x256/apps/pdravlik.png; do
  [[ -e "$prefix/$file" ]] || fail "$file is not installed"
done
engine=$(find "$prefix" -name libdbfengine.so)
[[ -n "$engine" ]] || fail "the engine is not installed"
[[ "$(dirname "$engine")" != "$prefix/bin" ]] || fail "the engine lies beside the program: the test would not try the search"
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/pdravlik.desktop"
fi

if ! command -v xvfb-run >/dev/null || ! command -v xdotool >/dev/null; then
  echo "SKIP: running the installed window needs xvfb-run and xdotool"
  exit 77
fi
cd "$work"
# Only what is installed: no engine settings, no library path.
env -u LD_LIBRARY_PATH PDRAVLIK_ENGINE_CONFIG=/nonexistent QT_QPA_PLATFORM=xcb \
  xvfb-run -a -s "-screen 0 1024x768x24" "$here/drive_window.sh" "$prefix/bin/PDravlik" Button2
[[ -f TloVysHm.dbf ]] || fail "pressing Button2 wrote no TloVysHm.dbf"
records=$(od -An -tu4 -j4 -N4 TloVysHm.dbf | tr -d ' ')
[[ "$records" == 32708 ]] || fail "TloVysHm.dbf holds $records records, not 32708"
[[ ! -e bon_Hm1.dbf ]] || fail "Button2 wrote bon_Hm1.dbf too"
echo "installed program wrote TloVysHm.dbf with $records records"
