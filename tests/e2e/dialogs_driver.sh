#!/usr/bin/env bash
# Plays the user for dialogs.html: run.sh starts it in the page's X display
# in place of the browser, as
#   dialogs_driver.sh BROWSER [BROWSER ARGUMENTS...] URL
# It makes a home folder with the files the page expects (in NZ_E2E_STATE,
# the page's state folder), starts the browser on the page, and answers each
# dialog the page opens, in the page's order, with xdotool: names are typed
# after Ctrl+L, one character every 100 ms so that GTK's completion keeps
# up. Then it opens the page with "?kill" in a second browser, kills that
# browser while its dialog is open, and checks that the dialog's helper
# process goes too.
#
# Prints PASS/FAIL lines, how long each dialog took to appear (from the start
# of its helper process to its window on screen), and "N passed, N failed";
# exits with the first browser's exit code (1 when a check of its own
# failed and the browser's was 0).
#
# Each wait is for something on screen or in the process table, bounded by
# NZ_DIALOG_WAIT seconds (default 20).
set -uo pipefail

if (($# < 2)); then
  echo "usage: dialogs_driver.sh BROWSER [ARGUMENTS...] URL" >&2
  exit 64
fi
browser_command=("$@")
url="${!#}"
wait_limit="${NZ_DIALOG_WAIT:-20}"
passed=0
failed=0

pass() { echo "PASS $1"; passed=$((passed + 1)); }
fail() { echo "FAIL $1: $2"; failed=$((failed + 1)); }

if ! command -v xdotool >/dev/null; then
  fail "dialog driver" "xdotool is not installed (scripts/setup.sh installs it)"
  echo "$passed passed, $failed failed"
  exit 1
fi

home="${NZ_E2E_STATE:?run.sh sets NZ_E2E_STATE}/home"
mkdir -p "$home/pictures"
printf 'hello' >"$home/hello.txt"
printf 'old contents' >"$home/existing.txt"
export HOME="$home"
# GTK keeps the dialog's settings in memory only (no dconf, no D-Bus), and
# the accessibility bus is not looked for.
export GSETTINGS_BACKEND=memory NO_AT_BRIDGE=1

now_ms() { echo $(($(date +%s%N) / 1000000)); }

# Milliseconds since the process started (from /proc; 10 ms steps).
process_age_ms() {
  local stat ticks uptime
  stat="$(cat "/proc/$1/stat" 2>/dev/null)" || return 1
  stat="${stat##*) }"  # after the command name, which may hold spaces
  ticks="$(awk '{print $20}' <<<"$stat")"
  read -r uptime _ </proc/uptime
  awk -v up="$uptime" -v t="$ticks" -v hz="$(getconf CLK_TCK)" 'BEGIN { printf "%d", (up - t / hz) * 1000 }'
}

# The visible windows of process $1, counted.
window_count() { xdotool search --onlyvisible --pid "$1" 2>/dev/null | wc -l; }

# Waits for a visible window whose title is exactly $1 and sets window and
# helper (its process). Fails after wait_limit seconds.
window=""
helper=""
declare -a appear_times=()
wait_for_dialog() {
  local title="$1" deadline=$(($(now_ms) + wait_limit * 1000)) age
  window=""
  while (($(now_ms) < deadline)); do
    window="$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | head -n 1)"
    if [ -n "$window" ]; then
      helper="$(xdotool getwindowpid "$window" 2>/dev/null)"
      age="$(process_age_ms "$helper")" || age="?"
      appear_times+=("$title: ${age} ms")
      xdotool windowfocus --sync "$window" 2>/dev/null
      return 0
    fi
    sleep 0.05
  done
  return 1
}

# Waits until the helper's count of visible windows differs from $1 (or,
# when $3 is given, equals $3); true when it did within $2 milliseconds.
wait_count_change() {
  local before="$1" deadline=$(($(now_ms) + $2)) target="${3:-}" count
  while (($(now_ms) < deadline)); do
    count="$(window_count "$helper")"
    if [ -n "$target" ]; then
      ((count == target)) && return 0
    else
      ((count != before)) && return 0
    fi
    sleep 0.05
  done
  return 1
}

# Gives the keyboard to the helper's topmost window (a question or message
# over the dialog; without a window manager nobody else does).
focus_top() {
  local top
  top="$(xdotool search --onlyvisible --pid "$helper" 2>/dev/null | tail -n 1)"
  [ -n "$top" ] && xdotool windowfocus --sync "$top" 2>/dev/null
}

# Presses $1 in the helper's topmost window until the dialog reacts: its
# count of windows changes (it closes, or a question or message opens over
# it or goes), or becomes $2 when given. At most three presses: under Xvfb
# GTK's save dialog lets the first confirmation of a typed name pass without
# effect.
press_until_reaction() {
  local key="$1" target="${2:-}" before press
  before="$(window_count "$helper")"
  for press in 1 2 3; do
    focus_top
    xdotool key "$key"
    wait_count_change "$before" 2500 "$target" && return 0
  done
  return 1
}

# The open, save or folder dialog titled $1: type $2 (after Ctrl+L unless
# $3 is "no-location") and confirm; or cancel when $2 is empty.
answer_dialog() {
  local title="$1" name="$2" location="${3:-location}"
  if ! wait_for_dialog "$title"; then
    fail "dialog \"$title\" appears" "no such window within $wait_limit s"
    return 1
  fi
  if ((check_fit)); then
    check_fits_screen
    check_fit=0
  fi
  if [ -z "$name" ]; then
    press_until_reaction Escape
    return
  fi
  [ "$location" = location ] && xdotool key ctrl+l
  xdotool type --delay 100 "$name"
  press_until_reaction Return
}

check_fit=0  # set: the next dialog's size is checked
browser_pid=""
give_up() {
  fail "dialog driver" "$1; the browser is stopped"
  [ -n "$browser_pid" ] && kill "$browser_pid" 2>/dev/null
}

"${browser_command[@]}" &
browser_pid=$!

# The dialog's window lies wholly on the screen.
check_fits_screen() {
  local screen_w screen_h x y w h
  read -r screen_w screen_h < <(xdotool getdisplaygeometry)
  eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9-]+$')"
  x="$X" y="$Y" w="$WIDTH" h="$HEIGHT"
  if ((x >= 0 && y >= 0 && x + w <= screen_w && y + h <= screen_h)); then
    pass "the dialog fits the ${screen_w}x${screen_h} screen (${w}x${h} at $x,$y)"
  else
    fail "the dialog fits the ${screen_w}x${screen_h} screen" "${w}x${h} at $x,$y"
  fi
}

drive() {
  check_fit=1
  answer_dialog Open hello.txt || return 1
  answer_dialog Open "" || return 1

  # A name that does not exist: the dialog must refuse it with a message
  # and stay open; then an existing name is chosen in the same dialog.
  answer_dialog Open missing.txt || return 1
  if (($(window_count "$helper") >= 2)); then
    pass "open dialog refuses missing.txt with a message"
    press_until_reaction Return 1 || return 1  # the message goes
    # The location field is still shown: the first Ctrl+L hides it, the
    # second brings it back empty.
    focus_top
    xdotool key ctrl+l ctrl+l
    xdotool type --delay 100 hello.txt
    press_until_reaction Return || return 1
  else
    fail "open dialog refuses missing.txt with a message" "no message; the dialog closed"
  fi

  # The save dialog's name field has the focus from the start.
  answer_dialog "Save As" report no-location || return 1
  answer_dialog "Save As" existing.txt no-location || return 1
  if (($(window_count "$helper") >= 2)); then
    pass "save dialog asks before replacing existing.txt"
    # "_Replace" (Return would press the focused "Cancel"); the dialog then
    # checks the name once more and closes.
    press_until_reaction alt+r 0 || return 1
  else
    fail "save dialog asks before replacing existing.txt" "no question; the dialog closed"
  fi
  answer_dialog "Save As" "" || return 1

  answer_dialog "Select folder" pictures || return 1
  answer_dialog "Select folder" "" || return 1
  answer_dialog "Pick the pictures" pictures || return 1
  answer_dialog "Pick the pictures" "" || return 1
}
drive || give_up "a dialog did not appear or did not react"
wait "$browser_pid"
browser_code=$?
browser_pid=""

# The second browser, killed while its dialog is open.
kill_command=("${browser_command[@]}")
kill_command[${#kill_command[@]} - 1]="$url?kill"
"${kill_command[@]}" >/dev/null 2>"$NZ_E2E_STATE/kill-browser.err" &
victim=$!
# True while process $1 runs (a zombie that whoever adopted it has yet to
# collect has ended).
running() { [ -d "/proc/$1" ] && [ "$(awk '{print $3}' "/proc/$1/stat" 2>/dev/null)" != Z ]; }
if wait_for_dialog Open; then
  orphan="$helper"
  kill -KILL "$victim"
  wait "$victim" 2>/dev/null
  deadline=$(($(now_ms) + wait_limit * 1000))
  while { running "$orphan" || xdotool getwindowname "$window" >/dev/null 2>&1; } && (($(now_ms) < deadline)); do
    sleep 0.05
  done
  if running "$orphan"; then
    fail "killing the browser ends its dialog" "helper $orphan still runs"
    kill -KILL "$orphan" 2>/dev/null
  elif xdotool getwindowname "$window" >/dev/null 2>&1; then
    fail "killing the browser ends its dialog" "its window is still there"
  else
    pass "killing the browser ends its dialog"
  fi
else
  fail "killing the browser ends its dialog" "the dialog did not appear within $wait_limit s"
  tail -n 20 "$NZ_E2E_STATE/kill-browser.err" >&2
  kill -KILL "$victim" 2>/dev/null
  wait "$victim" 2>/dev/null
fi

echo "dialog appearance (helper start to window on screen):"
for line in "${appear_times[@]}"; do echo "  $line"; done
echo "$passed passed, $failed failed"
if ((browser_code == 0 && failed > 0)); then exit 1; fi
exit "$browser_code"
