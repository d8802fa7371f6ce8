# Sourced by demo.sh and screenshots.sh: the demo line of three simulated instruments and
# the station folder that polls them.

# build_targets BUILD TARGET...: what is missing installed, the targets built in BUILD.
build_targets() {
    local build=$1
    shift
    scripts/deps.sh
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$build" -j2 --target "$@" >/dev/null
}

# DEMO_INSTRUMENTS (3 to 16, default 3) is how many instruments the demo line has; the
# ones after the third are plain instruments at addresses 4 and up.
demo_instruments() {
    local count=${DEMO_INSTRUMENTS:-3}
    [[ "$count" =~ ^[0-9]+$ ]] && [ "$count" -ge 3 ] && [ "$count" -le 16 ] || count=3
    echo "$count"
}

# start_demo_line BUILD DIR [options of the third instrument]: zeltar-sim on DIR/zeltar-line
# with instruments at addresses 1, 2, 3 (and on); waits until it serves the line.
start_demo_line() {
    local build=$1 dir=$2
    shift 2
    local more=()
    for ((a = 4; a <= $(demo_instruments); a++)); do more+=(--addr "$a"); done
    "$build/tools/zeltar-sim" --link "$dir/zeltar-line" --addr 1 --addr 2 --addr 3 "$@" \
        "${more[@]}" >"$dir/sim.out" 2>"$dir/sim.log" &
    for _ in $(seq 100); do
        grep -q '^ready' "$dir/sim.out" 2>/dev/null && return 0
        sleep 0.1
    done
    echo "the simulator did not start: $(cat "$dir/sim.log")" >&2
    return 1
}

# write_demo_config DIR TIMEOPR: Zeltar.ini with the demo's instruments on COM1 = the demo
# line, automatic start, archives in DIR/Data.
write_demo_config() {
    local dir=$1 timeOpr=$2
    {
        local count
        count=$(demo_instruments)
        # The archive folder relative to the station folder, as an operator would write it.
        printf '[MAIN]\nAutoStart=1\nPathArh=Data\nTimeOpr=%s\nTimeArh=1\nCountUstr=%s\n' \
            "$timeOpr" "$count"
        local n=1 names=("Печь 1" "Сушильная камера" "Котёл")
        for ((a = 4; a <= count; a++)); do names+=("Прибор $a"); done
        for name in "${names[@]}"; do
            printf '[ZELTAR%d]\nPribName=%s\nPribVkl=1\nPribPort=1\nPribBaud=2\nPribAdr=%d\n' \
                "$n" "$name" "$n"
            printf 'PribUst=00000070;00000030;00000050;00000000;\n'
            n=$((n + 1))
        done
        printf '[PORTS]\nCOM1=%s/zeltar-line\n' "$dir"
    } >"$dir/Zeltar.ini"
}
