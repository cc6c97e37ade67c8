#!/usr/bin/env bash
# The demo: installs what is missing, builds the Linux port, starts the
# loopback server and opens examples/demo.html in the project's QtWebKit
# browser with the plug-in. With a display the window stays open; without
# one the page runs under Xvfb, its steps are printed and a screenshot is
# saved to build/demo.png.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$here"

"$here/scripts/setup.sh"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "${NZ_JOBS:-$(nproc)}" --target npNorvellZephel32 nz_browser nz_dialog_helper

build="$here/build/linux"
work="$(mktemp -d "${TMPDIR:-/tmp}/nz-demo.XXXXXX")"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

python3 "$here/tests/e2e/server.py" --port-file "$work/port" >"$work/server.log" 2>&1 &
server_pid=$!
while [ ! -s "$work/port" ]; do
  kill -0 "$server_pid" 2>/dev/null || { cat "$work/server.log" >&2; exit 1; }
  sleep 0.1
done
url="http://127.0.0.1:$(cat "$work/port")/examples/demo.html"
export QTWEBKIT_PLUGIN_PATH="$build/module"
export NORVELL_ZEPHEL_DIALOG_HELPER="$build/tools/dialog_helper/nz_dialog_helper"
echo "demo: $url"

if [ -n "${DISPLAY:-}" ]; then
  "$build/tools/browser/nz_browser" --keep-open --size 900x700 "$url"
else
  mkdir -p "$work/runtime" && chmod 700 "$work/runtime"
  XDG_RUNTIME_DIR="$work/runtime" xvfb-run -a -s "-screen 0 1024x768x24" \
    "$build/tools/browser/nz_browser" --timeout 60 --size 900x700 \
    --screenshot "$here/build/demo.png" "$url" || true
  echo "demo: screenshot saved to build/demo.png"
fi
