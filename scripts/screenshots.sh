#!/usr/bin/env bash
# Renders the main window's pages with demo data to docs/screenshots/*.png: the demo's three
# simulated instruments (the third one silent) polled for a few seconds, the pages grabbed
# offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo_station.sh

build=${BUILD_DIR:-build}
build_targets "$build" zeltar-shots zeltar-sim zeltarctl

# A folder of the name an operator would give it, so that no path of the machine that
# made the pictures shows in them (the file dialog shows the archive folder).
work=${SHOT_STATION:-/srv/zeltar}
if [ -e "$work" ]; then
    echo "$work exists: remove it, or name another folder in SHOT_STATION" >&2
    exit 1
fi
mkdir -p "$work"
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
start_demo_line "$build" "$work" --silent
write_demo_config "$work" 1

# A real X server with a screen of a desktop's size: the settings window opens as large as
# its instrument page needs, which the offscreen platform's small screen would cut.
LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 QT_QPA_PLATFORM=xcb \
    xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$build/tools/zeltar-shots" "$work" docs/screenshots "${SHOT_SECONDS:-20}"
# The first page of the first device's report over its archive, as zeltarctl writes it.
LANG=ru_RU.UTF-8 LC_ALL=ru_RU.UTF-8 "$build/tools/zeltarctl" --dir "$work" --device 1 report \
    --output "$work/report.pdf"
pdftoppm -png -r 60 -f 1 -l 1 -singlefile "$work/report.pdf" docs/screenshots/report-page
ls docs/screenshots
