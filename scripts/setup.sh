#!/usr/bin/env bash
# Installs what building and testing need on Debian 12; does nothing when all is there.
set -euo pipefail

packages=(cmake ninja-build g++ g++-multilib libsndfile1-dev libsndfile1-dev:i386
          g++-mingw-w64-i686 wine wine32:i386 googletest
          clang libclang-rt-14-dev gnuplot-nox valgrind file)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

cmd="dpkg --add-architecture i386 && apt-get update && apt-get install -y --no-install-recommends --no-remove ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  echo "Missing packages: ${missing[*]}" >&2
  echo "Run as root: $cmd" >&2
  exit 1
fi
echo "Installing: ${missing[*]}"
dpkg --add-architecture i386
apt-get update -qq
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends --no-remove "${missing[@]}"
