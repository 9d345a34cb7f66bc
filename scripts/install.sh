#!/usr/bin/env bash
# Installs, with apt-get, whatever the build, the program and the tests need and this machine
# lacks, and the packages named as arguments (fuzz/run.sh names clang's); does nothing when
# everything is there. Run as root on Debian 12.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ qt6-base-dev qt6-svg-dev libgl-dev libxcb1-dev
    # the engines the program drives
    ffmpeg mplayer mencoder mediainfo x264 mkvtoolnix
    # test media and a virtual display for windows, with a window manager for the tests of
    # placement and stacking (xprop tells when it is ready)
    dvdauthor xvfb xauth openbox x11-utils
    "$@"
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    echo "Please run as root to install: ${missing[*]}" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
