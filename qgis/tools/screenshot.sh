#!/usr/bin/env bash
# Makes the README's picture of a tree volume layer as the QGIS desktop shows
# it: the provider computes the volumes of two plots of trees headless, then
# QGIS opens a project with the result graduated by volume on an X server of
# its own, and saves the screen once the map is drawn.
#   qgis/tools/screenshot.sh BUILD_DIR [OUTPUT.png]   (default docs/qgis_volumes.png)
set -euo pipefail

tools=$(cd "$(dirname "$0")" && pwd)
source_dir=$(cd "$tools/../.." && pwd)
build=$(cd "${1:?usage: screenshot.sh BUILD_DIR [OUTPUT.png]}" && pwd)
output=$(realpath -m "${2:-$source_dir/docs/qgis_volumes.png}")

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/settings" "$scratch/profiles"
export PYTHONPATH="$build/python:$source_dir/qgis" PYTHONDONTWRITEBYTECODE=1
# Neither run may write into $HOME: settings and caches go to the scratch directory.
export XDG_CONFIG_HOME="$scratch/settings" XDG_CACHE_HOME="$scratch/settings" XDG_DATA_HOME="$scratch/settings"

QT_QPA_PLATFORM=offscreen QGIS_CUSTOM_CONFIG_PATH="$scratch/settings" \
  /usr/bin/python3 "$tools/volumes_project.py" "$scratch"

SCREENSHOT="$scratch/screen.png" timeout 300 "$source_dir/ui/testing/on_own_display.sh" \
  qgis --profiles-path "$scratch/profiles" --nologo --noversioncheck --noplugins --hide-browser \
       --code "$tools/take_screenshot.py" --project "$scratch/volumes.qgz"
[[ -s "$scratch/screen.png" ]] || { echo "QGIS saved no screenshot" >&2; exit 1; }
mv "$scratch/screen.png" "$output"
echo "$output"
