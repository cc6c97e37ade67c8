#!/usr/bin/env bash
# Fuzzes every target of fuzz/ for a while: builds them in the linux-asan
# build (AddressSanitizer + UndefinedBehaviorSanitizer + libFuzzer, clang),
# then runs each for the given number of seconds (default 60), as many at a
# time as there are cores (NZ_JOBS). Inputs that found new code are kept in build/fuzz/corpus/<target>/
# (not in git), seeded from fuzz/corpus/<target>/. An input that crashes a
# target or breaks one of its properties is left in build/fuzz/crashes/ and
# the script fails; copy it into fuzz/corpus/<target>/ once fixed, so that
# the normal test run replays it.
# usage: scripts/fuzz.sh [seconds] [target ...]   (targets: the names in fuzz/)
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
seconds="${1:-60}"
shift || true
jobs="${NZ_JOBS:-$(nproc)}"

cmake --preset linux-asan >/dev/null || exit 1
build="$here/build/linux-asan"
if (($#)); then targets=("$@"); else
  mapfile -t targets < <(cd fuzz && ls -- *_fuzz.cpp | sed 's/_fuzz\.cpp$//')
fi
cmake --build "$build" -j "$jobs" --target "${targets[@]/#/nz_fuzz_}" || exit 1

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
crashes="$here/build/fuzz/crashes"
logs="$here/build/fuzz/logs"
mkdir -p "$crashes" "$logs"
fuzz_one() {
  local target=$1 corpus="$here/build/fuzz/corpus/$1" log="$logs/$1.log" dict=() rc execs cov
  mkdir -p "$corpus"
  if [ -f "fuzz/$target.dict" ]; then dict=(-dict="fuzz/$target.dict"); fi
  # New inputs go to the first folder only; the seeds are read, never written.
  "$build/fuzz/nz_fuzz_$target" "${dict[@]}" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -artifact_prefix="$crashes/$target-" -print_final_stats=1 "$corpus" "fuzz/corpus/$target" >"$log" 2>&1
  rc=$?
  execs=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$')
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1)
  if ((rc == 0)); then
    echo "fuzz: $target clean, ${execs:-?} exec/s, ${cov:-cov: ?} ($seconds s)"
  else
    echo "fuzz: $target FAILED (exit $rc), input left in $crashes/, log $log
$(grep -E "ERROR|property broken|runtime error|SUMMARY|Test unit written" "$log" | head -10)"
    return 1
  fi
}

status=0
running=0
for target in "${targets[@]}"; do
  if ((running >= jobs)); then
    wait -n || status=1
    running=$((running - 1))
  fi
  fuzz_one "$target" &
  running=$((running + 1))
done
while ((running > 0)); do
  wait -n || status=1
  running=$((running - 1))
done
exit $status
