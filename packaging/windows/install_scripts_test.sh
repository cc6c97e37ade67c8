#!/usr/bin/env bash
# install.cmd and uninstall.cmd of the Windows zip under wine, in a private
# wine prefix made for this run:
#   install_scripts_test.sh <zip> <win64 module.dll> <ids header>
# The zip is unpacked into a folder whose name has spaces, parentheses and an
# "&", and the win64 DLL takes the 32-bit DLL's place (wine here runs 64-bit
# programs only). The scripts run from another folder through a launcher
# that hands over to them (wine's "call" loses a script's exit code).
#
# The scripts pick the 32-bit regsvr32 in SysWOW64 on a 64-bit system. This
# wine's SysWOW64 has none: that is the first case, which must fail with its
# message. Then the 64-bit regsvr32 takes that place, the bitness of the
# test DLL, and install.cmd must write the keys under HKCU that point at the
# DLL beside it, uninstall.cmd must remove them; a missing and a broken DLL
# must fail with their messages and write nothing.
# Prints PASS/FAIL lines; exits non-zero on any failure.
set -u
zip=$(realpath "$1") module_unix=$(realpath "$2") ids_header=$(realpath "$3")

work="$(mktemp -d "${TMPDIR:-/tmp}/nz-zip.XXXXXX")"
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() { wineserver -k >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
trap 'exit 130' INT TERM

failures=0
pass() { echo "PASS $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }

id_of() { sed -n "s/^#define $1 \\([0-9A-F-]*\\)\$/{\\1}/p" "$ids_header"; }
CLSID=$(id_of NZ_AX_CLSID_FBCONTROL)
APPID=$(id_of NZ_AX_APPID)
[ -n "$CLSID" ] && [ -n "$APPID" ] || { echo "FAIL identifiers not found in $ids_header"; exit 1; }

# The zip's one folder, moved to a name with characters cmd.exe treats specially.
mkdir "$work/unpacked"
(cd "$work/unpacked" && cmake -E tar xf "$zip") || { echo "FAIL cannot unpack $zip"; exit 1; }
top=("$work"/unpacked/*)
package="$work/Norvell Zephel (x86) & co"
mv "${top[0]}" "$package"
for file in npNorvellZephel32.dll install.cmd uninstall.cmd docs/page-api.md types/norvell-zephel.d.ts; do
  [ -f "$package/$file" ] && pass "the zip holds $file" || fail "the zip lacks $file"
done
cp "$module_unix" "$package/npNorvellZephel32.dll"
printf '@"%%~dp0%s\\%%1.cmd"\r\n' "$(basename "$package")" >"$work/launch.cmd"
LAUNCH=$(winepath -w "$work/launch.cmd" 2>/dev/null)
MODULE=$(winepath -w "$package/npNorvellZephel32.dll" 2>/dev/null)

wine wineboot -i >/dev/null 2>&1 || { echo "FAIL cannot make a wine prefix"; exit 1; }
syswow64="$WINEPREFIX/drive_c/windows/syswow64"

# Runs install or uninstall from the prefix's C:\ (not the package folder);
# leaves the exit code in $code and the output in $work/out.
run() {
  (cd "$WINEPREFIX/drive_c" && wine cmd /c "$LAUNCH" "$1") >"$work/out" 2>&1
  code=$?
  tr -d '\r' <"$work/out" | sed 's/^/    /'
}
expect_failure() {  # what, exit code, message part
  if [ "$code" == "$2" ] && grep -qF "$3" "$work/out"; then pass "$1"; else fail "$1 (exit code $code)"; fi
}

# The keys registration writes, as activex_registration_test.sh checks them.
EXT='HKCU\Software\Microsoft\Windows\CurrentVersion\Ext'
CLASSES='HKCU\Software\Classes'
KEYS=("$CLASSES\\Norvell.NorvellZephel.1" "$CLASSES\\Norvell.NorvellZephel" "$CLASSES\\CLSID\\$CLSID"
      "$CLASSES\\MIME\\Database\\Content Type\\application/x-norvellzephel32" "$CLASSES\\AppID\\$APPID"
      "$CLASSES\\AppID\\npNorvellZephel32.dll" "$EXT\\PreApproved\\$CLSID" "$EXT\\Stats\\$CLSID"
      'HKCU\Software\MozillaPlugins\norvellzephel.com/NorvellZephel')
key_count() {  # how many of KEYS exist
  local key n=0
  for key in "${KEYS[@]}"; do wine reg query "$key" >/dev/null 2>&1 && n=$((n + 1)); done
  echo "$n"
}
value_of() {  # key, value name ("" for the default value)
  local option=(/ve)
  [ -n "$2" ] && option=(/v "$2")
  wine reg query "$1" "${option[@]}" 2>/dev/null | tr -d '\r' | sed -n 's/^    [^ ]*    REG_SZ    //p'
}

echo "== no 32-bit regsvr32"
rm -f "$syswow64/regsvr32.exe"
run install
expect_failure "install.cmd without SysWOW64's regsvr32 fails" 3 'SysWOW64\regsvr32.exe" does not exist'

cp "$WINEPREFIX/drive_c/windows/system32/regsvr32.exe" "$syswow64/regsvr32.exe"
echo "== DLL missing"
mv "$package/npNorvellZephel32.dll" "$work/module.dll"
run install
expect_failure "install.cmd without the DLL fails" 2 "npNorvellZephel32.dll\" does not exist"
echo "== broken DLL"
echo "not a module" >"$package/npNorvellZephel32.dll"
run install
expect_failure "install.cmd with a broken DLL fails with regsvr32's code" 3 "could not register"
[ "$(key_count)" == 0 ] && pass "the failures wrote no key" || fail "a failure wrote keys"
mv "$work/module.dll" "$package/npNorvellZephel32.dll"

echo "== install.cmd"
run install
[ "$code" == 0 ] && grep -qF "installed for this user" "$work/out" && pass "install.cmd" || fail "install.cmd (exit code $code)"
[ "$(key_count)" == "${#KEYS[@]}" ] && pass "every key is written" || fail "keys written: $(key_count) of ${#KEYS[@]}"
[ "$(value_of "$CLASSES\\CLSID\\$CLSID\\InprocServer32" "")" == "$MODULE" ] &&
  pass "the class names the DLL beside the script" || fail "the class names $(value_of "$CLASSES\\CLSID\\$CLSID\\InprocServer32" "")"
[ "$(value_of 'HKCU\Software\MozillaPlugins\norvellzephel.com/NorvellZephel' Path)" == "$MODULE" ] &&
  pass "the NPAPI entry names the DLL beside the script" || fail "the NPAPI entry names another path"
wine reg query 'HKLM\Software\Classes\CLSID\'"$CLSID" >/dev/null 2>&1 && fail "machine-wide class written" ||
  pass "nothing machine-wide"

echo "== uninstall.cmd"
run uninstall
[ "$code" == 0 ] && grep -qF "uninstalled for this user" "$work/out" && pass "uninstall.cmd" || fail "uninstall.cmd (exit code $code)"
[ "$(key_count)" == 0 ] && pass "every key is removed" || fail "keys left: $(key_count)"
rm "$package/npNorvellZephel32.dll"
run uninstall
expect_failure "uninstall.cmd without the DLL fails" 2 "npNorvellZephel32.dll\" does not exist"

if ((failures)); then echo "FAIL $failures check(s) failed"; exit 1; fi
echo "PASS all install script checks"
