#!/usr/bin/env bash
# Builds the install packages into dist/ (not in git):
#   norvell-zephel_<version>_<arch>.deb   the Linux plug-in and its dialog
#                                         helper (CPack, from the linux build)
#   norvell-zephel-<version>-win32.zip    the 32-bit DLL (win32 build) with
#                                         install.cmd, uninstall.cmd, the
#                                         page reference and the typings
# Builds what it needs in the linux and win32 build trees (configuring them
# when they are not), and prints each package's size and each step's time.
# usage: scripts/package.sh
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
jobs="${NZ_JOBS:-$(nproc)}"
dist="$here/dist"

step_start=$SECONDS
step() {  # ends the step running so far with its time, and names the next
  if [ -n "${step_name:-}" ]; then echo "package.sh: $step_name: $((SECONDS - step_start)) s"; fi
  step_name=$1
  step_start=$SECONDS
}

step "build linux"
[ -f build/linux/build.ninja ] || cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target nz_package_files
step "build win32"
[ -f build/win32/build.ninja ] || cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs" --target npNorvellZephel32

version=$(sed -n 's/^#define NZ_VERSION_TEXT "\(.*\)"$/\1/p' build/linux/generated/nz_version.h)
[ -n "$version" ] || { echo "package.sh: no version in build/linux/generated/nz_version.h" >&2; exit 1; }
mkdir -p "$dist"
rm -f "$dist"/norvell-zephel_*.deb "$dist"/norvell-zephel-*-win32.zip  # one version's packages only

step "Debian package"
work=build/linux/cpack
rm -rf "$work"
cpack --config build/linux/CPackConfig.cmake -B "$work" >"$work.log" 2>&1 || { cat "$work.log" >&2; exit 1; }
debs=("$work"/*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "package.sh: cpack made no single .deb" >&2; exit 1; }
cp "${debs[0]}" "$dist/"

step "Windows zip"
name="norvell-zephel-$version-win32"
stage=build/win32/zip
rm -rf "$stage"
mkdir -p "$stage/$name/docs" "$stage/$name/types"
# Without the debugging information the build keeps (RelWithDebInfo).
strip=$(sed -n 's/^CMAKE_STRIP:FILEPATH=//p' build/win32/CMakeCache.txt)
"$strip" --strip-unneeded -o "$stage/$name/npNorvellZephel32.dll" build/win32/module/npNorvellZephel32.dll
for script in install uninstall; do  # cmd.exe reads its scripts with CRLF line ends
  sed 's/\r*$/\r/' "packaging/windows/$script.cmd" >"$stage/$name/$script.cmd"
done
cp docs/page-api.md "$stage/$name/docs/"
cp types/norvell-zephel.d.ts "$stage/$name/types/"
if [ -f js/norvell-zephel.js ]; then
  mkdir -p "$stage/$name/js"
  cp js/norvell-zephel.js "$stage/$name/js/"
fi
rm -f "$dist/$name.zip"
(cd "$stage" && cmake -E tar cf "$dist/$name.zip" --format=zip "$name")
step ""

for file in "$dist/$(basename "${debs[0]}")" "$dist/$name.zip"; do
  echo "package.sh: $(basename "$file"): $(stat -c %s "$file") bytes"
done
