#!/usr/bin/env bash
# End to end: the real program on a virtual X server. Type into the start-up document window,
# save it through the save dialog, check the bytes on disk and the window's new title; open a
# file through the open dialog and check its window; leave through File, Exit.
#
# usage: e2e_open_save.sh path/to/tavulella
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup "$1"

docs=$E2E_TMP/Documenti
mkdir -p "$docs"
saved=$docs/nota.txt
opened=$docs/Lettera.txt
printf 'Cara Nanninella,\r\nte scrivo.\r\n' >"$opened"

# texts_contain WORD...: some text box holds every WORD.
texts_contain() {
  local texts word
  texts=$(e2e_a11y texts 2>/dev/null) || return 1
  for word in "$@"; do
    grep -qF -- "$word" <<<"$texts" || return 1
  done
}

wait_texts_contain() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  until texts_contain "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.3
  done
}

e2e_start_program

e2e_log "the frame shows the start-up document window"
e2e_wait_frame "Senza nomme" || e2e_fail "no document window titled 'Senza nomme'"
title=$(e2e_window_name "$E2E_FRAME")
[[ "$title" == Tavulella ]] || e2e_fail "the frame is titled '$title'"

e2e_log "typing into the start-up document window"
e2e_type ciao
e2e_key Return
e2e_type mondo
wait_texts_contain ciao mondo || e2e_fail "the text box does not show what was typed"

e2e_log "File, Save As to $saved"
e2e_key alt+f t
e2e_answer_file_dialog "$saved"
deadline=$((SECONDS + E2E_TIMEOUT))
until [[ -f "$saved" ]]; do
  ((SECONDS < deadline)) || e2e_fail "nothing was written to $saved"
  sleep 0.1
done
sleep 0.5 # let the write finish before reading the file
e2e_expect_bytes "$saved" 'ciao\r\nmondo\r\n'
e2e_wait_frame "$(e2e_upper "$saved")" ||
  e2e_fail "the saved document window is not titled '$(e2e_upper "$saved")'"
if e2e_has_frame "Senza nomme"; then
  e2e_fail "a window is still titled 'Senza nomme'"
fi

e2e_log "File, Open of $opened"
e2e_key alt+f a
e2e_answer_file_dialog "$opened"
e2e_wait_frame "$(e2e_upper "$opened")" ||
  e2e_fail "no document window titled '$(e2e_upper "$opened")'"
wait_texts_contain "Cara Nanninella," "te scrivo." ||
  e2e_fail "the opened document window does not show the file's text"
e2e_wait_frame "$(e2e_upper "$saved")" || e2e_fail "the saved document window has gone"

e2e_log "File, Exit with nothing changed ends the program"
e2e_key alt+f j
status=0
e2e_wait_exit || status=$?
case $status in
  0) ;;
  124) e2e_fail "the program did not end after File, Exit" ;;
  *) e2e_fail "the program ended with status $status" ;;
esac
# Opening and closing must not have touched either file.
e2e_expect_bytes "$saved" 'ciao\r\nmondo\r\n'
e2e_expect_bytes "$opened" 'Cara Nanninella,\r\nte scrivo.\r\n'

e2e_log "passed"
