#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12. Runs apt-get only
# for packages that are missing, so a prepared machine is left alone.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-dbf python3-dbfread libdbd-xbase-perl
  qt6-base-dev fonts-liberation2 xvfb xauth poppler-utils qpdf
  dpkg-dev lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    sudo=sudo
  else
    sudo=
  fi
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
