#!/usr/bin/env bash
# End to end: the clipboard between the real program and another X client (xclip). Text typed
# and copied in a document window is what xclip reads, with LF line ends; text that xclip offers
# is what Paste puts into the document, with the document's own line breaks, checked through the
# bytes of the saved file. A paste from one running program into a second one keeps a lone LF
# exactly. Last, a file dragged from another X client onto the text opens in a window of its own.
#
# usage: e2e_clipboard.sh path/to/tavulella
set -euo pipefail
source "$(dirname "$0")/lib.sh"

command -v xclip >/dev/null 2>&1 || {
  echo "$E2E_NAME: 'xclip' is missing; scripts/deps.sh test installs it" >&2
  exit 1
}

e2e_setup "$1"

# An xclip still running at the end goes with the X server that e2e_cleanup stops.
XCLIP_PID=""
stop_xclip() {
  e2e_stop "$XCLIP_PID"
  XCLIP_PID=""
}

# clipboard_is PRINTF-FORMAT [SELECTION]: what xclip reads from the clipboard (or from the
# selection named, such as primary) is exactly those bytes.
clipboard_is() {
  local expected=$E2E_TMP/clip.expected got=$E2E_TMP/clip.got deadline=$((SECONDS + E2E_TIMEOUT))
  printf "$1" >"$expected"
  while :; do
    timeout 5 xclip -o -selection "${2:-clipboard}" >"$got" 2>/dev/null || : >"$got"
    cmp -s "$expected" "$got" && return 0
    if ((SECONDS >= deadline)); then
      echo "expected on the clipboard:" >&2
      od -c "$expected" >&2
      echo "xclip read:" >&2
      od -c "$got" >&2
      return 1
    fi
    sleep 0.3
  done
}

# offer_clipboard PRINTF-FORMAT [SELECTION]: xclip owns the clipboard (or the primary selection)
# with those bytes (UTF-8 text) until stopped.
offer_clipboard() {
  stop_xclip
  printf "$1" >"$E2E_TMP/clip.offer"
  xclip -quiet -i -selection "${2:-clipboard}" -target UTF8_STRING "$E2E_TMP/clip.offer" \
    >/dev/null 2>&1 </dev/null &
  XCLIP_PID=$!
  sleep 0.5
}

save_as() {
  e2e_key alt+f t
  e2e_answer_file_dialog "$1"
  local deadline=$((SECONDS + E2E_TIMEOUT))
  until [[ -f "$1" ]]; do
    ((SECONDS < deadline)) || e2e_fail "nothing was written to $1"
    sleep 0.1
  done
  sleep 0.5
}

e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no start-up document window"

e2e_log "typing two lines, Edit, Select All, then Ctrl+C"
e2e_type "ciao"
e2e_key Return
e2e_type "mondo"
e2e_key alt+c p
e2e_key ctrl+c
clipboard_is 'ciao\nmondo' || e2e_fail "xclip does not read what was copied, with LF line ends"

e2e_log "Edit, Cut through the menu: the text goes, the clipboard holds it"
e2e_key ctrl+End shift+Left shift+Left shift+Left shift+Left shift+Left shift+Left shift+Left
clipboard_is 'o\nmondo' primary || e2e_fail "the primary selection is not the selected text with LF"
e2e_key shift+Right shift+Right
e2e_key alt+c t
clipboard_is 'mondo' || e2e_fail "xclip does not read what was cut"

e2e_log "pasting what xclip offers: its LF becomes CR LF, the euro sign becomes its byte"
offer_clipboard 'uno\ndue \xe2\x82\xac \xe4\xb8\xad'
e2e_key ctrl+v
saved=$E2E_TMP/home/incolla.txt
save_as "$saved"
e2e_expect_bytes "$saved" 'ciao\r\nuno\r\ndue \x80 ?\r\n'

e2e_log "Edit, Select All and Edit, Paste through the menu replace everything"
offer_clipboard 'tutto nuovo'
e2e_key alt+c p
e2e_key alt+c apostrophe
stop_xclip
save_as "$E2E_TMP/home/tutto.txt"
e2e_expect_bytes "$E2E_TMP/home/tutto.txt" 'tutto nuovo\r\n'

e2e_log "an LF document: copied text is plain LF text, pasted text gets LF line breaks"
printf 'uno\ndue\n' >"$E2E_TMP/home/righe"
e2e_key alt+f a
e2e_answer_file_dialog "$E2E_TMP/home/righe"
e2e_key alt+c p
e2e_key ctrl+c
clipboard_is 'uno\ndue\n' || e2e_fail "xclip does not read the LF document's text"
e2e_key ctrl+End
offer_clipboard 'tre\r\nquattro\rcinque'
e2e_key ctrl+v
stop_xclip
save_as "$E2E_TMP/home/righe.nuove"
e2e_expect_bytes "$E2E_TMP/home/righe.nuove" 'uno\ndue\ntre\nquattro\ncinque\n'

e2e_log "the middle button pastes the primary selection with the document's line breaks"
e2e_key alt+c p Delete
offer_clipboard 'x\r\ny\rz' primary
read -r px py < <(e2e_a11y center) || e2e_fail "the text box is not on the accessibility bus"
xdotool mousemove "$px" "$py" click 2
sleep 0.5
stop_xclip
save_as "$E2E_TMP/home/centrale.txt"
e2e_expect_bytes "$E2E_TMP/home/centrale.txt" 'x\ny\nz\n'

e2e_log "a paste from this program into a second one keeps a lone LF"
printf 'a\r\nb\nc' >"$E2E_TMP/home/sola.txt"
e2e_key alt+f a
e2e_answer_file_dialog "$E2E_TMP/home/sola.txt"
e2e_key alt+c p
e2e_key ctrl+c
clipboard_is 'a\nb\nc' || e2e_fail "xclip does not read the copied text"
first_pid=$E2E_PID
first_frame=$E2E_FRAME
# Without a session bus the second program is a frame of its own (with one, it would hand
# itself over to the first).
env LANG=it_IT.UTF-8 LC_ALL=it_IT.UTF-8 TZ=Europe/Rome \
  DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_TMP/no-bus" \
  "$E2E_BIN" >"$E2E_ARTIFACTS/$E2E_NAME.second.log" 2>&1 </dev/null &
second_pid=$!
e2e_track "$second_pid"
second_frame=""
deadline=$((SECONDS + E2E_TIMEOUT))
while [[ -z "$second_frame" ]]; do
  for id in $(e2e_find_windows '^Tavulella$'); do
    [[ "$id" != "$first_frame" ]] && second_frame=$id
  done
  ((SECONDS < deadline)) || e2e_fail "the second program's frame did not show"
  sleep 0.2
done
sleep 1
e2e_focus "$second_frame"
e2e_key ctrl+v
sleep 1
# The first program leaves; the second one holds the pasted text.
e2e_focus "$first_frame"
e2e_key alt+f j
status=0
e2e_wait_exit || status=$?
((status == 0)) || e2e_fail "the first program did not end cleanly (status $status)"
E2E_PID=$second_pid
E2E_FRAME=$second_frame
e2e_focus "$E2E_FRAME"
save_as "$E2E_TMP/home/seconda.txt"
e2e_expect_bytes "$E2E_TMP/home/seconda.txt" 'a\r\nb\nc\r\n'

e2e_log "a file dragged from another program onto the text opens; its path is not pasted"
# The second program, without a session bus, is not on the accessibility bus either: a program
# started as usual takes the drop.
e2e_stop "$E2E_PID"
e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no start-up window"
dropped=$E2E_TMP/home/trascinato.txt
printf 'purtato cca\r\n' >"$dropped"
read -r px py < <(e2e_a11y center) || e2e_fail "the text box is not on the accessibility bus"
status=0
e2e_drag_files "$px" "$py" "$dropped" || status=$?
((status == 0)) || e2e_fail "the drop was refused (the drag source ended with status $status)"
e2e_wait_frame "$(e2e_upper "$dropped")" || e2e_fail "the dropped file did not open"
e2e_wait_texts_contain "purtato cca" || e2e_fail "the dropped file's window does not show its text"
! e2e_texts_contain "$dropped" || e2e_fail "the dropped file's path was pasted into a text"

e2e_log "passed"
