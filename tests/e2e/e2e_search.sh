#!/usr/bin/env bash
# End to end: searching in the real program. The Find dialog opens from the Search menu, Enter
# searches while the dialog keeps the focus, the not-found message comes when nothing is left,
# Esc closes the dialog, F3 searches again, and a document window taking the focus brings the
# open dialog back in front. What the search selected is read back by copying it (Ctrl+C) and
# reading the clipboard with xclip.
#
# usage: e2e_search.sh path/to/tavulella
set -euo pipefail
source "$(dirname "$0")/lib.sh"

command -v xclip >/dev/null 2>&1 || {
  echo "$E2E_NAME: 'xclip' is missing; scripts/deps.sh test installs it" >&2
  exit 1
}

e2e_setup "$1"

# selection_is TEXT: the active document's selection, copied with Ctrl+C, is exactly TEXT.
selection_is() {
  local got
  e2e_focus "$E2E_FRAME"
  e2e_key ctrl+c
  got=$(timeout 5 xclip -o -selection clipboard 2>/dev/null) || got=""
  [[ "$got" == "$1" ]] || {
    echo "selected: '$got', expected '$1'" >&2
    return 1
  }
}

focus_is() {
  local focus
  focus=$(xdotool getwindowfocus 2>/dev/null) || focus=""
  [[ "$focus" == "$1" ]]
}

# on_top ID: window ID is above the frame (xwininfo lists the root's children top first).
on_top() {
  local order
  order=$(xwininfo -root -children | grep -oE '^ +0x[0-9a-f]+' | tr -d ' ')
  order=$(while read -r id; do printf '%d\n' "$id"; done <<<"$order")
  local first
  first=$(grep -nxE "$1|$E2E_FRAME" <<<"$order" | head -n 1 | cut -d: -f2)
  [[ "$first" == "$1" ]]
}

# not_found_box: the not-found message shows; Return closes it.
not_found_box() {
  local box tree
  box=$(e2e_wait_window '^MDI$') || e2e_fail "no not-found message"
  if [[ "$E2E_A11Y" != 0 ]]; then
    # Read the whole tree first: grep -q leaving early would break the pipe under pipefail.
    tree=$(e2e_a11y dump) || tree=""
    grep -qF 'Comme faccio a lo truva? Nun ce sta. "uno"' <<<"$tree" ||
      e2e_fail "the message box does not quote the search text"
  fi
  e2e_key Return
  e2e_wait_window_closed "$box" || e2e_fail "Return did not close the message box"
}

e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no start-up document window"
e2e_type "Uno due UNO"
e2e_key ctrl+Home

e2e_log "Search, Find opens the dialog with the focus in it"
e2e_key alt+e t
dialog=$(e2e_wait_window '^Truvamme$') || e2e_fail "the Find dialog did not open"
focus_is "$dialog" || e2e_fail "the Find dialog does not have the focus"

e2e_log "Enter searches down, ignoring case, and the dialog keeps the focus"
e2e_type "uno"
e2e_key Return
e2e_key Return
focus_is "$dialog" || e2e_fail "the search took the focus from the Find dialog"
e2e_key Return
not_found_box

e2e_log "Esc closes the dialog; the last match is still selected"
e2e_focus "$dialog"
e2e_key Escape
e2e_wait_window_gone '^Truvamme$' || e2e_fail "Esc did not close the Find dialog"
selection_is "UNO" || e2e_fail "the second search did not select the second occurrence"

e2e_log "F3 at the same caret finds nothing more"
e2e_key F3
not_found_box

e2e_log "Find again with the selection; up (Alt+S) finds the first occurrence"
e2e_focus "$E2E_FRAME"
e2e_key alt+e t
dialog=$(e2e_wait_window '^Truvamme$') || e2e_fail "the Find dialog did not open again"
e2e_key alt+s Return
selection_is "Uno" || e2e_fail "searching up did not select the first occurrence"

e2e_log "a document window taking the focus brings the open dialog back in front"
xdotool windowraise "$E2E_FRAME"
sleep 0.3
on_top "$E2E_FRAME" || e2e_fail "the frame could not be raised for the check"
e2e_focus "$dialog"
e2e_focus "$E2E_FRAME"
on_top "$dialog" || e2e_fail "the Find dialog stayed behind the frame"
e2e_screenshot dialog-in-front

e2e_log "passed"
