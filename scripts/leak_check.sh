#!/usr/bin/env bash
# Runs every native unit test program of a build under valgrind memcheck and
# fails when one leaks memory for certain (definitely lost blocks) or makes an
# invalid access. Usage: scripts/leak_check.sh [build folder] (default
# build/linux). Each program's log goes to <build>/leak-check/<program>.log.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${1:-$here/build/linux}"
logs="$build/leak-check"
mkdir -p "$logs"
jobs="${NZ_JOBS:-$(nproc)}"

programs=$(find "$build" -path "$logs" -prune -o -type f -executable -name 'nz_*_tests' -print | sort)
if [ -z "$programs" ]; then
  echo "leak check: no test programs under $build" >&2
  exit 1
fi

check() {
  local program="$1" name
  name="$(basename "$program")"
  if (cd "$(dirname "$program")" &&
      valgrind --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=99 \
        --suppressions="$here/scripts/valgrind.supp" -q "./$name") >"$logs/$name.log" 2>&1; then
    echo "leak check: $name clean"
  else
    echo "leak check: $name FAILED (see $logs/$name.log)"
    grep -E "definitely lost in|Invalid (read|write)|FAILED" "$logs/$name.log" | head -20
    return 1
  fi
}
export -f check
export here logs

echo "$programs" | xargs -P "$jobs" -I{} bash -c 'check "$@"' _ {}
