#!/usr/bin/env bash
# Builds everything with clang under AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan (the fuzz targets too, which scripts/fuzz.sh runs from the same folder) and
# runs the whole test suite there, each fuzz target once over its seed corpus included.
# Any finding fails the run. Arguments go to ctest.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
. scripts/checked_build.sh
configure_checked_build
cmake --build "$checked_build" -j2
cd "$checked_build"
# As in test.sh, a failed test is run once more (the sanitizers slow every program down),
# but a sanitizer's finding fails the run even when the second try passes.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
ctest --output-on-failure -j2 --repeat until-pass:2 "$@" 2>&1 | tee "$log" || status=$?
if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:' "$log"; then
    echo "a sanitizer reported a finding (see above)" >&2
    exit 1
fi
exit "$status"
