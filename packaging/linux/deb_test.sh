#!/usr/bin/env bash
# The Debian package on this machine: installs it with dpkg, opens
# installed_plugin.html from a loopback server in nz_browser under Xvfb with
# no plug-in path variable and a fresh home (so the browser can only find the
# plug-in where the package put it), checks that the plug-in finds the
# installed dialog helper, removes the package with dpkg -r and checks that
# every file it listed is gone, that dpkg no longer knows it and that the
# browser no longer finds a plug-in for the type.
#   deb_test.sh <package.deb> <nz_browser> <test plug-in.so>
# The packaged plug-in trusts no loopback page, so it cannot be asked for a
# dialog here: the test plug-in of the same build tree (which shares its
# platform library, where the helper is looked for) is put alone in a plug-in
# folder, opens a folder dialog, and the helper must start from the
# installed folder; the test then ends that helper by its process id.
# Needs root. Skips (exit 0, a SKIP line) when not root, or when the package
# or a file it holds is already on the machine: the test leaves the machine
# as it found it, and removes the package also when a check fails.
# Prints PASS/FAIL lines; exits non-zero on any failure.
set -u
deb=$(realpath "$1") browser=$(realpath "$2") test_plugin=$(realpath "$3")
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
name=norvell-zephel
plugin=/usr/lib/mozilla/plugins/npNorvellZephel32.so

skip() { echo "SKIP the Debian package test: $*"; exit 0; }
[ "$(id -u)" -eq 0 ] || skip "needs root (dpkg -i); run it as root or through sudo"
dpkg -s "$name" >/dev/null 2>&1 && skip "dpkg knows $name already"
files=$(dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print substr($6, 2) }' | sort)
while read -r file; do [ -e "$file" ] && skip "$file exists already"; done <<<"$files"

failures=0
pass() { echo "PASS $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
check() { local what=$1; shift; if "$@"; then pass "$what"; else fail "$what"; fi; }

work="$(mktemp -d "${TMPDIR:-/tmp}/nz-deb.XXXXXX")"
server_pid=""
installed=0
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null && wait "$server_pid" 2>/dev/null
  if ((installed)); then dpkg -r "$name" >/dev/null 2>&1 || dpkg --purge "$name" >/dev/null 2>&1; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# What the package says about itself, and that it holds the plug-in, the
# helper and nothing else (no test programs).
version=$(dpkg-deb -f "$deb" Version)
depends=$(dpkg-deb -f "$deb" Depends)
echo "package $name $version, Depends: $depends"
check "the package is $name" test "$(dpkg-deb -f "$deb" Package)" == "$name"
check "Depends names the C++ runtime and GTK 3" grep -q "libstdc++6.*libgtk-3-0\|libgtk-3-0.*libstdc++6" <<<"$depends"
check "a maintainer and a description" test -n "$(dpkg-deb -f "$deb" Maintainer)" -a -n "$(dpkg-deb -f "$deb" Description)"
helper_dir=$(dirname "$(grep '/nz_dialog_helper$' <<<"$files")")
check "the package holds the plug-in and the dialog helper only" \
  test "$files" == "$(printf '%s\n' "$plugin" "$helper_dir/nz_dialog_helper" | sort)"

# A loopback server for the page, stopped in every case.
mkdir -p "$work/site" "$work/home"
cp "$here/installed_plugin.html" "$here/../../tests/e2e/nz_test.js" "$work/site/"
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/site" >"$work/server.log" 2>&1 &
server_pid=$!
port=""
while [ -z "$port" ] && kill -0 "$server_pid" 2>/dev/null; do
  sleep 0.1
  port=$(sed -n 's/^Serving HTTP on [0-9.]* port \([0-9]*\).*/\1/p' "$work/server.log")
done
[ -n "$port" ] || { fail "the loopback server did not start"; cat "$work/server.log"; exit 1; }

# Opens the page with QUERY, with the plug-in folder PLUGIN_PATH ("" for
# none); the page's checks are the browser's output.
browse() {
  local attempt code path=()
  [ -n "${2:-}" ] && path=(QTWEBKIT_PLUGIN_PATH="$2")
  for attempt in 1 2; do  # a display that was not up yet gets one more try
    env -u QTWEBKIT_PLUGIN_PATH -u MOZ_PLUGIN_PATH -u NORVELL_ZEPHEL_DIALOG_HELPER "${path[@]}" HOME="$work/home" \
      XDG_DATA_HOME="$work/home/data" XDG_CACHE_HOME="$work/home/cache" XDG_CONFIG_HOME="$work/home/config" \
      PATH=/usr/bin:/bin xvfb-run -a -s "-screen 0 800x600x24" "$browser" --timeout 30 \
      "http://127.0.0.1:$port/installed_plugin.html?$1" >"$work/page.out" 2>"$work/page.err" </dev/null
    code=$?
    grep -q "could not connect to display" "$work/page.err" || break
  done
  sed 's/^/    /' "$work/page.out"
  grep -qE '^[0-9]+ passed, 0 failed$' "$work/page.out" && ((code == 0))
}

# The test plug-in's folder dialog: its helper must start from the installed
# folder (waited for, at most 20 s); it is ended by its process id.
helper_starts_from() {
  local pid="" i
  mkdir -p "$work/plugins"
  cp "$test_plugin" "$work/plugins/"
  browse helper "$work/plugins" &
  local page=$!
  for ((i = 0; i < 200 && ${#pid} == 0; i++)); do
    sleep 0.1
    pid=$(pgrep -n -f "^$1/nz_dialog_helper folder ")
  done
  [ -n "$pid" ] && kill "$pid"
  wait "$page" && [ -n "$pid" ]
}

echo "== dpkg -i"
installed=1  # also a failed dpkg -i may leave the package half installed
if dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then pass "dpkg -i"; else fail "dpkg -i"; cat "$work/dpkg.log"; exit 1; fi
check "the browser finds the installed plug-in, which answers version $version" browse "version=$version"
check "the dialog helper is installed executable" test -x "$helper_dir/nz_dialog_helper"
check "the plug-in starts the dialog helper from $helper_dir" helper_starts_from "$helper_dir"
check "every library of the plug-in and the helper is found" \
  bash -c '! ldd "$1" "$2" | grep -q "not found"' ldd "$plugin" "$helper_dir/nz_dialog_helper"

echo "== dpkg -r"
dpkg -r "$name" >"$work/dpkg.log" 2>&1 && installed=0
check "dpkg -r" test "$installed" == 0
check "dpkg no longer knows $name" bash -c '! dpkg -s "$1" >/dev/null 2>&1' dpkg-s "$name"
while read -r file; do
  check "removed $file" test ! -e "$file"
done <<<"$files"
check "removed $helper_dir" test ! -e "$helper_dir"
check "the browser finds no plug-in for the type any more" browse absent

if ((failures)); then echo "FAIL $failures check(s) failed"; exit 1; fi
echo "PASS all Debian package checks"
