#!/usr/bin/env bash
# Registration of the ActiveX control under wine, in a private wine prefix
# made for this run (so other test runs never see the keys):
#   activex_registration_test.sh <module.dll> <com_register_tool.exe> <ids header> <work dir>
# Registers with regsvr32 and reads every key back with `reg query`,
# unregisters and checks what stays, registers through DllInstall with
# /n /i:user, and through a registering program named heat.exe (machine
# wide) and Heat.exe (per user). Prints PASS/FAIL lines; exits non-zero on
# any failure.
set -u
module_unix=$1 tool_unix=$2 ids_header=$3 work=$4

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$work" && mkdir -p "$work"
cleanup() { wineserver -k >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
wine wineboot -i >/dev/null 2>&1 || { echo "FAIL cannot make a wine prefix"; exit 1; }

failures=0
pass() { echo "PASS $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

id_of() { sed -n "s/^#define $1 \\([0-9A-F-]*\\)\$/{\\1}/p" "$ids_header"; }
CLSID=$(id_of NZ_AX_CLSID_FBCONTROL)
APPID=$(id_of NZ_AX_APPID)
LIBID=$(id_of NZ_AX_LIBID)
[ -n "$CLSID" ] && [ -n "$APPID" ] && [ -n "$LIBID" ] || { echo "FAIL identifiers not found in $ids_header"; exit 1; }

# The module and the registering programs live inside the run's folder.
cp "$module_unix" "$work/npNorvellZephel32.dll"
cp "$tool_unix" "$work/heat.exe"
cp "$tool_unix" "$work/Heat.exe"
MODULE=$(winepath -w "$work/npNorvellZephel32.dll" 2>/dev/null)

# The registry is read with `reg query ROOT /s` once per phase for a few
# roots (snapshot), and every check looks at that text: starting wine for
# each key would take minutes.
SNAPSHOT="$work/snapshot.txt"
snapshot() {  # keys to read with their subtrees; a key ending in "|" without them
  : >"$SNAPSHOT"
  local root
  for root in "$@"; do
    if [ "${root%|}" != "$root" ]; then
      wine reg query "${root%|}" 2>/dev/null | tr -d '\r' >>"$SNAPSHOT"
    else
      wine reg query "$root" /s 2>/dev/null | tr -d '\r' >>"$SNAPSHOT"
    fi
  done
}
long_name() { sed 's/^HKCU/HKEY_CURRENT_USER/; s/^HKLM/HKEY_LOCAL_MACHINE/' <<<"$1"; }

# The values below KEY in the snapshot as lines "subkey|name|type|data",
# the subkey relative to KEY.
dump() {
  ROOT="$(long_name "$1")" awk '
    BEGIN { root = ENVIRON["ROOT"] }
    /^HKEY_/ { inside = ($0 == root || index($0, root "\\") == 1); key = substr($0, length(root) + 2); next }
    inside && /^    / {
      line = substr($0, 5); n = split(line, f, /    /)
      data = f[3]; for (i = 4; i <= n; i++) data = data "    " f[i]
      print key "|" f[1] "|" f[2] "|" data
    }' "$SNAPSHOT"
}
exists() { sed 's/[[:space:]]*$//' "$SNAPSHOT" | grep -qxF "$(long_name "$1")"; }

expect_dump() {  # key, expected lines on stdin
  local actual expected
  actual=$(dump "$1")
  expected=$(cat)
  if [ "$actual" == "$expected" ]; then
    pass "$1"
  else
    fail "$1"
    diff <(echo "$expected") <(echo "$actual") | sed 's/^/    /'
  fi
}

DESC="Norvell Zephel - 1.0.7"
EXT='HKCU\Software\Microsoft\Windows\CurrentVersion\Ext'

# Everything registration writes, below the classes root $1.
check_registered() {
  local classes=$1
  expect_dump "$classes\\Norvell.NorvellZephel.1" <<END
|(Default)|REG_SZ|$DESC
CLSID|(Default)|REG_SZ|$CLSID
END
  expect_dump "$classes\\Norvell.NorvellZephel" <<END
|(Default)|REG_SZ|$DESC
CLSID|(Default)|REG_SZ|$CLSID
CurVer|(Default)|REG_SZ|Norvell.NorvellZephel.1
END
  expect_dump "$classes\\CLSID\\$CLSID" <<END
|(Default)|REG_SZ|$DESC
|AppID|REG_SZ|$APPID
InprocServer32|(Default)|REG_SZ|$MODULE
InprocServer32|ThreadingModel|REG_SZ|Apartment
MiscStatus|(Default)|REG_SZ|0
MiscStatus\\1|(Default)|REG_SZ|131473
ProgID|(Default)|REG_SZ|Norvell.NorvellZephel.1
TypeLib|(Default)|REG_SZ|$LIBID
Version|(Default)|REG_SZ|1
VersionIndependentProgID|(Default)|REG_SZ|Norvell.NorvellZephel
END
  expect_dump "$classes\\MIME\\Database\\Content Type\\application/x-norvellzephel32" <<END
|(Default)|REG_SZ|$DESC
|CLSID|REG_SZ|$CLSID
|Extension|REG_SZ|
END
  expect_dump "$classes\\AppID\\$APPID" <<END
|(Default)|REG_SZ|NorvellZephelWin
END
  expect_dump "$classes\\AppID\\npNorvellZephel32.dll" <<END
|AppID|REG_SZ|$APPID
END
  local empty
  for empty in "$classes\\CLSID\\$CLSID\\Control" "$classes\\CLSID\\$CLSID\\Programmable" \
      "$EXT\\PreApproved\\$CLSID" "$EXT\\Stats\\$CLSID\\iexplore\\AllowedDomains\\*"; do
    exists "$empty" && pass "$empty exists" || fail "$empty missing"
  done
  expect_dump "$EXT\\PreApproved\\$CLSID" </dev/null
  expect_dump "$EXT\\Stats\\$CLSID" <<END
iexplore|Count|REG_DWORD|0x0
END
  expect_dump 'HKCU\Software\MozillaPlugins\norvellzephel.com/NorvellZephel' <<END
|Path|REG_SZ|$MODULE
END
  # The type library's entry carries its help text.
  local typelib
  typelib=$(dump "HKLM\\Software\\Classes\\TypeLib\\$LIBID" | grep -c "^1.0|(Default)|REG_SZ|NorvellZephel 1.0 Type Library$")
  [ "$typelib" == 1 ] && pass "type library registered" || fail "type library not registered"
}

check_unregistered() {
  local classes=$1 key
  for key in "$classes\\Norvell.NorvellZephel.1" "$classes\\Norvell.NorvellZephel" "$classes\\CLSID\\$CLSID" \
      "$classes\\MIME\\Database\\Content Type\\application/x-norvellzephel32" "$classes\\AppID\\$APPID" \
      "$classes\\AppID\\npNorvellZephel32.dll" "$EXT\\PreApproved\\$CLSID" "$EXT\\Stats\\$CLSID" \
      'HKCU\Software\MozillaPlugins\norvellzephel.com/NorvellZephel' "HKLM\\Software\\Classes\\TypeLib\\$LIBID"; do
    exists "$key" && fail "still present after unregistration: $key" || pass "removed $key"
  done
  for key in "$classes\\CLSID" "$classes\\MIME\\Database\\Content Type" "$EXT\\PreApproved" "$EXT\\Stats" \
      'HKCU\Software\MozillaPlugins'; do
    exists "$key" && pass "kept $key" || fail "shared key removed: $key"
  done
}

USER_CLASSES='HKCU\Software\Classes'
MACHINE_CLASSES='HKLM\Software\Classes'

# Reads what the checks of a phase need, for classes written below $1.
read_registry() {
  # Keys are read with their subtrees; the parents of the keys the checks
  # look for are also listed flat, which names every child, empty or not.
  local classes=$1
  local common=("$EXT" 'HKCU\Software\MozillaPlugins' "$MACHINE_CLASSES\\TypeLib\\$LIBID" 'HKCU\Software|' "$EXT|"
                "$EXT\\PreApproved|" "$EXT\\Stats|" 'HKCU\Software\MozillaPlugins|' "$MACHINE_CLASSES\\TypeLib|"
                "$classes|" "$classes\\CLSID|" "$classes\\AppID|" "$classes\\MIME\\Database|"
                "$classes\\MIME\\Database\\Content Type|")
  if [ "$classes" == "$USER_CLASSES" ]; then
    snapshot "${common[@]}" "$USER_CLASSES" "$MACHINE_CLASSES\\CLSID\\$CLSID"
  else
    snapshot "${common[@]}" "$MACHINE_CLASSES\\Norvell.NorvellZephel.1" "$MACHINE_CLASSES\\Norvell.NorvellZephel" \
      "$MACHINE_CLASSES\\CLSID\\$CLSID" "$MACHINE_CLASSES\\MIME\\Database\\Content Type\\application/x-norvellzephel32" \
      "$MACHINE_CLASSES\\AppID\\$APPID" "$MACHINE_CLASSES\\AppID\\npNorvellZephel32.dll" "$USER_CLASSES\\CLSID\\$CLSID"
  fi
}

echo "== regsvr32: per user"
wine regsvr32 /s "$MODULE" || fail "regsvr32 exit code $?"
read_registry "$USER_CLASSES"
check_registered "$USER_CLASSES"
exists "$MACHINE_CLASSES\\CLSID\\$CLSID" && fail "machine-wide class written" || pass "nothing machine-wide"
# A foreign subkey below a key the module owns keeps that key.
wine reg add "$USER_CLASSES\\Norvell.NorvellZephel\\Other" /f >/dev/null 2>&1

echo "== regsvr32 /u"
wine regsvr32 /u /s "$MODULE" || fail "regsvr32 /u exit code $?"
read_registry "$USER_CLASSES"
exists "$USER_CLASSES\\Norvell.NorvellZephel\\Other" && pass "foreign subkey kept" || fail "foreign subkey removed"
wine reg delete "$USER_CLASSES\\Norvell.NorvellZephel" /f >/dev/null 2>&1
read_registry "$USER_CLASSES"
check_unregistered "$USER_CLASSES"

echo "== regsvr32 /n /i:user (DllInstall)"
wine regsvr32 /s /n /i:user "$MODULE" || fail "regsvr32 /n /i:user exit code $?"
read_registry "$USER_CLASSES"
check_registered "$USER_CLASSES"
wine regsvr32 /u /s /n /i:user "$MODULE" || fail "regsvr32 /u /n /i:user exit code $?"
read_registry "$USER_CLASSES"
check_unregistered "$USER_CLASSES"

echo "== heat.exe registers machine wide"
wine "$work/heat.exe" "$MODULE" register >/dev/null || fail "heat.exe register"
read_registry "$MACHINE_CLASSES"
check_registered "$MACHINE_CLASSES"
exists "$USER_CLASSES\\CLSID\\$CLSID" && fail "per-user class written by heat.exe" || pass "nothing per user"
wine "$work/heat.exe" "$MODULE" unregister >/dev/null || fail "heat.exe unregister"
read_registry "$MACHINE_CLASSES"
check_unregistered "$MACHINE_CLASSES"

echo "== heat.exe with DllInstall(USER) registers per user"
wine "$work/heat.exe" "$MODULE" install USER >/dev/null || fail "heat.exe install USER"
read_registry "$USER_CLASSES"
check_registered "$USER_CLASSES"
exists "$MACHINE_CLASSES\\CLSID\\$CLSID" && fail "machine-wide class written" || pass "nothing machine-wide"
wine "$work/heat.exe" "$MODULE" uninstall user >/dev/null || fail "heat.exe uninstall user"
read_registry "$USER_CLASSES"
check_unregistered "$USER_CLASSES"

echo "== Heat.exe is not the harvesting tool; a command line only beginning with user"
wine "$work/Heat.exe" "$MODULE" install userx >/dev/null || fail "Heat.exe install userx"
read_registry "$USER_CLASSES"
check_registered "$USER_CLASSES"
wine "$work/Heat.exe" "$MODULE" unregister >/dev/null || fail "Heat.exe unregister"
read_registry "$USER_CLASSES"
check_unregistered "$USER_CLASSES"

if [ "$failures" -ne 0 ]; then
  echo "FAIL $failures check(s) failed"
  exit 1
fi
echo "PASS all registration checks"
