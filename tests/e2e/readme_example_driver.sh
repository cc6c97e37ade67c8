#!/usr/bin/env bash
# Plays the user for readme_example.html: run.sh starts it in place of the
# browser, as readme_example_driver.sh BROWSER [ARGUMENTS...] URL. It puts
# README.md and the file to pick into the page's state folder (served at
# /state/), and a dialog helper that picks that file, then runs the browser.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
state="${NZ_E2E_STATE:?run this through run.sh}"
cp "$here/../../README.md" "$state/README.md"
printf 'The first line of the picked file.\nAnd the second.\n' >"$state/picked.txt"
cat >"$state/pick.sh" <<HELPER
#!/bin/sh
printf 'OK 1\n%s\n' '$state/picked.txt'
HELPER
chmod +x "$state/pick.sh"
NORVELL_ZEPHEL_DIALOG_HELPER="$state/pick.sh" exec "$@"
