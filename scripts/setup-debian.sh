#!/usr/bin/env bash
# Installs the Debian packages Tabulon builds and tests with. Safe to run again: apt-get only
# installs what is missing. Needs root (or sudo) on a Debian 12 machine.
set -euo pipefail

packages=(
  build-essential clang cmake ninja-build pkg-config ccache
  libexpat1-dev libzip-dev libarchive-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libgl-dev
  xz-utils bc
  mame
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
