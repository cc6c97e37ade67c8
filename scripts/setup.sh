#!/usr/bin/env bash
# Installs everything the build and the tests need from Debian's packages.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

packages=(
  cmake g++ make ninja-build pkg-config
  libboost-dev libutfcpp-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  mingw-w64 mingw-w64-tools g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64
  libgtk-3-dev xvfb xauth
  qtbase5-dev libqt5webkit5-dev
  python3
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
  echo "setup: all packages present"
fi

# A wine prefix for the Windows tests, made once.
if [ -z "${WINEPREFIX:-}" ]; then export WINEPREFIX="$HOME/.wine-norvell"; fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: creating wine prefix $WINEPREFIX"
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i >/dev/null 2>&1 || true
fi
