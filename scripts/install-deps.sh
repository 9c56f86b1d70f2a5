#!/usr/bin/env bash
# Installs every Debian package that building and testing the setup needs, when it is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev
  clang libclang-rt-14-dev
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 xvfb xauth x11-utils liblnk-utils imagemagick
  osslsigncode openssl
  x11vnc novnc websockify chromium
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "installing the Debian packages ${missing[*]} (apt-get; this can take a few minutes)"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
