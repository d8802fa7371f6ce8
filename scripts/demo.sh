#!/usr/bin/env bash
# The station's built-in demo: three simulated instruments on a pseudo-terminal line (the
# third one silent now and then) and the station polling them, with its window when there
# is a display and headless otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo_station.sh

build=${BUILD_DIR:-build}
build_targets "$build" zeltar zeltar-sim zeltarctl

demo=${DEMO_DIR:-$PWD/demo}
mkdir -p "$demo"
trap 'kill $(jobs -p) 2>/dev/null || true' EXIT INT TERM
start_demo_line "$build" "$demo" --drop 0.3
# A fresh demo configuration every time; the journal and the archives of earlier runs stay.
write_demo_config "$demo" 3
# DEMO_MQTT=HOST[:PORT] publishes every poll to that broker under zeltar/demo.
if [ -n "${DEMO_MQTT:-}" ]; then
    mqtt_port=1883
    [[ "$DEMO_MQTT" == *:* ]] && mqtt_port=${DEMO_MQTT##*:}
    printf '[MQTT]\nEnabled=1\nHost=%s\nPort=%s\nTopicPrefix=zeltar/demo\n' \
        "${DEMO_MQTT%%:*}" "$mqtt_port" >>"$demo/Zeltar.ini"
fi
# DEMO_WEB=1 serves the web view on http://127.0.0.1:8080/ (DEMO_WEB_PORT for another port),
# open to viewers without a login; log in as "demo" (password "demo") to acknowledge.
if [ "${DEMO_WEB:-0}" = 1 ]; then
    printf '[WEB]\nEnabled=1\nBind=127.0.0.1\nPort=%s\nAnonymous=1\n' \
        "${DEMO_WEB_PORT:-8080}" >>"$demo/Zeltar.ini"
    printf 'demo\ndemo\n' | "$build/tools/zeltarctl" --dir "$demo" web-user demo >/dev/null 2>&1
    echo "Web view: http://127.0.0.1:${DEMO_WEB_PORT:-8080}/ (user demo, password demo)"
fi

echo "Demo folder: $demo (Zeltar.ini, Zeltar.mes, archives in Data/)"
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "Starting the station; close its window to end the demo."
    "$build/src/ui/zeltar" --dir "$demo"
else
    echo "No display: the station polls headless. Ctrl+C ends the demo."
    "$build/tools/zeltarctl" --dir "$demo" poll
fi
