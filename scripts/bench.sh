#!/usr/bin/env bash
# Builds the linux target and runs the benchmarks; extra arguments go to
# every benchmark program (for example --benchmark_filter=Call).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/build.sh" linux >/dev/null
for program in "$here"/build/linux/bench/nz_*_bench; do
  echo "== $(basename "$program")"
  "$program" "$@"
done
