# Checked builds, off by default; scripts/sanitize.sh and scripts/fuzz.sh use them with
# clang in a build folder of their own.
#
# ZELTAR_SANITIZE: every program and library with AddressSanitizer and
# UndefinedBehaviorSanitizer; undefined behaviour halts the program, so a test that meets
# it fails.
# ZELTAR_FUZZ: as ZELTAR_SANITIZE, with coverage for libFuzzer everywhere and the fuzz
# targets of tests/fuzz; the same folder runs the test suite and the fuzzers.
option(ZELTAR_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" OFF)
option(ZELTAR_FUZZ "Build the libFuzzer targets as well (clang only)" OFF)

if(ZELTAR_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "ZELTAR_FUZZ needs clang (CMAKE_CXX_COMPILER=clang++)")
    endif()
    set(ZELTAR_SANITIZE ON)
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()

if(ZELTAR_SANITIZE)
    set(ZELTAR_SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=undefined)
    # Qt is not built with these checks; the checks of indirect calls and dynamic types
    # need both sides built with them, so they are left out.
    if(CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        list(APPEND ZELTAR_SANITIZERS -fno-sanitize=function,vptr)
    endif()
    add_compile_options(${ZELTAR_SANITIZERS} -fno-omit-frame-pointer)
    add_link_options(${ZELTAR_SANITIZERS})
endif()
