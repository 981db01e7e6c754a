#!/usr/bin/env bash
# Installs every Debian package that building, testing and running Tarnwick
# needs. Safe to run again: it only installs what is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  zlib1g-dev libicu-dev
  libgif-dev poppler-utils librsvg2-bin librsvg2-dev
  libgumbo-dev liblitehtml-dev
  libpng-dev libjpeg62-turbo-dev libtiff-dev libwebp-dev
  libcairo2-dev libfreetype-dev libharfbuzz-dev libfontconfig-dev
  fonts-liberation2 fonts-liberation fonts-crosextra-carlito fonts-crosextra-caladea fonts-dejavu-core
  libcurl4-openssl-dev libssl-dev
  libgtk-3-dev libx11-dev libxtst-dev xvfb xauth
  adwaita-icon-theme hicolor-icon-theme shared-mime-info
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}"
  sudo_cmd=()
  [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
  export DEBIAN_FRONTEND=noninteractive
  "${sudo_cmd[@]}" apt-get update -qq
  "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
