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
ctest --output-on-failure -j2 "$@"
