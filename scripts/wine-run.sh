#!/usr/bin/env bash
# Runs a Windows program under wine with the project's prefix and without
# wine's own diagnostics; used by CTest as the cross-compiling emulator.
export WINEPREFIX="${WINEPREFIX:-$HOME/.wine-norvell}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
