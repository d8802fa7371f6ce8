#!/usr/bin/env bash
# The station's built-in demo: two simulated instruments on a pseudo-terminal line and
# their current values read once a second, as the station's polling reads them.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target zeltar-sim zeltarctl >/dev/null

demo=${DEMO_DIR:-$PWD/demo}
mkdir -p "$demo"
line="$demo/zeltar-line"

"$build/tools/zeltar-sim" --link "$line" --addr 1 --addr 2 --drop 0.1 >"$demo/sim.out" 2>"$demo/sim.log" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT INT TERM
for _ in $(seq 100); do
    grep -q '^ready' "$demo/sim.out" 2>/dev/null && break
    sleep 0.1
done
grep -q '^ready' "$demo/sim.out" || { echo "the simulator did not start: $(cat "$demo/sim.log")"; exit 1; }

echo "Simulated instruments on $line (addresses 1 and 2). Ctrl+C ends the demo."
while true; do
    row="$(date +%H:%M:%S)"
    for addr in 1 2; do
        reply=$("$build/tools/zeltarctl" --port "$line" --addr "$addr" read04 0 4 || true)
        row+="   прибор $addr: $(python3 - "$reply" <<'PY'
import struct, sys
parts = sys.argv[1].split()
if len(parts) != 11:
    print("Нет связи".ljust(24))
else:
    b = bytes(int(p, 16) for p in parts)
    value = struct.unpack('<f', b[3:7])[0]
    rele = b[8] & 0x0F
    marks = ''.join('У%d ' % (i + 1) if rele & (8 >> i) else '   ' for i in range(4))
    print(('%10.2f  %s' % (value, marks)).ljust(24))
PY
)"
    done
    echo "$row"
    sleep 1
done
