#!/usr/bin/env bash
# Compares the Base64 codec with coreutils' base64 in one run: makes 64 MiB
# of random data in a temporary folder, times `base64 -w0` and `base64 -d`
# on it (best of 5, output to /dev/null), then runs nz_base64_bench on the
# same files, which checks its output against coreutils', times the codec
# and a whole-file "contentsAsBinaryStream", and prints the ratios and the
# reader's peak heap use.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"
cmake --preset linux >/dev/null
cmake --build --preset linux --target nz_base64_bench >/dev/null

work="$(mktemp -d "${TMPDIR:-/tmp}/nz_base64_bench.XXXXXX")"
trap 'rm -rf "$work"' EXIT
head -c 67108864 /dev/urandom >"$work/data"
base64 -w0 "$work/data" >"$work/data.b64"

# Best wall time of N runs of a command, in nanoseconds.
best_ns() {
  local runs=$1 best=0 start end elapsed
  shift
  for ((i = 0; i < runs; i++)); do
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    elapsed=$((end - start))
    if ((best == 0 || elapsed < best)); then best=$elapsed; fi
  done
  echo "$best"
}

encode_ns=$(best_ns 5 base64 -w0 "$work/data")
decode_ns=$(best_ns 5 base64 -d "$work/data.b64")
"$here/build/linux/bench/nz_base64_bench" "$work/data" "$work/data.b64" "$encode_ns" "$decode_ns"
