#!/usr/bin/env bash
# Builds the Debian package and checks it: lintian (no errors), the menu entry, the AppStream
# metainfo and the service unit; then runs the programs from the package unpacked into a
# throwaway root.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/demo_station.sh

deb=$(scripts/package.sh | tail -n 1)
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"
echo "== $deb"

echo "== lintian"
report=$(lintian --fail-on error --display-info "$deb") || { echo "$report" >&2; exit 1; }
echo "$report"
# The programs are built with Debian's hardening flags: any note that one is missing fails.
if grep -q 'hardening-' <<<"$report"; then
    echo "lintian finds programs built without hardening" >&2
    exit 1
fi

echo "== the window's platform plugin"
# A plugin is no library dependency: the package must depend on the one that holds it.
plugin=$(find /usr/lib/*/qt6/plugins/platforms -name libqxcb.so | head -n 1)
holder=$(dpkg-query --search "$plugin" | cut -d: -f1)
dpkg-deb --field "$deb" Depends | tr ',' '\n' | sed 's/(.*//; s/ //g' | grep -qx "$holder" ||
    { echo "the package does not depend on $holder, which holds $plugin" >&2; exit 1; }
echo "depends on $holder ($plugin)"

echo "== menu entry and metainfo"
desktop-file-validate "$root"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml

echo "== the programs from the package"
for program in zeltar zeltarctl zeltar-sim; do
    "$root/usr/bin/$program" --version | grep -qx "$program [0-9.]*" ||
        { echo "$program --version is wrong" >&2; exit 1; }
    [ -s "$root/usr/share/man/man1/$program.1.gz" ] ||
        { echo "$program.1 missing" >&2; exit 1; }
done
"$root/usr/bin/zeltarctl" --version
station="$root/station"
mkdir "$station"
write_demo_config "$station" 3
"$root/usr/bin/zeltarctl" --dir "$station" config | grep -q '"PribName": "Котёл"' ||
    { echo "zeltarctl config does not read the station folder" >&2; exit 1; }
echo "zeltarctl --dir DIR config: the station's three devices"

echo "== service unit"
if command -v systemd-analyze >/dev/null; then
    # A template is checked as one of its instances, against the unpacked programs.
    unit="$root/usr/lib/systemd/system/zeltar-poll@.service"
    sed "s|/usr/bin/zeltarctl|$root/usr/bin/zeltarctl|" "$unit" >"$root/zeltar-poll@check.service"
    # A directive it cannot parse is only a warning to systemd: any complaint fails here.
    if ! complaints=$(systemd-analyze verify --man=no "$root/zeltar-poll@check.service" 2>&1) ||
        [ -n "$complaints" ]; then
        echo "$complaints" >&2
        exit 1
    fi
    echo "systemd-analyze verify: no complaints"
else
    echo "systemd-analyze is not installed: the unit is not checked"
fi
echo "== package checks passed"
