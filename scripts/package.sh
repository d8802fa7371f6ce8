#!/usr/bin/env bash
# Builds the Debian package build-deb/zeltar_<version>_<arch>.deb with CPack: the programs,
# the menu entry, icons, metainfo, manual pages and the polling service (see packaging/).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
# A folder of its own: the package is built with Debian's compiler and linker flags
# (dpkg-buildflags, all hardening on: stack protector, fortified functions, read-only
# relocations bound at start), which the development build does not take.
build=${PACKAGE_BUILD_DIR:-build-deb}
export DEB_BUILD_MAINT_OPTIONS=${DEB_BUILD_MAINT_OPTIONS:-hardening=+all}
# CMake takes no CPPFLAGS (where _FORTIFY_SOURCE is): they go with the compiler flags.
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
# The package needs only the programs and the files made for the installation, not the
# tests: installing does not build everything first.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
    -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" "${launcher[@]}" >/dev/null
cmake --build "$build" -j2 --target zeltar zeltarctl zeltar-sim zeltar_install_files
cd "$build"
rm -f zeltar_*.deb
cpack -G DEB >/dev/null
ls "$PWD"/zeltar_*.deb
