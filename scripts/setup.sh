#!/usr/bin/env bash
# Installs every Debian package that building, testing and hosting Quorvane needs.
# Run as root or through sudo; quick when everything is already there.
set -euo pipefail

packages=(
    cmake make g++ pkg-config
    juce-modules-source
    libasound2-dev libfreetype-dev libfontconfig1-dev libx11-dev libxrandr-dev
    libxinerama-dev libxcursor-dev libxext-dev libxcomposite-dev
    libgl1-mesa-dev libglu1-mesa-dev libcurl4-gnutls-dev
    libpng-dev libjpeg-dev zlib1g-dev libflac-dev libvorbis-dev libogg-dev
    lv2-dev libjack-jackd2-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    lilv-utils xvfb xauth python3
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all ${#packages[@]} packages present"
    exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    SUDO="sudo"
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y --no-install-recommends "${missing[@]}"
