#!/usr/bin/env bash
# Installs the Debian packages the project needs. Installs only what is
# missing, refreshes the package index once first, and works as root or
# through sudo.
set -euo pipefail

packages=(
  build-essential
  cmake
  make
  clang
  clang-format
  libclang-rt-dev
  googletest
  libgtest-dev
  libgmock-dev
  g++-mingw-w64-i686
  mingw-w64-i686-dev
  g++-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  wine64
  wine
  xvfb
  xauth
  x11-apps
  imagemagick
  qt6-base-dev
  qt6-base-dev-tools
  libgl-dev
  libbenchmark-dev
  srecord
  python3
  dpkg-dev
  file
  pkg-config
  libusb-1.0-0-dev
  umockdev
  libumockdev-dev
  gcovr
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

if [[ $(id -u) -eq 0 ]]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "setup: need root or sudo to install: ${missing[*]}" >&2
  exit 1
fi

echo "setup: installing ${missing[*]}"
"${as_root[@]}" apt-get update
DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
