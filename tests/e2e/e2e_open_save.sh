#!/usr/bin/env bash
# End to end: the real program on a virtual X server. Type into the start-up document window,
# save it through the save dialog, check the bytes on disk and the window's new title; open a
# file through the open dialog and check its window; open files without an extension (typed, and
# picked from the dialog's completion) and a hidden file; edit an LF file and a UTF-8 file and
# check the bytes saved; read a very long line over the accessibility bus, as text, while paging,
# resizing and editing; type a dead-key accent into it and check the bytes saved, then
# triple-click the line and type over it, and cut the line at 1000 with Ctrl+K; save a file with
# a second name, an extended attribute and an access list, and check that it keeps them; rename
# the folder of an open file and check what is told, then and at Save;
# have other programs change, replace and remove a file open in a window and check each
# question, or that none comes; leave through File, Exit, which leaves no copy of unsaved text
# behind.
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
readme=$docs/README
printf 'uno\ndue\n' >"$readme"
hidden=$docs/.nascosto
printf 'segreto\r\n' >"$hidden"
accents=$docs/caffe.txt
printf 'caff\xc3\xa8 \xe2\x82\xac\n' >"$accents"

e2e_start_program

e2e_log "the frame shows the start-up document window"
e2e_wait_frame "Senza nomme" || e2e_fail "no document window titled 'Senza nomme'"
title=$(e2e_window_name "$E2E_FRAME")
[[ "$title" == Tavulella ]] || e2e_fail "the frame is titled '$title'"

e2e_log "typing into the start-up document window"
e2e_type ciao
e2e_key Return
e2e_type mondo
e2e_wait_texts_contain ciao mondo || e2e_fail "the text box does not show what was typed"

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
e2e_wait_texts_contain "Cara Nanninella," "te scrivo." ||
  e2e_fail "the opened document window does not show the file's text"
e2e_wait_frame "$(e2e_upper "$saved")" || e2e_fail "the saved document window has gone"

e2e_log "File, Open of /etc/os-release, typed: a name without an extension opens as it is"
e2e_key alt+f a
e2e_answer_file_dialog /etc/os-release
e2e_wait_frame /ETC/OS-RELEASE || e2e_fail "no document window titled '/ETC/OS-RELEASE'"

e2e_log "File, Open of a hidden file, typed"
e2e_key alt+f a
e2e_answer_file_dialog "$hidden"
e2e_wait_frame "$(e2e_upper "$hidden")" || e2e_fail "no document window titled '$(e2e_upper "$hidden")'"
e2e_wait_texts_contain segreto || e2e_fail "the hidden file's text does not show"

e2e_log "File, Open of README: All Files chosen, then README picked from the name box's completion"
e2e_key alt+f a
dialog=$(e2e_wait_dialog) || e2e_fail "no file dialog opened"
e2e_focus "$dialog"
# The filter list stands at the foot of the dialog, left of the Cancel button.
eval "$(xdotool getwindowgeometry --shell "$dialog")"
xdotool mousemove --window "$dialog" $((WIDTH / 2)) $((HEIGHT - 22)) click 1
sleep 0.5
e2e_key Down Return
sleep 0.3
e2e_focus "$dialog"
e2e_key alt+n ctrl+a
e2e_type "$docs/REA"
sleep 0.5
e2e_key Down Return
sleep 0.3
if ! e2e_wait_window_closed "$dialog" 2; then
  e2e_key Return
fi
e2e_wait_window_closed "$dialog" || e2e_fail "the file dialog did not close"
e2e_focus "$E2E_FRAME"
e2e_wait_frame "$(e2e_upper "$readme")" || e2e_fail "no document window titled '$(e2e_upper "$readme")'"

e2e_log "the LF file shows line by line; Enter adds LF, saving appends LF"
# The accessibility bus gives the text box's text with a line break between shown lines; a lone
# LF shown as a picture would read as the character U+240A instead.
e2e_wait_texts_contain "'uno\\ndue\\n'" || e2e_fail "README is not shown as two lines"
if e2e_texts_contain $'\u240a'; then e2e_fail "an LF shows as a picture"; fi
e2e_key ctrl+End
e2e_type tre
e2e_key Return
e2e_type quattro
e2e_wait_texts_contain "tre\\nquattro" || e2e_fail "the edit does not show"
e2e_screenshot lf-file
e2e_key alt+f t
e2e_answer_file_dialog "$docs/leggimi.lf"
e2e_wait_frame "$(e2e_upper "$docs/leggimi.lf")" || e2e_fail "the LF file was not saved as leggimi.lf"
sleep 0.5
e2e_expect_bytes "$docs/leggimi.lf" 'uno\ndue\ntre\nquattro\n'

e2e_log "a UTF-8 file shows its accents; typed è and € are saved as UTF-8"
e2e_key alt+f a
e2e_answer_file_dialog "$accents"
e2e_wait_frame "$(e2e_upper "$accents")" || e2e_fail "no document window titled '$(e2e_upper "$accents")'"
e2e_wait_texts_contain "caffè €" || e2e_fail "the UTF-8 file does not show 'caffè €'"
e2e_key ctrl+End
e2e_type "è €"
e2e_wait_texts_contain "è €'" || e2e_fail "the typed accents do not show"
e2e_screenshot utf8-file
e2e_key alt+f t
e2e_answer_file_dialog "$docs/caffe2.txt"
e2e_wait_frame "$(e2e_upper "$docs/caffe2.txt")" || e2e_fail "the UTF-8 file was not saved"
sleep 0.5
e2e_expect_bytes "$docs/caffe2.txt" 'caff\xc3\xa8 \xe2\x82\xac\n\xc3\xa8 \xe2\x82\xac\n'
iconv -f UTF-8 -t UTF-8 "$docs/caffe2.txt" >/dev/null || e2e_fail "caffe2.txt is not valid UTF-8"

# mdi_box FRAGMENT: a message box titled MDI shows and its prompt holds FRAGMENT; prints its id.
mdi_box() {
  local box tree
  box=$(e2e_wait_window '^MDI$') || e2e_fail "no message box saying \"$1\""
  tree=$(e2e_a11y dump) || tree=""
  grep -qF -- "$1" <<<"$tree" || e2e_fail "the message box does not say \"$1\""
  echo "$box"
}

# answer_box ID KEY...: presses KEY... in message box ID, which must then close. The Yes/No
# questions have No as default: Return says No, shift+Tab space says Yes, in any language.
answer_box() {
  local box=$1
  shift
  e2e_focus "$box"
  e2e_key "$@"
  e2e_wait_window_closed "$box" || e2e_fail "the message box did not close"
  e2e_focus "$E2E_FRAME"
}

# no_box: no message box comes within the time the watcher needs and more.
no_box() {
  sleep 1.5
  [[ -z "$(e2e_find_windows '^MDI$')" ]] || e2e_fail "a message box came: $(e2e_visible_windows)"
}

# File, Save has no mnemonic: it is the fourth item of the File menu.
file_save() {
  e2e_focus "$E2E_FRAME"
  e2e_key alt+f Down Down Down Return
}

wait_bytes() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  until [[ "$(od -An -tx1 "$1" 2>/dev/null)" == "$(printf "$2" | od -An -tx1)" ]]; do
    ((SECONDS < deadline)) || e2e_expect_bytes "$1" "$2"
    sleep 0.2
  done
}

e2e_log "a dead-key accent typed into a 65,000-character line adds that one character"
# A line this long (as long as a file that opens) shows as pieces joined by soft breaks: the
# accent must not make one a line break. A file without a line break opens as LF, in UTF-8 in
# this UTF-8 session, and saving appends one LF. The keys go through the compose input method,
# as a keyboard with dead keys sends them.
"$E2E_PYTHON" - "$docs/riga.txt" "$docs/riga-attesa.txt" <<'PY'
import sys
words = " ".join("w%05d" % i for i in range(9300))[:65000].encode()
open(sys.argv[1], "wb").write(words)
open(sys.argv[2], "wb").write(words[:10] + "\u00e9".encode() + words[10:] + b"\n")
PY
e2e_key alt+f a
e2e_answer_file_dialog "$docs/riga.txt"
e2e_wait_frame "$(e2e_upper "$docs/riga.txt")" || e2e_fail "no document window titled '$(e2e_upper "$docs/riga.txt")'"
e2e_key ctrl+Home Right Right Right Right Right Right Right Right Right Right
e2e_log "over the accessibility bus the line reads as its 65,000 characters; only edits change it"
# A screen reader hears of a change of the text when the text changes, at the text's offsets:
# paging down and resizing move soft breaks in the view, which is no change of the text. Its Cut
# and Paste (made of its reading and its edits) never turn a soft break into a line break.
"$E2E_PYTHON" - "$E2E_PID" "$docs/riga.txt" "$E2E_FRAME" "$E2E_TIMEOUT" <<'PY' ||
import subprocess, sys, time
import pyatspi
from gi.repository import GLib

pid, path, frame, timeout = int(sys.argv[1]), sys.argv[2], sys.argv[3], float(sys.argv[4])
expected = open(path, "rb").read().decode("latin-1")
app = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == pid][0]

def focused_text(node):
    if node.getRoleName() == "text" and node.getState().contains(pyatspi.STATE_FOCUSED):
        return node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        found = focused_text(child) if child is not None else None
        if found is not None:
            return found
    return None

box = focused_text(app)
if box is None:
    sys.exit("no focused text box")
text = box.queryText()
if text.characterCount != len(expected) or text.getText(0, -1) != expected:
    sys.exit("the text box reads %d characters, not the file's %d" % (text.characterCount, len(expected)))
# The keys that put the caret there may still be on their way to a busy program.
deadline = time.time() + timeout
while text.caretOffset != 10 and time.time() < deadline:
    time.sleep(0.1)
if text.caretOffset != 10:
    sys.exit("the caret reads at %d, not 10" % text.caretOffset)

heard = []
synced = False
def hear(event):
    if event.source.getRoleName() == "text":
        change = "%s %d %s" % (event.type.minor, event.detail1, event.any_data)
        # x typed and taken back at 10 before the listener was known may be heard late.
        if not (synced and change in ("insert 10 x", "delete 10 x")):
            heard.append(change)
pyatspi.Registry.registerEventListener(hear, "object:text-changed")

def keys(*args):
    subprocess.run(["xdotool"] + list(args), check=True)

def wait_heard(count, seconds):
    deadline = time.time() + seconds
    while len(heard) < count and time.time() < deadline:
        GLib.MainContext.default().iteration(False)
        time.sleep(0.02)
    return heard[:]

def settle(what):
    """Types x and takes it back at the caret. The program handles keys and resizes in the order
    sent, so once both are heard, everything sent before has been handled; nothing before them
    may have changed the text."""
    keys("type", "x")
    keys("key", "BackSpace")
    got = wait_heard(2, timeout)
    heard.clear()
    offset = got[0].split()[1] if got else ""
    if got != ["insert %s x" % offset, "delete %s x" % offset]:
        sys.exit("%s: heard %r, not only the insertion and the removal of x" % (what, got))

# Until the program knows of the listener, it sends nothing: type and undo until it is heard.
deadline = time.time() + timeout
while "delete 10 x" not in wait_heard(len(heard) + 2, 2):
    if time.time() > deadline:
        sys.exit("no text change heard: %r" % heard)
    keys("type", "x")
    keys("key", "BackSpace")
synced = True
heard.clear()
keys("key", "--delay", "100", "Page_Down", "Page_Down", "Page_Down")
keys("windowsize", frame, "700", "500")
settle("paging and resizing")
text.setCaretOffset(5000)
keys("windowsize", frame, "800", "560")
keys("key", "--delay", "100", "Page_Down")
settle("resizing and paging")
text.setCaretOffset(5000)
if text.caretOffset != 5000:
    sys.exit("the caret put at 5000 reads at %d" % text.caretOffset)
keys("type", "x")
keys("key", "BackSpace")
if wait_heard(2, timeout) != ["insert 5000 x", "delete 5000 x"]:
    sys.exit("heard %r, not the insertion and the removal of x at 5000" % heard)
# A screen reader's Cut and Paste of a stretch across a soft break put back the same text.
editable = box.queryEditableText()
editable.cutText(4000, 4200)
editable.pasteText(4000)
if text.getText(0, -1) != expected:
    sys.exit("a screen reader's Cut and Paste changed the text")
PY
  e2e_fail "a screen reader does not read the long line as its text"
# The dead key gets a key of its own, as on a keyboard that has one. Otherwise xdotool lends it a
# spare key for the one press and takes the key back at once: a program slow to read the press
# (the machine busy with a build) then finds the key empty, and the "e" comes without its accent.
# awk reads the whole list: leaving at the first free key would break xmodmap's pipe, which
# pipefail turns into the end of this script.
spare=$(xmodmap -pke | awk 'NF == 3 && $2 > 8 && spare == "" { spare = $2 } END { print spare }')
[[ -n "$spare" ]] || e2e_fail "the X server has no free key for the dead key"
xmodmap -e "keycode $spare = dead_acute"
sleep 0.3
e2e_key ctrl+Home Right Right Right Right Right Right Right Right Right Right
e2e_key dead_acute e
e2e_screenshot long-line-accent
e2e_key alt+f t
e2e_answer_file_dialog "$docs/riga2.txt"
e2e_wait_frame "$(e2e_upper "$docs/riga2.txt")" || e2e_fail "the long line was not saved as riga2.txt"
sleep 0.5
cmp -s "$docs/riga-attesa.txt" "$docs/riga2.txt" ||
  e2e_fail "riga2.txt is not the line with one é added: $(cmp "$docs/riga-attesa.txt" "$docs/riga2.txt" 2>&1)"

e2e_log "a triple-click in the 65,000-character line selects all of it, not the piece clicked"
read -r px py < <(e2e_a11y center) || e2e_fail "the text box is not on the accessibility bus"
xdotool mousemove "$px" "$py" click --repeat 3 --delay 80 1
sleep 0.3
e2e_type Z
e2e_key alt+f t
e2e_answer_file_dialog "$docs/riga3.txt"
e2e_wait_frame "$(e2e_upper "$docs/riga3.txt")" || e2e_fail "the typed line was not saved as riga3.txt"
wait_bytes "$docs/riga3.txt" 'Z\n'

e2e_log "Ctrl+K at 1000 in the 65,000-character line removes the 64,000 characters after it"
# The words "w00000 " take 7 characters each: 142 words, then 6 characters, reach 1000.
"$E2E_PYTHON" -c 'import sys; sys.stdout.buffer.write(open(sys.argv[1], "rb").read()[:1000] + b"\n")' \
  "$docs/riga.txt" >"$docs/riga-1000.txt"
e2e_key alt+f a
e2e_answer_file_dialog "$docs/riga.txt"
e2e_wait_frame "$(e2e_upper "$docs/riga.txt")" || e2e_fail "no document window titled '$(e2e_upper "$docs/riga.txt")'"
e2e_key ctrl+Home
xdotool key --delay 20 --repeat 142 ctrl+Right
xdotool key --delay 20 --repeat 6 Right
e2e_key ctrl+k
e2e_key alt+f t
e2e_answer_file_dialog "$docs/riga4.txt"
e2e_wait_frame "$(e2e_upper "$docs/riga4.txt")" || e2e_fail "the shortened line was not saved as riga4.txt"
sleep 0.5
cmp -s "$docs/riga-1000.txt" "$docs/riga4.txt" ||
  e2e_fail "riga4.txt is not the line's first 1000 characters: $(cmp "$docs/riga-1000.txt" "$docs/riga4.txt" 2>&1)"

hard=$docs/hard1.txt
printf 'vecchio\r\n' >"$hard"
ln "$hard" "$docs/hard2.txt"
e2e_log "saving a file keeps its second name, its attribute and its access list"
for tool in setfattr getfattr setfacl getfacl; do
  command -v "$tool" >/dev/null || e2e_fail "'$tool' is missing; scripts/deps.sh test installs it"
done
tagged=yes
setfattr -n user.tag -v importante "$hard" 2>/dev/null && setfacl -m u:65534:rw "$hard" || tagged=no
[[ $tagged == yes ]] || e2e_log "this file system keeps no attributes: only the second name is checked"
acl=$(getfacl -cp "$hard")
e2e_key alt+f a
e2e_answer_file_dialog "$hard"
e2e_wait_frame "$(e2e_upper "$hard")" || e2e_fail "no document window titled '$(e2e_upper "$hard")'"
e2e_type n
file_save
wait_bytes "$hard" 'nvecchio\r\n\r\n'
cmp "$hard" "$docs/hard2.txt" || e2e_fail "the save split hard1.txt from its second name hard2.txt"
if [[ $tagged == yes ]]; then
  [[ "$(getfattr --only-values -n user.tag "$hard")" == importante ]] ||
    e2e_fail "the save dropped the attribute user.tag"
  [[ "$(getfacl -cp "$hard")" == "$acl" ]] || e2e_fail "the save changed the access list: $(getfacl -cp "$hard")"
fi

e2e_log "a folder renamed with the open file in it is told of, and Save says why it cannot save there"
mkdir "$docs/sub"
printf 'dint\r\n' >"$docs/sub/f.txt"
e2e_key alt+f a
e2e_answer_file_dialog "$docs/sub/f.txt"
e2e_wait_frame "$(e2e_upper "$docs/sub/f.txt")" || e2e_fail "no document window for sub/f.txt"
e2e_type s
sleep 0.3
mv "$docs/sub" "$docs/sub.moved"
answer_box "$(mdi_box "'A cartella [$docs/sub]")" Return
file_save
answer_box "$(mdi_box "Nun se po' astipà llà")" Return
e2e_expect_bytes "$docs/sub.moved/f.txt" 'dint\r\n'
e2e_key alt+f c
answer_box "$(e2e_wait_dialog)" alt+n

todo=$docs/todo.txt
printf 'uno\r\n' >"$todo"
e2e_log "outside writers: $todo open with unsaved edits"
e2e_key alt+f a
e2e_answer_file_dialog "$todo"
e2e_wait_frame "$(e2e_upper "$todo")" || e2e_fail "no document window titled '$(e2e_upper "$todo")'"
typed=""
for change in "echo >>" "cp over" "mv over" "sed -i" touch chmod "same bytes" rm; do
  e2e_log "outside writer: $change"
  e2e_focus "$E2E_FRAME"
  e2e_type x
  typed=x$typed
  sleep 0.3
  case $change in
    "echo >>") echo fora >>"$todo" ;;
    "cp over") printf 'copia\r\n' >"$docs/other.txt" && cp "$docs/other.txt" "$todo" ;;
    "mv over") printf 'nuovo\r\n' >"$docs/new.txt" && mv "$docs/new.txt" "$todo" ;;
    "sed -i") sed -i 's/uno/UNO/' "$todo" ;;
    touch) touch -d '2001-01-01' "$todo" ;;
    chmod) chmod 600 "$todo" ;;
    "same bytes") cat "$todo" >"$docs/same.txt" && cat "$docs/same.txt" >"$todo" ;;
    rm) rm "$todo" ;;
  esac
  outside=$(od -An -tx1 "$todo" 2>/dev/null) || outside=none
  case $change in
    touch | chmod | "same bytes")
      no_box
      file_save
      ;;
    rm)
      answer_box "$(mdi_box "nun ce sta cchiù")" Return
      file_save
      ;;
    *)
      answer_box "$(mdi_box "quanno astipate, ve spio primma")" Return
      file_save
      # Return is No: nothing is written, byte for byte.
      answer_box "$(mdi_box "Astipamme 'o stesso")" Return
      sleep 0.5
      [[ "$(od -An -tx1 "$todo")" == "$outside" ]] || e2e_fail "No changed $todo after $change"
      file_save
      answer_box "$(mdi_box "Astipamme 'o stesso")" shift+Tab space
      ;;
  esac
  wait_bytes "$todo" "${typed}uno\r\n\r\n"
done

e2e_log "a window without unsaved edits is offered a reload"
echo fora >>"$todo"
answer_box "$(mdi_box "'O leggimme n'ata vota")" shift+Tab space
e2e_wait_texts_contain fora || e2e_fail "the reloaded text does not show"
e2e_screenshot reloaded

e2e_log "two windows on one file: the second's save is not undone by the first"
e2e_type a
e2e_key alt+f a
e2e_answer_file_dialog "$todo"
e2e_type b
file_save
sleep 1
no_box
[[ "$(head -c 1 "$todo")" == b ]] || e2e_fail "the second window's save did not reach $todo"
saved_by_second=$(od -An -tx1 "$todo")
e2e_focus "$E2E_FRAME"
e2e_key ctrl+Tab
answer_box "$(mdi_box "quanno astipate, ve spio primma")" Return
file_save
answer_box "$(mdi_box "Astipamme 'o stesso")" Return
sleep 0.5
[[ "$(od -An -tx1 "$todo")" == "$saved_by_second" ]] || e2e_fail "the first window undid the second's save"

e2e_log "File, Exit: No to the save question ends the program"
e2e_key alt+f j
# The first window on todo.txt still holds its unsaved edit: No to its save question.
box=$(e2e_wait_dialog) || e2e_fail "no save question"
answer_box "$box" alt+n
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
e2e_expect_bytes "$readme" 'uno\ndue\n'
e2e_expect_bytes "$accents" 'caff\xc3\xa8 \xe2\x82\xac\n'

if [[ -n "$(find "$XDG_STATE_HOME/Tavulella" -type f 2>/dev/null)" ]]; then
  e2e_fail "a clean exit left copies of unsaved text behind"
fi

e2e_log "typing while another program appends a line every 0.3 s: no key is lost, one notice"
log=$docs/log.txt
printf 'w0000\n' >"$log"
e2e_start_program "$log"
e2e_wait_frame "$(e2e_upper "$log")" || e2e_fail "$log did not open"
e2e_focus "$E2E_FRAME"
touch "$E2E_TMP/appending"
(
  i=1
  while [[ -e "$E2E_TMP/appending" ]]; do
    printf 'w%04d\n' "$i" >>"$log"
    i=$((i + 1))
    sleep 0.3
  done
) &
typed=""
for i in $(seq 1 12); do typed+="parola$i "; done
xdotool type --delay "$E2E_TYPE_DELAY" -- "$typed"
[[ -z "$(e2e_find_windows '^MDI$')" ]] || e2e_fail "a notice came while the user typed"
# Once the typing has paused, the change is told; then no more while the file goes on changing.
answer_box "$(mdi_box "quanno astipate, ve spio primma")" Return
sleep 3
[[ -z "$(e2e_find_windows '^MDI$')" ]] || e2e_fail "the file that keeps changing was told again"
rm -f "$E2E_TMP/appending"
sleep 0.5
texts=$(e2e_a11y texts)
[[ "$texts" == "'${typed}w0000\\n'" ]] || e2e_fail "typed keys were lost: $texts"
file_save
answer_box "$(mdi_box "Astipamme 'o stesso")" shift+Tab space
# An LF text that ends with its line break is written as it is.
wait_bytes "$log" "${typed}w0000\n"
e2e_stop "$E2E_PID"

e2e_log "passed"
