#!/usr/bin/env bash
# End to end: unsaved text survives the program's end. Four windows (8-bit CR LF, LF, UTF-8,
# untitled) hold unsaved edits; the program is killed (kill -9, then the X server killed) two
# seconds after the last key, or sent SIGTERM at once; the next start offers them back, and each
# saves exactly what it would have saved before. Saving and closing them leaves no copy behind.
# Ctrl+C's SIGINT, too, leaves the copy of a window's typing for the next start.
# Then ten windows of every kind are typed into one after the other and the program is killed a
# tenth of a second after the last key: every window comes back with its text up to that key.
#
# usage: e2e_recover.sh path/to/tavulella
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup "$1"

docs=$E2E_TMP/Documenti
mkdir -p "$docs"
readme=$docs/README
printf 'uno\ndue\n' >"$readme"
accents=$docs/caffe.txt
printf 'caff\xc3\xa8 \xe2\x82\xac\n' >"$accents"

state=$XDG_STATE_HOME/Tavulella
no_copies_left() {
  local left
  left=$(find "$state" -type f 2>/dev/null)
  [[ -z "$left" ]] || e2e_fail "$1 left behind: $left"
}

crlf=$docs/vecchio.txt
printf 'caff\xe8\r\nuno\r\n' >"$crlf"

# unsaved_edits PAUSE: the start-up window and one window of each kind of file, all edited
# unsaved; then PAUSE seconds without a key.
unsaved_edits() {
  e2e_start_program
  e2e_wait_frame "Senza nomme" || e2e_fail "no start-up window"
  e2e_type "pagina nova"
  local file
  for file in "$crlf" "$readme" "$accents"; do
    e2e_key alt+f a
    e2e_answer_file_dialog "$file"
    e2e_wait_frame "$(e2e_upper "$file")" || e2e_fail "$file did not open"
    e2e_key ctrl+End
    e2e_type "jonta"
  done
  e2e_wait_texts_contain "pagina nova" "uno\\njonta" "due\\njonta" "€\\njonta" ||
    e2e_fail "the edits do not show"
  sleep "$1"
}

# recovered LABEL: the next start offers the copies back; Yes opens them, marked changed, and
# each, saved as a new file, gives the bytes its window held. Closing them leaves no copy.
recovered() {
  E2E_KEEP_UNSAVED=1 e2e_start_program
  local box
  box=$(e2e_wait_window '^MDI$') || e2e_fail "$1: the program did not offer the unsaved text back"
  e2e_focus "$box"
  e2e_key Return
  e2e_wait_window_closed "$box" || e2e_fail "$1: the question did not close"
  e2e_focus "$E2E_FRAME"
  local caption
  for caption in "Senza nomme:2" "$(e2e_upper "$crlf")" "$(e2e_upper "$readme")" \
    "$(e2e_upper "$accents")"; do
    e2e_wait_frame "$caption" || e2e_fail "$1: no window '$caption' came back"
  done
  e2e_screenshot "recovered-$1"
  # The last one is active; closing each makes the one before it active.
  local i expected=('caff\xc3\xa8 \xe2\x82\xac\njonta\n' 'uno\ndue\njonta\n'
    'caff\xe8\r\nuno\r\njonta\r\n' 'pagina nova\r\n')
  for i in 0 1 2 3; do
    e2e_key alt+f t
    e2e_answer_file_dialog "$docs/salvato-$1-$i.txt"
    e2e_wait_frame "$(e2e_upper "$docs/salvato-$1-$i.txt")" || e2e_fail "$1: save $i failed"
    sleep 0.5
    e2e_expect_bytes "$docs/salvato-$1-$i.txt" "${expected[$i]}"
    e2e_key alt+f c
    sleep 0.5
  done
  e2e_key alt+f j
  e2e_wait_exit || e2e_fail "$1: the program did not end after File, Exit"
  no_copies_left "$1: saving and closing the recovered windows"
}

e2e_log "kill -9 two seconds after the last key"
unsaved_edits 2
kill -KILL "$E2E_PID"
e2e_wait_exit || true
recovered kill

e2e_log "the X server killed two seconds after the last key"
unsaved_edits 2
kill -KILL "$E2E_XVFB_PID"
e2e_wait_exit || true
e2e_start_xvfb
# The accessibility bus ends with the display it was started for: a new one for the new display.
e2e_stop "$E2E_A11Y_PID" group
e2e_stop "$E2E_BUS_PID" group
rm -f "$E2E_TMP/bus"
e2e_start_a11y_bus
recovered xkill

e2e_log "SIGTERM at once after the last key: what was typed is written before the end"
unsaved_edits 0
kill -TERM "$E2E_PID"
e2e_wait_exit || e2e_fail "the program did not end cleanly on SIGTERM"
recovered sigterm

e2e_log "Ctrl+C (SIGINT) at once after the last key: what was typed is written before the end"
e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no start-up window"
e2e_type "fermato"
kill -INT "$E2E_PID"
e2e_wait_exit || e2e_fail "the program did not end cleanly on SIGINT"
E2E_KEEP_UNSAVED=1 e2e_start_program
box=$(e2e_wait_window '^MDI$') || e2e_fail "sigint: the program did not offer the unsaved text back"
e2e_focus "$box"
e2e_key Return
e2e_wait_texts_contain "fermato" || e2e_fail "sigint: the typed text did not come back"
e2e_stop "$E2E_PID"
E2E_PID=""

e2e_log "kill -9 a tenth of a second after the last key, ten windows"
crlf_utf8=$docs/finestre.txt
printf 'caff\xc3\xa8\r\ndoje\r\n' >"$crlf_utf8"
files=("$crlf" "$readme" "$accents" "$crlf_utf8")
for file in "$crlf" "$readme" "$accents"; do
  cp "$file" "$file.2"
  files+=("$file.2")
done
e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no start-up window"
e2e_type "primma"
# Each file is handed to the running frame, as a file manager's launch does; the new window is
# the active one.
i=0
for file in "${files[@]}"; do
  "$E2E_BIN" "$file" >>"$E2E_ARTIFACTS/$E2E_NAME.handoff.log" 2>&1 </dev/null
  e2e_wait_frame "$(e2e_upper "$file")" || e2e_fail "$file did not open"
  e2e_focus "$E2E_FRAME"
  e2e_type "scritto $i "
  i=$((i + 1))
done
e2e_key alt+f n
e2e_type "nova"
before=$(e2e_a11y texts | sort)
[[ $(wc -l <<<"$before") == 9 ]] || e2e_fail "not nine windows before the last: $before"
e2e_key alt+f n
e2e_type "ultima parola"
sleep 0.1
kill -KILL "$E2E_PID"
e2e_wait_exit || true
E2E_KEEP_UNSAVED=1 e2e_start_program
box=$(e2e_wait_window '^MDI$') || e2e_fail "ten windows: the unsaved text was not offered back"
e2e_focus "$box"
e2e_key Return
e2e_wait_window_closed "$box" || e2e_fail "ten windows: the question did not close"
# The new start-up window, empty, and the ten windows brought back.
expected=$(printf "%s\n''\n'ultima parola'\n" "$before" | sort)
deadline=$((SECONDS + E2E_TIMEOUT))
until [[ "$(e2e_a11y texts | sort)" == "$expected" ]]; do
  ((SECONDS < deadline)) || e2e_fail "ten windows came back as:
$(e2e_a11y texts | sort)
expected:
$expected"
  sleep 0.3
done
e2e_screenshot recovered-ten
kill -KILL "$E2E_PID"
e2e_wait_exit || true

e2e_log "passed"
