#!/usr/bin/env bash
# Installs every Debian 12 package Tolvan needs to build, run and test.
# Non-interactive and idempotent: packages already present are left alone.
# Runs as root, or through sudo for any other user.
set -euo pipefail

PACKAGES=(
  # toolchain
  build-essential cmake pkg-config git python3 clang lld libclang-rt-14-dev
  # window, GL context, input, audio device
  libsdl2-dev libsdl2-mixer-dev
  # fixed-function OpenGL, Mesa software rendering
  libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libegl-mesa0
  # fonts and Thai shaping
  libftgl-dev libfreetype-dev libthai-dev
  # images
  libpng-dev libjpeg-dev zlib1g-dev
  # MP3
  libmad0-dev
  # HTTP(S) and JSON
  libcurl4-openssl-dev libcurlpp-dev libjsoncpp-dev
  # embedded web view, X11 splash
  libwebkit2gtk-4.1-dev libx11-dev
  # device id
  uuid-dev
  # tests and benchmarks
  libgtest-dev libgmock-dev libbenchmark-dev valgrind openssl
  # headless runs
  xvfb xauth xdotool x11-apps x11-utils imagemagick
  # the desktop install's test checks the menu entry
  desktop-file-utils
  # local server
  libasio-dev libsqlite3-dev libcpp-httplib-dev
  # art and sound generation
  libcairo2-dev libpango1.0-dev sox libsox-fmt-mp3 lame
  fonts-tlwg-waree-ttf fonts-tlwg-loma-ttf fonts-nanum fonts-dejavu-core python3-fonttools
)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
    echo "install-deps: run as root or install sudo" >&2; exit 1
  fi
fi

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: all ${#PACKAGES[@]} packages present"
  exit 0
fi

echo "install-deps: installing ${#missing[@]} packages: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
echo "install-deps: done"
