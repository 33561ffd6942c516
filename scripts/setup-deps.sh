#!/usr/bin/env bash
# Installs the Debian 12 packages that building, testing and running the console need.
# Quick when everything is present: it only asks dpkg.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev qt6-multimedia-dev libgl-dev
    qt6-qpa-plugins libqt6opengl6-dev
    xvfb xauth imagemagick fonts-dejavu-core clang-format
    ca-certificates
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
