#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo generator need.
# A no-op when everything is already there.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  libsdl2-dev zlib1g-dev libjpeg62-turbo-dev libfreetype-dev libfontconfig-dev
  fonts-noto-cjk libmpg123-dev libimgui-dev
  googletest libgtest-dev libbenchmark-dev
  libpng-dev libpixman-1-dev sox libsox-fmt-all lame espeak-ng
)

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "setup: installing ${missing[*]}"
sudo=""
[[ $(id -u) -eq 0 ]] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
