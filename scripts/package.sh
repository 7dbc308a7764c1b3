#!/usr/bin/env bash
# Builds the Debian packages: a Release build of what they hold, with Debian's hardening
# flags and without the test-only automation socket, in build/package; then CPack. The
# packages land in dist/packages/ (or --out DIR).
# Usage: scripts/package.sh [--out DIR]
set -euo pipefail
cd "$(dirname "$0")/.."

out=dist/packages
while [ $# -gt 0 ]; do
    case "$1" in
    --out)
        out="${2:?--out needs a folder}"
        shift 2
        ;;
    -h | --help)
        sed -n '2,5p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *)
        echo "package.sh: unknown argument '$1'" >&2
        exit 2
        ;;
    esac
done

# Read when build/package is first configured (CMake keeps them in its cache).
export CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"

cmake --preset package >/dev/null
# Only what the packages hold: the tests and tools of the tree are not built here.
cmake --build --preset package -j "$(nproc)" --target \
    remote detector-sim delivered_settings_db TorvelButton torvelbutton_designer \
    station_man_pages station_package_changelog

staging=build/package/cpack
rm -rf "$staging"
(cd build/package && cpack -G DEB -B "$PWD/cpack" >/dev/null)
mkdir -p "$out"
rm -f "$out"/*.deb
cp "$staging"/*.deb "$out"/
ls -1 "$out"/*.deb
