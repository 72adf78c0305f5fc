#!/usr/bin/env bash
# Installs the Debian 12 packages Rutline needs to build, test and run; only what is missing.
set -euo pipefail
packages=(build-essential cmake pkg-config clang-14 libclang-rt-14-dev
  libsdl2-dev libode-dev libpng-dev zlib1g-dev libgl-dev libgl1-mesa-dri mesa-utils
  libgtest-dev libbenchmark-dev libssl-dev libfreetype-dev fonts-dejavu-core
  xvfb xauth xdotool x11-apps libx11-dev python3)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
