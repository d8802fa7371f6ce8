#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the demo need, when missing.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev
    libshp-dev python3-dbfread
    libcurl4-openssl-dev python3-aiosmtpd
    libbenchmark-dev
    clang libclang-rt-14-dev
    libmosquitto-dev mosquitto mosquitto-clients
    qt6-httpserver-dev libjs-dygraphs chromium chromium-driver python3-selenium
    fonts-dejavu-core xvfb qt6-translations-l10n
    dpkg-dev file librsvg2-bin help2man lintian desktop-file-utils appstream
    poppler-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    [ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
