#!/usr/bin/env bash
# CPU of the station with its window (offscreen) while it polls the demo's three simulated
# instruments (TimeOpr 3, the third one dropping requests now and then). Prints the share
# of one core; the simulator's own CPU is not counted. Usage: bench/station_cpu.sh [SECONDS] [BUILD]
set -euo pipefail
seconds=${1:-60}
build=${2:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/demo_station.sh
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
start_demo_line "$build" "$work" --drop 0.3
write_demo_config "$work" 3

QT_QPA_PLATFORM=offscreen "$build/src/ui/zeltar" --dir "$work" >/dev/null 2>&1 &
station=$!
sleep 5
rss_start=$(awk '/VmRSS/ {print $2}' "/proc/$station/status")
sleep "$((seconds - 5))"
rss_end=$(awk '/VmRSS/ {print $2}' "/proc/$station/status")
read -r utime stime <<<"$(awk '{print $14, $15}' "/proc/$station/stat")"
ticks=$(getconf CLK_TCK)
kill -TERM "$station"
wait "$station" || true
awk -v u="$utime" -v s="$stime" -v t="$ticks" -v w="$seconds" -v a="$rss_start" -v b="$rss_end" 'BEGIN {
    printf "station polled the demo for %d s; resident memory %d kB after 5 s, %d kB at the end\n", w, a, b
    printf "station CPU: user %.2f s + system %.2f s = %.2f%% of one core (goal <= 2%%)\n",
        u / t, s / t, 100 * (u + s) / t / w
}'
