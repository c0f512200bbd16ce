#!/usr/bin/env bash
# Installs the Debian packages Clipvane needs to build, run and test.
# Only what is missing is installed, so a second run is quick and quiet.
set -euo pipefail

packages=(
  g++ cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libcurl4-openssl-dev libxml2-dev libssl-dev openssl ca-certificates
  ffmpeg libgtest-dev
  fonts-liberation2
  xvfb xdotool imagemagick
  clang-14 libclang-rt-14-dev clang-format-14 clang-tidy-14 python3 curl
  dpkg-dev lintian
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

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi

echo "Installing: ${missing[*]}"
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
