#!/usr/bin/env bash
# Installs what the build, the tests and the tool need on Debian 12 (run as root).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config zlib1g-dev clang libclang-rt-14-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins
  libreoffice-impress libreoffice-dev libreoffice-dev-common
  fonts-liberation2 fonts-crosextra-carlito fonts-dejavu-core
  python3 python3-olefile libgsf-bin
  xvfb xauth fp-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
