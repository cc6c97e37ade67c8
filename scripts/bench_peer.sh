#!/usr/bin/env bash
# Benchmarks the plug-in's file operations against the browser's own file
# API: the same operations on the same text, in the project's QtWebKit
# browser with the plug-in (tests/e2e/peer/plugin.html) and in headless
# Chromium with the Origin Private File System, its synchronous access
# handle in a worker for appends and small reads (tests/e2e/peer/opfs.html).
# Checks that both browsers got the same result of every operation (length
# and checksum) and prints a table: operation, size, plug-in time, Chromium
# time, their ratio (each time the best of the rounds). Installs Chromium
# from Debian's packages when it is missing and builds what it needs. Not
# part of the test command: the figures are for reading.
#
# usage: scripts/bench_peer.sh [--sizes 1,16,64] [--rounds 5]
#   sizes in MiB; operations: write a new file, 100 appends of 1 KiB, read
#   all as text, read all as Base64, 1,000 reads of 1 KiB from the middle.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
sizes="1,16,64"
rounds=5
while (($#)); do
  case "$1" in
    --sizes) sizes="$2"; shift 2 ;;
    --rounds) rounds="$2"; shift 2 ;;
    -h|--help) sed -n '2,16p' "$0"; exit 0 ;;
    *) echo "bench_peer.sh: unknown argument $1" >&2; exit 64 ;;
  esac
done
query="sizes=$sizes&rounds=$rounds"

if ! command -v chromium >/dev/null; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO apt-get install -y -qq --no-install-recommends chromium || exit 1
fi
"$here/scripts/setup.sh" >/dev/null || exit 1
cd "$here"
cmake --preset linux >/dev/null && cmake --build --preset linux --target npNorvellZephel32 nz_browser >/dev/null || exit 1

work="$(mktemp -d)"
server_pid=""
chromium_pid=""
cleanup() {
  [ -n "$chromium_pid" ] && kill "$chromium_pid" 2>/dev/null
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

echo "bench_peer: plug-in in nz_browser ..." >&2
tests/e2e/run.sh --timeout 3600 build/linux "peer/plugin.html?$query" >"$work/plugin.out" 2>&1
sed -n 's/^log: \(PEER .*\)/\1/p' "$work/plugin.out" | grep -v '^PEER done' >"$work/plugin.lines"

echo "bench_peer: Chromium with the Origin Private File System ..." >&2
python3 tests/e2e/server.py --port-file "$work/port" >"$work/server.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
port="$(cat "$work/port")"
chromium --headless=new --no-sandbox --disable-gpu --no-first-run --enable-logging=stderr --v=0 \
  --user-data-dir="$work/profile" "http://127.0.0.1:$port/peer/opfs.html?$query" >/dev/null 2>"$work/chromium.err" &
chromium_pid=$!
# Console lines appear in the log as ...CONSOLE...] "PEER ...", source: ...
for _ in $(seq 3600); do
  grep -q '"PEER \(done\|failed\)' "$work/chromium.err" && break
  kill -0 "$chromium_pid" 2>/dev/null || break
  sleep 0.5
done
sed -n 's/.*CONSOLE[^"]*"\(PEER [^"]*\)".*/\1/p' "$work/chromium.err" | grep -v '^PEER done' >"$work/chromium.lines"

python3 - "$work/plugin.lines" "$work/chromium.lines" <<'PY'
import sys

def read(path):
    rows, notes = {}, []
    for line in open(path):
        parts = line.split()
        if len(parts) == 6:
            _, op, mib, ms, length, checksum = parts
            rows[(op, int(mib))] = (float(ms), int(length), checksum)
        else:
            notes.append(line.strip())
    return rows, notes

ours, our_notes = read(sys.argv[1])
theirs, their_notes = read(sys.argv[2])
for note in our_notes + their_notes:
    print(note)
order = ["write", "append100", "readText", "readBase64", "smallReads"]
names = {"write": "write a new file", "append100": "100 appends of 1 KiB", "readText": "read all as text",
         "readBase64": "read all as Base64", "smallReads": "1,000 reads of 1 KiB"}
keys = sorted(set(ours) | set(theirs), key=lambda k: (order.index(k[0]) if k[0] in order else 99, k[1]))
print(f"{'operation':<24}{'MiB':>5}{'plug-in ms':>12}{'Chromium ms':>13}{'ratio':>8}  result")
bad = False
for key in keys:
    a, b = ours.get(key), theirs.get(key)
    if not a or not b:
        print(f"{names.get(key[0], key[0]):<24}{key[1]:>5}  missing in {'the plug-in run' if not a else 'Chromium'}")
        bad = True
        continue
    same = a[1] == b[1] and a[2] == b[2]
    bad |= not same
    ratio = a[0] / b[0] if b[0] > 0 else float("inf")
    check = "same" if same else f"DIFFERS ({a[1]}/{a[2]} against {b[1]}/{b[2]})"
    print(f"{names.get(key[0], key[0]):<24}{key[1]:>5}{a[0]:>12.1f}{b[0]:>13.1f}{ratio:>8.2f}  {check}")
sys.exit(1 if bad or not keys else 0)
PY
status=$?
if ((status != 0)); then
  echo "bench_peer: a result differs or is missing; plug-in output:" >&2
  tail -n 20 "$work/plugin.out" >&2
  echo "bench_peer: Chromium log:" >&2
  tail -n 20 "$work/chromium.err" >&2
fi
exit $status
