#!/usr/bin/env bash
# Installs every Debian package the project needs. Safe to run again: apt-get
# skips what is already there, and the package lists are refreshed only when
# something is missing. Arguments name further packages a script needs.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-serialport-dev qt6-l10n-tools qt6-tools-dev qt6-tools-dev-tools
  qt6-qpa-plugins qt6-translations-l10n fonts-dejavu-core
  libudev-dev libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  socat xvfb xauth time help2man
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO=sudo
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
