# Sourced by sanitize.sh and fuzz.sh: the clang build folder with AddressSanitizer,
# UndefinedBehaviorSanitizer and the fuzz targets, and how its programs report and stop.
checked_build=${ASAN_BUILD_DIR:-build-asan}

# A finding ends the program with exit code 86, which no test expects of a program.
export ASAN_OPTIONS=${ASAN_OPTIONS:-exitcode=86:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-exitcode=86:print_stacktrace=1:halt_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}

configure_checked_build() {
    local launcher=()
    command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    # -O1 with line tables only: quick to build, and the reports still name file and line.
    cmake -S . -B "$checked_build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
        -DCMAKE_CXX_FLAGS_DEBUG="-O1 -gline-tables-only" -DZELTAR_FUZZ=ON -DZELTAR_BENCH=OFF "${launcher[@]}" >/dev/null
}
