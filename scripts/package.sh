#!/usr/bin/env bash
# Builds the Debian package build/zeltar_<version>_<arch>.deb with CPack: the programs, the
# menu entry, icons, metainfo, manual pages and the polling service (see packaging/).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/deps.sh
build=${BUILD_DIR:-build}
# The package needs only the programs and the files made for the installation, not the
# tests: installing does not build everything first.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON \
    >/dev/null
cmake --build "$build" -j2 --target zeltar zeltarctl zeltar-sim zeltar_install_files
cd "$build"
rm -f zeltar_*.deb
cpack -G DEB >/dev/null
ls "$PWD"/zeltar_*.deb
