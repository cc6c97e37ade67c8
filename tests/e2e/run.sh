#!/usr/bin/env bash
# Runs the real-browser test pages: starts the loopback server (server.py),
# opens each page in nz_browser under Xvfb with the plug-in folder in
# QTWEBKIT_PLUGIN_PATH, adds up every page's "N passed, N failed" and prints
# the total. Exits non-zero when a check failed or a page gave no result.
# The server is stopped in every case.
#
# Each page's browser gets a fresh state folder of its own (removed with the
# other temporary files): XDG_DATA_HOME, where the plug-in keeps its
# secondary plug-ins, XDG_CACHE_HOME, where its work folder (recovery files)
# lies, and the test module's call log (NZ_TEST_MODULE_LOG)
# lie there, so no page writes into the user's home. The server shows that
# folder at /state/ and builds packages around the test module.
#
# A page that needs a user at the keyboard has a driver beside it, PAGE_driver.sh
# (dialogs_driver.sh for dialogs.html): it is started in the page's display
# in place of the browser, with the browser's command line as its arguments
# and the state folder in NZ_E2E_STATE; it runs the browser itself, prints
# its own "N passed, N failed" after the page's, and both are counted.
#
# usage: run.sh [--browser FILE] [--plugin-dir DIR] [--test-module FILE]
#               [--timeout SECONDS] [--screenshots DIR] BUILD_DIR [PAGE.html ...]
#   BUILD_DIR     the linux build folder (build/linux)
#   PAGE.html     pages of tests/e2e to run (default: all of them)
#   --browser     nz_browser to use (default BUILD_DIR/tools/browser/nz_browser)
#   --plugin-dir  folder holding npNorvellZephel32.so (default BUILD_DIR/module)
#                 (BUILD_DIR/tests/e2e/stream_probe is added when it holds the
#                 stream probe)
#   --test-module the test secondary module that served packages carry
#                 (default BUILD_DIR/platform/nz_test_secondary_module.so)
#   --screenshots save one PNG per page into this folder
# Set NZ_E2E_HEADED=1 to use the current display instead of xvfb-run.
set -uo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
browser=""
plugin_dir=""
test_module=""
timeout=60
screenshots=""
while (($#)); do
  case "$1" in
    --browser) browser="$2"; shift 2 ;;
    --plugin-dir) plugin_dir="$2"; shift 2 ;;
    --test-module) test_module="$2"; shift 2 ;;
    --timeout) timeout="$2"; shift 2 ;;
    --screenshots) screenshots="$2"; shift 2 ;;
    -h|--help) sed -n '2,25p' "$0"; exit 0 ;;
    --) shift; break ;;
    -*) echo "run.sh: unknown option $1" >&2; exit 64 ;;
    *) break ;;
  esac
done
build="${1:?usage: run.sh [options] BUILD_DIR [PAGE.html ...]}"
shift
build="$(cd "$build" && pwd)"
browser="${browser:-$build/tools/browser/nz_browser}"
plugin_dir="${plugin_dir:-$build/module}"
test_module="${test_module:-$build/platform/nz_test_secondary_module.so}"
# The stream probe (tests/e2e/stream_probe), when built, joins the plug-in
# path for streams.html.
probe_dir="$build/tests/e2e/stream_probe"
if [ -f "$probe_dir/npNzStreamProbe.so" ]; then plugin_path="$plugin_dir:$probe_dir"; else plugin_path="$plugin_dir"; fi

pages=("$@")
if ((${#pages[@]} == 0)); then
  for f in "$here"/*.html; do pages+=("$(basename "$f")"); done
fi

if [ ! -x "$browser" ]; then
  echo "run.sh: no browser at $browser (is Qt5 WebKitWidgets installed? run scripts/setup.sh)" >&2
  exit 1
fi
if [ ! -f "$plugin_dir/npNorvellZephel32.so" ]; then
  echo "run.sh: note: no npNorvellZephel32.so in $plugin_dir; pages that need the plug-in will fail"
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/nz-e2e.XXXXXX")"
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$work/runtime}"
server_pid=""
stop_server() {
  if [ -n "$server_pid" ]; then
    kill "$server_pid" 2>/dev/null
    wait "$server_pid" 2>/dev/null
    server_pid=""
  fi
  rm -rf "$work"
}
trap stop_server EXIT
trap 'exit 130' INT TERM

state="$work/state"
server_args=(--port-file "$work/port" --state-dir "$state")
if [ -f "$test_module" ]; then server_args+=(--test-module "$test_module"); fi
"${NZ_PYTHON:-python3}" "$here/server.py" "${server_args[@]}" >"$work/server.log" 2>&1 &
server_pid=$!
# The server writes its port file once it listens; wait for it or for its end.
while [ ! -s "$work/port" ]; do
  if ! kill -0 "$server_pid" 2>/dev/null; then
    echo "run.sh: the test server did not start:" >&2
    cat "$work/server.log" >&2
    exit 1
  fi
  sleep 0.1
done
port="$(cat "$work/port")"
base="http://127.0.0.1:$port"
echo "run.sh: server at $base/, plug-in folder $plugin_path"

launcher=(xvfb-run -a -s "-screen 0 1024x768x24")
if [ "${NZ_E2E_HEADED:-0}" = 1 ]; then launcher=(); fi

total_passed=0
total_failed=0
for page in "${pages[@]}"; do
  echo "== $page"
  args=(--timeout "$timeout")
  if [ -n "$screenshots" ]; then
    mkdir -p "$screenshots"
    args+=(--screenshot "$screenshots/${page%.html}.png")
  fi
  # The browser's own exit code is kept in a file: xvfb-run now and then
  # fails to remove its temporary folder and then exits with 5 instead.
  driver=()
  if [ -x "$here/${page%.html}_driver.sh" ]; then driver=("$here/${page%.html}_driver.sh"); fi
  # A browser that finds no X server (xvfb-run now and then hands over a
  # display that is not up yet) has run nothing: the page gets one more try.
  for attempt in 1 2; do
    rm -f "$work/code"
    rm -rf "$state"
    mkdir -p "$state/data"
    env -u NZ_TEST_MODULE_RESULT XDG_DATA_HOME="$state/data" XDG_CACHE_HOME="$state/cache" NZ_TEST_MODULE_LOG="$state/test-module.log" \
      QTWEBKIT_PLUGIN_PATH="$plugin_path" NZ_E2E_CODE_FILE="$work/code" NZ_E2E_STATE="$state" "${launcher[@]}" \
      /bin/sh -c '"$@"; echo $? >"$NZ_E2E_CODE_FILE"' nz-e2e "${driver[@]}" "$browser" "${args[@]}" "$base/$page" \
      >"$work/page.out" 2>"$work/page.err" </dev/null
    code=$?
    if ((attempt == 1)) && grep -q "could not connect to display" "$work/page.err"; then
      echo "run.sh: note: $page found no X server; running it again"
      continue
    fi
    break
  done
  if [ -s "$work/code" ]; then code="$(cat "$work/code")"; fi
  cat "$work/page.out"
  # The page's summary, and its driver's when it has one.
  passed=0
  failed=0
  while read -r p _ f _; do
    passed=$((passed + p))
    failed=$((failed + f))
  done < <(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$work/page.out")
  if ((code != 0 && failed == 0)); then
    # No failed check was reported, yet the page did not end well (timeout,
    # load failure, crash): that counts as one failure of the page.
    echo "FAIL $page: browser exit code $code"
    failed=1
  fi
  if ((failed > 0)) && [ -s "$work/page.err" ]; then
    echo "-- browser stderr ($page):"
    tail -n 40 "$work/page.err"
  fi
  total_passed=$((total_passed + passed))
  total_failed=$((total_failed + failed))
done

echo "$total_passed passed, $total_failed failed"
((total_failed == 0))
