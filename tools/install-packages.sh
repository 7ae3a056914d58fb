#!/usr/bin/env bash
# Installs the Debian packages that building and testing need (Debian 12, as root).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config ccache clang libclang-rt-14-dev
  zlib1g-dev libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev libxcb1-dev xvfb liblnk-utils fonts-dejavu-core
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
