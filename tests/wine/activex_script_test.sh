#!/usr/bin/env bash
# wine's JScript (cscript) creating the control by its ProgID, in a private
# wine prefix made for this run:
#   activex_script_test.sh <module.dll> <ids header> <work dir> <script.js>...
# Registers the module per user, makes that registration visible to COM
# activation (wine does not merge HKCU\Software\Classes into
# HKEY_CLASSES_ROOT), runs each script and judges it by its exit code.
set -u
module_unix=$1 ids_header=$2 work=$3
shift 3

export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
rm -rf "$work" && mkdir -p "$work"
cleanup() { wineserver -k >/dev/null 2>&1; rm -rf "$work"; }
trap cleanup EXIT
wine wineboot -i >/dev/null 2>&1 || { echo "FAIL cannot make a wine prefix"; exit 1; }

CLSID=$(sed -n 's/^#define NZ_AX_CLSID_FBCONTROL \([0-9A-F-]*\)$/{\1}/p' "$ids_header")
[ -n "$CLSID" ] || { echo "FAIL class id not found in $ids_header"; exit 1; }
cp "$module_unix" "$work/npNorvellZephel32.dll"
MODULE=$(winepath -w "$work/npNorvellZephel32.dll" 2>/dev/null)
wine regsvr32 /s "$MODULE" || { echo "FAIL regsvr32 exit code $?"; exit 1; }
for key in "CLSID\\$CLSID" Norvell.NorvellZephel Norvell.NorvellZephel.1; do
  wine reg copy "HKCU\\Software\\Classes\\$key" "HKLM\\Software\\Classes\\$key" /s /f >/dev/null 2>&1 \
    || { echo "FAIL cannot copy $key"; exit 1; }
done

failures=0
for script in "$@"; do
  cp "$script" "$work/"
  (cd "$work" && wine cscript //nologo "$(basename "$script")" >"$work/output.txt" 2>&1)
  status=$?
  output=$(tr -d '\r' <"$work/output.txt")
  if [ -n "$output" ]; then echo "$output" | sed 's/^/    /'; fi
  if [ "$status" -eq 0 ] && ! grep -q "^FAIL " <<<"$output"; then
    echo "PASS $(basename "$script")"
  else
    echo "FAIL $(basename "$script") (exit code $status)"
    failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ] || exit 1
