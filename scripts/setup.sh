#!/usr/bin/env bash
# Installs the Debian packages the build, the tests, the demo generator and
# CI need, so that no test depends on what a machine happens to have.
# A no-op when everything is already there.
set -euo pipefail

packages=(
  # the build
  build-essential cmake pkg-config ccache
  libsdl2-dev libx11-dev zlib1g-dev libjpeg62-turbo-dev libfreetype-dev libfontconfig-dev
  libmpg123-dev libimgui-dev
  # the tests: gtest, the reference decoders, the fonts the font tests name
  # (Noto CJK, Noto Mono, DejaVu with its italics), ImageMagick's convert
  # for pictures written by other tools, sox and lame for sounds
  googletest libgtest-dev libbenchmark-dev libpng-dev libpixman-1-dev
  fonts-noto-cjk fonts-noto-mono fonts-dejavu-core fonts-dejavu-extra imagemagick
  sox libsox-fmt-all lame desktop-file-utils appstream man-db
  # scripts/measure-load.sh: the real player under an X server of its own
  xvfb xdotool
  # the demo generator: the song's voice and its MP3 encoding
  espeak-ng
  # self-voicing: the speech service, its client library and its espeak-ng
  # voice (the speech test runs a private speech-dispatcher of its own)
  speech-dispatcher libspeechd-dev speech-dispatcher-espeak-ng
  # fuzzing and the thread sanitizer build: clang, its libFuzzer and
  # sanitizer runtimes, and the symbolizer for readable reports
  clang libclang-rt-14-dev llvm
  # the Debian packages (scripts/build-deb.sh) and their checks
  debhelper dpkg-dev fakeroot lintian
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
