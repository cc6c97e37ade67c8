#!/usr/bin/env bash
# The project's test command: installs what is missing, builds the three
# targets (linux, win64, and win32's module) and runs every test suite:
# natively on linux, under wine on win64. Then the install packages
# (scripts/package.sh) are built and tried (packaging/). Then the linux-asan
# build (clang,
# AddressSanitizer + UndefinedBehaviorSanitizer, with LeakSanitizer's leak
# check at exit): every unit test program, the real-browser pages and the
# fuzz corpora replayed, and each fuzz target fuzzed for NZ_FUZZ_SECONDS
# (default 20). NZ_TSAN=1 adds the linux-tsan build and its tests, and
# NZ_VALGRIND=1 the valgrind leak check of the linux build (both left out by
# default to keep the run short). Ends with CTest's summary of each run.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

"$here/scripts/setup.sh"

jobs="${NZ_JOBS:-$(nproc)}"
for preset in linux win64; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done
# win32 is the shipped DLL; its test programs would have no 32-bit wine to
# run under, so only the module is built (scripts/build.sh win32 builds all).
echo "== build win32 (the module)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs" --target npNorvellZephel32

status=0
for preset in linux win64; do
  echo "== test $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done
# The install packages, and each one tried: the Debian package installed on
# this machine and removed again (as root only: it skips otherwise), the
# Windows scripts under wine. Not inside a ctest run: an installed plug-in
# would be seen by the other real-browser pages.
echo "== packages"
if "$here/scripts/package.sh"; then
  "$here/packaging/linux/deb_test.sh" "$here"/dist/norvell-zephel_*.deb "$here/build/linux/tools/browser/nz_browser" \
    "$here/build/linux/module/npNorvellZephel32.so" ||
    status=1
  "$here/packaging/windows/install_scripts_test.sh" "$here"/dist/norvell-zephel-*-win32.zip \
    "$here/build/win64/module/npNorvellZephel32.dll" "$here/activex/activex_ids_win.h" || status=1
else
  status=1
fi
if [ "${NZ_VALGRIND:-0}" = 1 ]; then
  echo "== leak check linux (valgrind)"
  "$here/scripts/leak_check.sh" "$here/build/linux" || status=1
fi

sanitizers=(linux-asan)
if [ "${NZ_TSAN:-0}" = 1 ]; then sanitizers+=(linux-tsan); fi
for preset in "${sanitizers[@]}"; do
  echo "== build $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== test $preset"
  ctest --preset "$preset" -j "$jobs" || status=1
done
echo "== fuzz (${NZ_FUZZ_SECONDS:-20} s per target)"
"$here/scripts/fuzz.sh" "${NZ_FUZZ_SECONDS:-20}" || status=1
exit $status
