#!/usr/bin/env bash
# End to end: the clipboard between the real program and another X client (xclip). Text typed
# and copied in a document window is what xclip reads; text that xclip offers is what Paste puts
# into the document, checked through the bytes of the saved file.
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

# clipboard_is PRINTF-FORMAT: what xclip reads from the clipboard is exactly those bytes.
clipboard_is() {
  local expected=$E2E_TMP/clip.expected got=$E2E_TMP/clip.got deadline=$((SECONDS + E2E_TIMEOUT))
  printf "$1" >"$expected"
  while :; do
    timeout 5 xclip -o -selection clipboard >"$got" 2>/dev/null || : >"$got"
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

# offer_clipboard PRINTF-FORMAT: xclip owns the clipboard with those bytes (UTF-8 text) until
# stopped.
offer_clipboard() {
  stop_xclip
  printf "$1" >"$E2E_TMP/clip.offer"
  xclip -quiet -i -selection clipboard -target UTF8_STRING "$E2E_TMP/clip.offer" \
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
clipboard_is 'ciao\r\nmondo' || e2e_fail "xclip does not read what was copied"

e2e_log "Edit, Cut through the menu: the text goes, the clipboard holds it"
e2e_key ctrl+End shift+Left shift+Left shift+Left shift+Left shift+Left
e2e_key alt+c t
clipboard_is 'mondo' || e2e_fail "xclip does not read what was cut"

e2e_log "pasting what xclip offers: a lone LF stays, the euro sign becomes its byte"
offer_clipboard 'uno\ndue \xe2\x82\xac \xe4\xb8\xad'
e2e_key ctrl+v
saved=$E2E_TMP/home/incolla.txt
save_as "$saved"
e2e_expect_bytes "$saved" 'ciao\r\nuno\ndue \x80 ?\r\n'

e2e_log "Edit, Select All and Edit, Paste through the menu replace everything"
offer_clipboard 'tutto nuovo'
e2e_key alt+c p
e2e_key alt+c apostrophe
stop_xclip
save_as "$E2E_TMP/home/tutto.txt"
e2e_expect_bytes "$E2E_TMP/home/tutto.txt" 'tutto nuovo\r\n'

e2e_log "passed"
