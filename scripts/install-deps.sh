#!/usr/bin/env bash
# Installs the Debian packages that building and testing need; returns at once when all are there.
set -euo pipefail

packages=(
    cmake ninja-build g++ make pkg-config
    clang libclang-rt-14-dev clang-format
    googletest libgtest-dev libbenchmark-dev
    zlib1g-dev libstb-dev librapidxml-dev nlohmann-json3-dev
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64 mingw-w64-tools
    libz-mingw-w64-dev
    wine64 xvfb xdotool x11-apps imagemagick fonts-wqy-microhei
    python3 x11-utils
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
