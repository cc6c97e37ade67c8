#!/usr/bin/env bash
# Runs the call benchmark: bench.html in nz_browser with both the plug-in's
# folder and the baseline plug-in's folder (bench_plugin/, target
# nz_bench_plugin) on QTWEBKIT_PLUGIN_PATH. The page prints calls per second
# for the plug-in, the baseline and a plain script object, the ratios, and the
# browser's resident memory before and after a million calls. Not part of
# CTest: the figures are for reading, not for passing.
#
# usage: bench.sh [--calls N] [--timeout SECONDS] BUILD_DIR
#   BUILD_DIR   the linux build folder (build/linux), with npNorvellZephel32,
#               nz_browser and nz_bench_plugin built
#   --calls     calls of each kind per plug-in (default 100000)
#   --timeout   seconds the page may take (default 900)
# NZ_BENCH_QUERY adds page parameters: rounds=N (best of N runs, default 5),
# kinds=read,write,call (which calls), long=N (calls per memory run),
# memoryRuns=N (memory runs per kind, default 2).
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
calls=100000
timeout=900
while (($#)); do
  case "$1" in
    --calls) calls="$2"; shift 2 ;;
    --timeout) timeout="$2"; shift 2 ;;
    -h|--help) sed -n '2,17p' "$0"; exit 0 ;;
    -*) echo "bench.sh: unknown option $1" >&2; exit 64 ;;
    *) break ;;
  esac
done
build="${1:?usage: bench.sh [--calls N] [--timeout SECONDS] BUILD_DIR}"
build="$(cd "$build" && pwd)"
product_dir="$build/module"
baseline_dir="$build/tests/e2e/bench_plugin"
for needed in "$product_dir/npNorvellZephel32.so" "$baseline_dir/npNzBench.so"; do
  if [ ! -f "$needed" ]; then
    echo "bench.sh: missing $needed (cmake --build --preset linux --target npNorvellZephel32 nz_bench_plugin nz_browser)" >&2
    exit 1
  fi
done

# run.sh serves the page and starts the browser; its plug-in folder may be a
# colon-separated list, which it hands on as QTWEBKIT_PLUGIN_PATH.
"$here/run.sh" --timeout "$timeout" --plugin-dir "$product_dir:$baseline_dir" "$build" "bench.html?calls=$calls${NZ_BENCH_QUERY:+&$NZ_BENCH_QUERY}" |
  grep -v '^run.sh: note: no npNorvellZephel32.so in '
