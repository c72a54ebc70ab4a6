#!/usr/bin/env bash
# Installs, with apt-get, every Debian package the project builds, tests or
# benchmarks with, and only those that are missing. Safe to run again.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang ccache libclang-rt-14-dev clang-format python3
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libsdl2-dev libjpeg62-turbo-dev
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev libswresample-dev
  libfreetype-dev libfontconfig-dev fonts-liberation libgl-dev libegl-dev libgl1-mesa-dri
  # peers for the benchmarks only
  libpixman-1-dev lua5.1 lua5.4 luajit ncompress libtiff-dev
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

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
