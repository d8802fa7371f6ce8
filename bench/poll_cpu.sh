#!/usr/bin/env bash
# CPU of the headless station polling 16 simulated instruments at TimeOpr 1: two lines
# (COM1, COM2) of eight instruments each. Prints the station's CPU time as a share of one
# core; the simulators' own CPU is not counted. Usage: bench/poll_cpu.sh [SECONDS] [BUILD]
set -euo pipefail
seconds=${1:-60}
build=${2:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
sim="$root/$build/tools/zeltar-sim"
ctl="$root/$build/tools/zeltarctl"
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT

addrs=()
for a in $(seq 1 8); do addrs+=(--addr "$a"); done
"$sim" --link "$work/line1" "${addrs[@]}" >"$work/sim1.out" 2>/dev/null &
"$sim" --link "$work/line2" "${addrs[@]}" >"$work/sim2.out" 2>/dev/null &
for _ in $(seq 100); do
    grep -q ready "$work/sim1.out" 2>/dev/null && grep -q ready "$work/sim2.out" 2>/dev/null && break
    sleep 0.1
done

{
    printf '[MAIN]\nTimeOpr=1\nTimeArh=1\nCountUstr=16\n'
    for n in $(seq 1 16); do
        port=$(((n - 1) / 8 + 1))
        addr=$(((n - 1) % 8 + 1))
        printf '[ZELTAR%d]\nPribName=Прибор %d\nPribVkl=1\nPribPort=%d\nPribBaud=2\nPribAdr=%d\n' \
            "$n" "$n" "$port" "$addr"
    done
    printf '[PORTS]\nCOM1=%s\nCOM2=%s\n' "$work/line1" "$work/line2"
} >"$work/Zeltar.ini"

TIMEFORMAT='%R %U %S'
times=$( { time "$ctl" --dir "$work" poll --for "$seconds" >"$work/poll.out" 2>&1; } 2>&1 )
read -r real user sys <<<"$times"
ticks=$(wc -l <"$work/poll.out")
nolink=$(grep -c 'Нет связи' "$work/poll.out" || true)
awk -v r="$real" -v u="$user" -v s="$sys" -v t="$ticks" -v n="$nolink" 'BEGIN {
    printf "polled %d ticks in %.1f s (%d without link), 16 instruments, TimeOpr 1\n", t, r, n
    printf "station CPU: user %.2f s + system %.2f s = %.2f%% of one core (goal <= 2%%)\n", u, s, 100 * (u + s) / r
}'
