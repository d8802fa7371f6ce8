#!/usr/bin/env bash
# Fuzzes every target of tests/fuzz (or those named) for SECONDS each, default 60, one
# after the other, built in build-asan. New inputs go to build-asan/fuzz/<target>/corpus,
# never into the seed corpus; an input that finds a fault is saved in build-asan/fuzz/
# <target>/ (crash-*, leak-*, timeout-*) and the script exits 1 after the last target.
# FUZZ_FLAGS adds libFuzzer options, e.g. "-fork=1 -ignore_crashes=1" to go on after a find.
# FUZZ_SEED (default 1) makes a run repeatable: the same seed tries the same inputs in the
# same order, so a short run covers the start of a longer one; 0 takes a random seed.
# FUZZ_RUNS ends each target after that many inputs, if SECONDS have not ended it before:
# with the fixed seed, a run is then the same on a fast machine and on a slow one.
#
#     scripts/fuzz.sh [SECONDS] [TARGET...]     # TARGET: reply, ini, configuration, ...
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for source in tests/fuzz/fuzz_*.cpp; do
        name=$(basename "$source" .cpp)
        targets+=("${name#fuzz_}")
    done
fi

scripts/deps.sh
. scripts/checked_build.sh
configure_checked_build
cmake --build "$checked_build" -j2 --target "${targets[@]/#/fuzz_}"

failed=()
for target in "${targets[@]}"; do
    work=$checked_build/fuzz/$target
    mkdir -p "$work/corpus"
    echo "== $target: $seconds s"
    # shellcheck disable=SC2086
    if ! "$checked_build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -seed="${FUZZ_SEED:-1}" -runs="${FUZZ_RUNS:--1}" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$work/" ${FUZZ_FLAGS:-} \
        "$work/corpus" "tests/fuzz/corpus/$target"; then
        failed+=("$target")
    fi
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Fuzzing found faults in: ${failed[*]} (inputs in $checked_build/fuzz/)" >&2
    exit 1
fi
