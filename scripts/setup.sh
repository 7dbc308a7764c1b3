#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the station need.
# Safe to run again: it only calls apt-get when something is missing.
set -euo pipefail

packages=(
    build-essential cmake ninja-build git clang libclang-rt-14-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools libqt6opengl6-dev libgl-dev
    libsqlcipher-dev sqlcipher
    fonts-nanum fonts-dejavu-core xvfb x11-apps netpbm
    desktop-file-utils appstream python3
    qt6-multimedia-dev libsystemd-dev dbus dbus-daemon dunst libnotify-bin
    mosquitto libmosquitto-dev mosquitto-clients openssl
    poppler-utils abigail-tools doxygen lintian dpkg-dev fakeroot man-db groff-base
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
