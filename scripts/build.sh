#!/usr/bin/env bash
# Builds one target: scripts/build.sh linux|win64|win32
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
preset="${1:?usage: scripts/build.sh linux|win64|win32}"
cd "$here"
cmake --preset "$preset"
cmake --build --preset "$preset" -j "${NZ_JOBS:-$(nproc)}"
