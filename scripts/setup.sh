#!/usr/bin/env bash
# Installs everything the build and the tests need from Debian's packages.
# Idempotent: when every package is present it only checks and returns.
set -euo pipefail

packages=(
  cmake g++ make ninja-build pkg-config
  libboost-dev libutfcpp-dev
  zlib1g-dev libminizip-dev libz-mingw-w64-dev bzip2
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  mingw-w64 mingw-w64-tools g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine wine64
  libgtk-3-dev xvfb xauth xdotool
  qtbase5-dev libqt5webkit5-dev
  python3 valgrind
  dpkg-dev file
  node-typescript
  clang libclang-rt-dev llvm
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

# minizip's sources for the Windows builds (Debian packages it for Linux
# only): the contrib/minizip folder of Debian's zlib source package, fetched
# once into the ignored folder third_party/fetched/minizip. apt-get runs on a
# private source list, package lists and cache, so the machine's apt
# configuration stays as it is.
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
minizip="$here/third_party/fetched/minizip"
minizip_files=(unzip.c unzip.h ioapi.c ioapi.h iowin32.c iowin32.h crypt.h zip.c zip.h)
if [ -f "$minizip/fetched" ]; then
  echo "setup: minizip sources present"
else
  echo "setup: fetching minizip sources (Debian's zlib source package)"
  work="$(mktemp -d)"
  trap 'rm -rf "$work"' EXIT
  chmod 755 "$work"  # apt downloads as its own user when it can
  mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/download"
  chmod 777 "$work/download"
  cat >"$work/zlib.sources" <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
  apt_private=(
    -o "Dir::Etc::SourceList=$work/zlib.sources" -o Dir::Etc::SourceParts=/nonexistent
    -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache"
  )
  apt-get "${apt_private[@]}" update -qq
  (cd "$work/download" && apt-get "${apt_private[@]}" source --download-only -qq zlib)
  tarball=("$work"/download/zlib_*.orig.tar.*)
  tar -xf "${tarball[0]}" -C "$work" --wildcards '*/contrib/minizip/*'
  rm -rf "$minizip"
  mkdir -p "$minizip"
  for f in "${minizip_files[@]}"; do cp "$work"/zlib-*/contrib/minizip/"$f" "$minizip/"; done
  basename "${tarball[0]}" >"$minizip/fetched"  # written last: marks a complete fetch
fi

# A wine prefix for the Windows tests, made once.
if [ -z "${WINEPREFIX:-}" ]; then export WINEPREFIX="$HOME/.wine-norvell"; fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "setup: creating wine prefix $WINEPREFIX"
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wine wineboot -i >/dev/null 2>&1 || true
fi
