#!/usr/bin/env bash
# End to end: the program among the desktop's services. Under an Italian locale Qt's own words
# (the save question's buttons, the file dialog) are Italian and the buttons' mnemonics work,
# while the program's own captions stay Neapolitan; a screen reader finds the toolbar as a tool
# bar of named push buttons and presses them; closing the active document window hands the
# keyboard to the window used before it; at a scale factor of 2 the toolbar keeps its layout and
# every picture pixel is a sharp 2 x 2 square. Started with files, the program opens them, or
# tells why it cannot. A later launch hands its files to the running frame over the session bus
# and ends; with --wait it returns once their windows have closed, which makes git commit work.
#
# usage: e2e_desktop.sh path/to/tavulella
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup "$1"

# desk MODE [ARG]: reads or works the program over the accessibility bus.
#   toolbar       the tool bar and its children, "role|name" one a line
#   press NAME    runs the press action of the toolbar button NAME
#   texts         "name|repr(text)" of every text box
#   alert         "role|name" of the buttons of the open message box
#   prompt        the text of the open message box
#   extents       "name x y width height" of the tool bar, its buttons and the named pictures,
#                 in device-independent pixels
desk() {
  timeout "$E2E_TIMEOUT" "$E2E_PYTHON" - "$E2E_PID" "$@" <<'PY'
import sys
import pyatspi

pid, mode, arg = int(sys.argv[1]), sys.argv[2], (sys.argv[3] if len(sys.argv) > 3 else None)
desktop = pyatspi.Registry.getDesktop(0)
apps = [a for a in desktop if a is not None and a.get_process_id() == pid]
if not apps:
    sys.exit("the program is not on the accessibility bus")

def walk(node):
    yield node
    if node.getRoleName() in ("menu bar", "menu", "popup menu"):
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)

nodes = list(walk(apps[0]))
bars = [n for n in nodes if n.getRoleName() == "tool bar"]
buttons = [bars[0].getChildAtIndex(i) for i in range(bars[0].childCount)] if bars else []
if mode == "toolbar":
    for n in bars + buttons:
        print("%s|%s" % (n.getRoleName(), n.name))
elif mode == "press":
    for b in buttons:
        if b.name == arg:
            action = b.queryAction()
            names = [action.getName(i).lower() for i in range(action.nActions)]
            if "press" not in names:
                sys.exit("%s has no press action: %r" % (arg, names))
            action.doAction(names.index("press"))
            break
    else:
        sys.exit("no toolbar button named %r" % arg)
elif mode == "texts":
    for n in nodes:
        if n.getRoleName() == "text":
            t = n.queryText()
            print("%s|%r" % (n.name, t.getText(0, t.characterCount)))
elif mode == "alert":
    for n in nodes:
        if n.getRoleName() == "alert":
            for m in walk(n):
                if m.getRoleName() == "push button":
                    print("%s|%s" % (m.getRoleName(), m.name))
elif mode == "prompt":
    for n in nodes:
        if n.getRoleName() == "alert":
            for m in walk(n):
                if m.getRoleName() == "label" and m.name:
                    print(m.name)
elif mode == "extents":
    pictures = [n for n in nodes if n.getRoleName() == "image" and n.name]
    for n in bars + buttons + pictures:
        e = n.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print(n.name, e.x, e.y, e.width, e.height)
PY
}

# text_of NAME: the text of the text box named NAME (as repr), or nothing.
text_of() {
  desk texts | sed -n "s/^$(sed 's/[]\/$*.^[]/\\&/g' <<<"$1")|//p"
}

# expect_text NAME REPR: the text box of window NAME shows exactly REPR (a Python repr).
expect_text() {
  local got="" deadline=$((SECONDS + E2E_TIMEOUT))
  while :; do
    got=$(text_of "$1") || got=""
    [[ "$got" == "$2" ]] && return 0
    ((SECONDS < deadline)) || e2e_fail "the text box of '$1' shows ${got:-nothing}, not $2"
    sleep 0.3
  done
}

# frame_gone NAME: waits until no document window is named NAME.
frame_gone() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  while e2e_has_frame "$1"; do
    ((SECONDS < deadline)) || e2e_fail "the window '$1' did not close"
    sleep 0.3
  done
}

e2e_log "without a display: --help and --version answer, a file is refused in one line"
nodisplay() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$E2E_BIN" "$@" \
    >"$E2E_TMP/out.txt" 2>"$E2E_TMP/err.txt"
}
printf 'ciao' >"$E2E_TMP/notes.txt"
for option in --help -h --version -v; do
  nodisplay "$option" || e2e_fail "$option without a display ended with status $?"
  [[ -s "$E2E_TMP/out.txt" && ! -s "$E2E_TMP/err.txt" ]] ||
    e2e_fail "$option without a display wrote '$(cat "$E2E_TMP/out.txt")', '$(cat "$E2E_TMP/err.txt")'"
done
[[ "$(cat "$E2E_TMP/out.txt")" == "Tavulella "[0-9]* ]] || e2e_fail "-v wrote $(cat "$E2E_TMP/out.txt")"
status=0
nodisplay "$E2E_TMP/notes.txt" || status=$?
((status == 1)) || e2e_fail "a file without a display ended with status $status"
[[ ! -s "$E2E_TMP/out.txt" && "$(wc -l <"$E2E_TMP/err.txt")" == 1 ]] ||
  e2e_fail "a file without a display wrote '$(cat "$E2E_TMP/out.txt")', '$(cat "$E2E_TMP/err.txt")'"

e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no document window titled 'Senza nomme'"

# --- The toolbar over the accessibility bus --------------------------------------------------
e2e_log "the toolbar as a screen reader reads it"
expected=$'tool bar|\'E strumente\npush button|Nova\npush button|Arape\npush button|Taglia
push button|Cuopie\npush button|\'Ncolla'
got=$(desk toolbar) || got=""
[[ "$got" == "$expected" ]] || e2e_fail "the toolbar reads as:"$'\n'"$got"
# The text box carries its window's caption.
expect_text "Senza nomme" "''"

e2e_log "pressing Nova twice over the accessibility bus"
desk press Nova || e2e_fail "Nova could not be pressed"
e2e_wait_frame "Senza nomme:2" || e2e_fail "pressing Nova made no window 'Senza nomme:2'"
desk press Nova || e2e_fail "Nova could not be pressed"
e2e_wait_frame "Senza nomme:3" || e2e_fail "pressing Nova made no window 'Senza nomme:3'"

# --- The save question in Italian; the window used before takes over -------------------------
e2e_type "tre"
expect_text "Senza nomme:3" "'tre'"
e2e_log "File, Chiure on the changed third window: Qt's buttons are Italian"
e2e_key alt+f c
box=$(e2e_wait_dialog) || e2e_fail "no save question"
[[ "$(e2e_window_name "$box")" == Tavulella ]] || e2e_fail "the question is titled otherwise"
got=$(desk alert) || got=""
[[ "$got" == $'push button|Sì\npush button|No\npush button|Annulla' ]] ||
  e2e_fail "the save question's buttons read:"$'\n'"$got"
e2e_screenshot save-question-it
e2e_log "Alt+N answers No"
e2e_key alt+n
e2e_wait_window_closed "$box" || e2e_fail "Alt+N did not answer the question"
frame_gone "Senza nomme:3"
e2e_type "due"
expect_text "Senza nomme:2" "'due'"
expect_text "Senza nomme" "''"

e2e_log "Nova again, then the first window, then the new one, from the window list"
desk press Nova || e2e_fail "Nova could not be pressed"
e2e_wait_frame "Senza nomme:3" || e2e_fail "pressing Nova made no window 'Senza nomme:3'"
# The list ends with the windows in creation order: Senza nomme, :2, :3.
e2e_key alt+f Up Up Up Return
e2e_key alt+f Up Return
e2e_log "File, Chiure on the unchanged third window: the first one, used before it, takes over"
e2e_key alt+f c
frame_gone "Senza nomme:3"
e2e_type "uno"
expect_text "Senza nomme" "'uno'"
expect_text "Senza nomme:2" "'due'"

# --- Cut, Copy and Paste pressed over the accessibility bus ----------------------------------
e2e_log "Taglia, 'Ncolla and Cuopie pressed over the accessibility bus"
e2e_key alt+c p
desk press Taglia || e2e_fail "Taglia could not be pressed"
expect_text "Senza nomme" "''"
desk press "'Ncolla" || e2e_fail "'Ncolla could not be pressed"
expect_text "Senza nomme" "'uno'"
e2e_type " e"
e2e_key alt+c p
desk press Cuopie || e2e_fail "Cuopie could not be pressed"
desk press "'Ncolla"
desk press "'Ncolla"
expect_text "Senza nomme" "'uno euno e'"

# --- The file dialog, opened by a press that does not wait for it ----------------------------
e2e_log "Arape pressed over the accessibility bus: the open dialog is Qt's, in Italian"
desk press Arape || e2e_fail "Arape could not be pressed (a press that waits for the dialog?)"
dialog=$(e2e_wait_dialog) || e2e_fail "pressing Arape opened no dialog"
title=$(e2e_window_name "$dialog")
[[ "$title" == Apri ]] || e2e_fail "the open dialog is titled '$title'"
e2e_key Escape
e2e_wait_window_closed "$dialog" || e2e_fail "Esc did not close the open dialog"
e2e_screenshot scale-1

# --- Scale factor 2 ---------------------------------------------------------------------------
e2e_log "the same program at a scale factor of 2"
e2e_stop "$E2E_PID"
E2E_PID=""
export QT_SCALE_FACTOR=2
e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no document window at scale 2"
sleep 0.5
# screen NAME: a screenshot, kept among the artifacts and converted for the check below.
screen() {
  import -display "$DISPLAY" -window root "$E2E_TMP/$1.png"
  cp "$E2E_TMP/$1.png" "$E2E_ARTIFACTS/$E2E_NAME-$1.png"
  convert "$E2E_TMP/$1.png" "$E2E_TMP/$1.ppm"
}
screen scale-2
e2e_key alt+h
about=$(e2e_wait_window "^Chi songh'io!\$") || e2e_fail "the About box did not open at scale 2"
sleep 0.5
# The About box, centred on the screen, covers part of the toolbar: a second screenshot.
screen scale-2-about
desk extents >"$E2E_TMP/extents" || e2e_fail "no extents over the accessibility bus"
# The accessibility bus reports places and sizes in device-independent pixels, two screen pixels
# each: the toolbar's layout is that of scale 1, a 27 px strip with 16 x 15 buttons at 0, 24, 56,
# 80 and 104 px inside its 1 px border, and the About box's two pictures are 32 x 32. On the
# screen every pixel of the toolbar's pictures and of the coffee cup is a 2 x 2 square of one
# colour (not smoothed), and each shows a picture, not a blank. (The volcano's bottom row lies on
# the About frame's border line, which a transparent corner lets through.)
"$E2E_PYTHON" - "$E2E_TMP"/{extents,scale-2.ppm,scale-2-about.ppm} <<'PY' || e2e_fail "scale 2"
import sys

rows = [line.rsplit(" ", 4) for line in open(sys.argv[1]).read().splitlines()]
boxes = {name: (int(x), int(y), int(w), int(h)) for name, x, y, w, h in rows}

def ppm(path):
    """The width and the RGB bytes of a binary PPM file."""
    data = open(path, "rb").read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    return int(fields[1]), data[at + 1:]

bad = []
def sharp(name, shot):
    width, pixels = shot

    def pixel(x, y):
        i = 3 * (y * width + x)
        return pixels[i:i + 3]

    x, y, w, h = (2 * v for v in boxes[name])
    colours = set()
    for py in range(y, y + h, 2):
        for px in range(x, x + w, 2):
            square = {pixel(px + dx, py + dy) for dx in (0, 1) for dy in (0, 1)}
            colours |= square
            if len(square) != 1:
                bad.append("%s: the pixel at %d,%d is smoothed" % (name, (px - x) // 2, (py - y) // 2))
                return
    if len(colours) < 3:
        bad.append("%s shows no picture" % name)

toolbar_shot, about_shot = ppm(sys.argv[2]), ppm(sys.argv[3])
bx, by, bw, bh = boxes.get("'E strumente", (0, 0, 0, 0))
if bh != 27:
    bad.append("the strip is %d px high" % bh)
for name, left in zip(("Nova", "Arape", "Taglia", "Cuopie", "'Ncolla"), (0, 24, 56, 80, 104)):
    x, y, w, h = boxes[name]
    if (x - bx, y - by, w, h) != (1 + left, 1, 16, 15):
        bad.append("%s at %d,%d, %d x %d" % (name, x - bx, y - by, w, h))
    else:
        sharp(name, toolbar_shot)
for name in ("'Na tazzulella 'e cafè", "'O Vesuvio"):
    if name not in boxes or boxes[name][2:] != (32, 32):
        bad.append("the About picture %r is %r" % (name, boxes.get(name)))
    elif name != "'O Vesuvio":
        sharp(name, about_shot)
if bad:
    sys.exit("\n".join(bad[:10]))
PY
e2e_key Return
e2e_wait_window_closed "$about" || e2e_fail "Enter did not close the About box"
e2e_stop "$E2E_PID"
E2E_PID=""
unset QT_SCALE_FACTOR

# --- Files named on the command line ----------------------------------------------------------
# expect_prompt TEXT: a message box shows TEXT; Enter closes it.
expect_prompt() {
  local box got
  box=$(e2e_wait_dialog) || e2e_fail "no message box for: $1"
  got=$(desk prompt) || got=""
  [[ "$got" == "$1" ]] || e2e_fail "the message box says '$got', not '$1'"
  e2e_focus "$box"
  e2e_key Return
  e2e_wait_window_closed "$box" || e2e_fail "Enter did not close the message box"
}

e2e_log "started with a file, relative to the working folder: only its window"
printf 'ciao' >"$E2E_TMP/notes.txt"
head -c 65001 /dev/zero | tr '\0' x >"$E2E_TMP/big.txt"
pushd "$E2E_TMP" >/dev/null
e2e_start_program notes.txt
popd >/dev/null
notes=$(e2e_upper "$E2E_TMP/notes.txt")
e2e_wait_frame "$notes" || e2e_fail "no document window '$notes'"
expect_text "$notes" "'ciao'"
! e2e_has_frame "Senza nomme" || e2e_fail "the start-up window was made beside the file's"
e2e_stop "$E2E_PID"
E2E_PID=""

e2e_log "started with a too-large and a missing file: their messages, then the start-up window"
e2e_start_program "$E2E_TMP/big.txt" "file://$E2E_TMP/missing.txt"
expect_prompt "'O file è troppo gruosso po pute' arapì."
expect_prompt "Impossibile aprire il file: $E2E_TMP/missing.txt"
e2e_wait_frame "Senza nomme" || e2e_fail "no start-up window after the refused files"
e2e_stop "$E2E_PID"
E2E_PID=""

# --- One frame per session, and --wait -------------------------------------------------------
# launch ARGS...: a later launch of the program, run to its end; returns its status.
launch() {
  timeout 60 "$E2E_BIN" "$@" >>"$E2E_ARTIFACTS/$E2E_NAME.launches.log" 2>&1 </dev/null
}
# expect_gone_prompt PATH: the message that the file of the active window is gone; Enter.
expect_gone_prompt() {
  local box
  box=$(e2e_wait_dialog) || e2e_fail "no message that $1 is gone"
  [[ "$(desk prompt)" == *"[$1] nun ce sta cchiù."* ]] || e2e_fail "the message box says $(desk prompt)"
  e2e_focus "$box"
  e2e_key Return
  e2e_wait_window_closed "$box" || e2e_fail "Enter did not close the message box"
}

e2e_log "a name that is not UTF-8 (byte E8): from the command line, a URI and a hand-off; saved back to it"
raw=$E2E_TMP/bytes
mkdir "$raw"
printf 'tre' >"$raw/caff"$'\xe8'".txt"
e2e_start_program "$raw/caff"$'\xe8'".txt" "file://$raw/caff%E8.txt"
# The caption shows the byte as U+FFFD.
caff="$(e2e_upper "$raw")/CAFF"$'\xef\xbf\xbd'".TXT"
e2e_wait_frame "$caff" || e2e_fail "no document window '$caff'"
launch "file://$raw/caff%E8.txt" || e2e_fail "the hand-off of caff%E8.txt ended with status $?"
deadline=$((SECONDS + E2E_TIMEOUT))
until (($(e2e_a11y frames | grep -cxF -- "$caff") == 3)); do
  ((SECONDS < deadline)) || e2e_fail "not three windows '$caff' (command line, URI, hand-off)"
  sleep 0.3
done
e2e_focus "$E2E_FRAME"
e2e_type 'x'
# File, Save has no mnemonic: it is the fourth item of the File menu.
e2e_key alt+f Down Down Down Return
deadline=$((SECONDS + E2E_TIMEOUT))
until [[ "$(cat "$raw/caff"$'\xe8'".txt")" != tre ]]; do
  ((SECONDS < deadline)) || e2e_fail "the save did not reach caff\\xe8.txt"
  sleep 0.1
done
# The folder holds that one name, byte for byte.
[[ "$(ls -A "$raw")" == "caff"$'\xe8'".txt" ]] ||
  e2e_fail "the folder holds: $(ls -A "$raw" | od -An -c)"
e2e_expect_bytes "$raw/caff"$'\xe8'".txt" 'xtre\n'
e2e_stop "$E2E_PID"
E2E_PID=""

e2e_log "a second launch with a file hands it to the running frame and ends"
pushd "$E2E_TMP" >/dev/null
e2e_start_program notes.txt
popd >/dev/null
e2e_wait_frame "$notes" || e2e_fail "no document window '$notes'"
"$E2E_PYTHON" -c 'print("\n".join("riga %d" % i for i in range(3000)), end="")' \
  >"$E2E_TMP/lettera.txt"
full=$("$E2E_PYTHON" -c 'import sys; print(repr(open(sys.argv[1]).read()))' "$E2E_TMP/lettera.txt")
status=0
DESKTOP_STARTUP_ID="secondo lancio_TIME4242" launch "$E2E_TMP/lettera.txt" || status=$?
((status == 0)) || e2e_fail "the second launch ended with status $status"
# The frame takes the launch's startup notification as its own.
got=$(xprop -id "$E2E_FRAME" _NET_STARTUP_ID)
[[ "$got" == *'"secondo lancio_TIME4242"' ]] || e2e_fail "the frame's startup ID: $got"
# The caller removes the file as soon as the launch returns: the window holds it all the same.
rm "$E2E_TMP/lettera.txt"
lettera=$(e2e_upper "$E2E_TMP/lettera.txt")
e2e_wait_frame "$lettera" || e2e_fail "the running frame did not open the handed file"
expect_gone_prompt "$E2E_TMP/lettera.txt"
expect_text "$lettera" "$full"
e2e_has_frame "$notes" || e2e_fail "the first file's window is not in the same frame"
frames=$(e2e_find_windows '^Tavulella$' | wc -l)
((frames == 1)) || e2e_fail "$frames frames on the screen"
e2e_screenshot one-frame

e2e_log "a second launch without files: an empty window in the running frame"
launch || e2e_fail "the launch without files ended with status $?"
e2e_wait_frame "Senza nomme:3" || e2e_fail "no empty window 'Senza nomme:3'"

e2e_log "--wait with a frame running: returns once its window has closed, status 0"
printf 'aspetta' >"$E2E_TMP/attesa.txt"
attesa=$(e2e_upper "$E2E_TMP/attesa.txt")
launch --wait "$E2E_TMP/attesa.txt" &
waiter=$!
e2e_wait_frame "$attesa" || e2e_fail "no window '$attesa'"
sleep 1
e2e_alive "$waiter" || e2e_fail "--wait returned while its window was open"
e2e_focus "$E2E_FRAME"
e2e_key alt+f c
frame_gone "$attesa"
status=0
wait "$waiter" || status=$?
((status == 0)) || e2e_fail "--wait ended with status $status after its window closed"

e2e_log "--wait with a file that does not open: the frame says why, the status is 1"
launch --wait "$E2E_TMP/missing.txt" &
waiter=$!
expect_prompt "Impossibile aprire il file: $E2E_TMP/missing.txt"
status=0
wait "$waiter" || status=$?
((status == 1)) || e2e_fail "--wait of a missing file ended with status $status"

e2e_log "EDITOR='tavulella --wait' git commit, with the frame running"
repo=$E2E_TMP/repo
git init -q "$repo"
printf 'x\n' >"$repo/x.txt"
git -C "$repo" add x.txt
(cd "$repo" && EDITOR="$E2E_BIN --wait" timeout 60 git -c user.name=Prova \
  -c user.email=prova@example.org commit -q >>"$E2E_ARTIFACTS/$E2E_NAME.git.log" 2>&1) &
committer=$!
message=$(e2e_upper "$repo/.git/COMMIT_EDITMSG")
e2e_wait_frame "$message" || e2e_fail "git's message did not open in the running frame"
e2e_focus "$E2E_FRAME"
e2e_type "Primma prova"
e2e_screenshot commit-message
e2e_key alt+f c
box=$(e2e_wait_dialog) || e2e_fail "no save question for the commit message"
e2e_focus "$box"
e2e_key Return
status=0
wait "$committer" || status=$?
((status == 0)) || e2e_fail "git commit ended with status $status"
got=$(git -C "$repo" log -1 --format=%s)
[[ "$got" == "Primma prova" ]] || e2e_fail "the commit's message is '$got'"
e2e_stop "$E2E_PID"
E2E_PID=""

# session_of PID: the session a process belongs to.
session_of() {
  ps -o sid= -p "$1" | tr -d ' '
}
# waiter_status: waits for the waiting launch (at most E2E_TIMEOUT seconds) and sets status to
# its exit status.
waiter_status() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  while e2e_alive "$E2E_WAITER"; do
    ((SECONDS < deadline)) || e2e_fail "the waiting launch did not end"
    sleep 0.1
  done
  status=0
  wait "$E2E_WAITER" || status=$?
  E2E_WAITER=""
}

e2e_log "--wait with no frame running: the frame is a process of its own; Ctrl+C ends the launch only"
e2e_start_waiter "$E2E_TMP/notes.txt"
e2e_adopt_frame
e2e_wait_frame "$notes" || e2e_fail "no window '$notes'"
((E2E_PID != E2E_WAITER)) || e2e_fail "the waiting launch is the frame itself"
[[ "$(session_of "$E2E_PID")" != "$(session_of "$E2E_WAITER")" ]] ||
  e2e_fail "the frame shares the waiting launch's session"
launch "$E2E_TMP/attesa.txt" || e2e_fail "handing a second file over ended with status $?"
e2e_wait_frame "$attesa" || e2e_fail "the second file did not open in the frame"
kill -INT -- "-$E2E_WAITER"
waiter_status
((status == 130)) || e2e_fail "the waiting launch ended with status $status on Ctrl+C"
sleep 1
e2e_alive "$E2E_PID" || e2e_fail "Ctrl+C of the waiting launch ended the frame"
e2e_has_frame "$notes" && e2e_has_frame "$attesa" || e2e_fail "the frame lost a window on Ctrl+C"
e2e_stop "$E2E_PID"
E2E_PID=""

e2e_log "--wait +2 with no frame running, a second file handed over: the waited window closes, the launch ends at once, the frame keeps the other"
printf 'uno\ndue\ntre\n' >"$E2E_TMP/righe.txt"
righe=$(e2e_upper "$E2E_TMP/righe.txt")
e2e_start_waiter +2 "$E2E_TMP/righe.txt"
e2e_adopt_frame
e2e_wait_frame "$righe" || e2e_fail "no window '$righe'"
e2e_type "2"
launch "$E2E_TMP/notes.txt" || e2e_fail "handing a second file over ended with status $?"
e2e_wait_frame "$notes" || e2e_fail "the second file did not open in the frame"
# Back to the waited window (the next document window), then File, Close; Yes saves.
e2e_focus "$E2E_FRAME"
e2e_key ctrl+Tab
e2e_key alt+f c
box=$(e2e_wait_dialog) || e2e_fail "no save question for $righe"
[[ "$(desk prompt)" == *"[$righe]"* ]] || e2e_fail "the save question asks about $(desk prompt)"
e2e_focus "$box"
e2e_key Return
waiter_status
((status == 0)) || e2e_fail "--wait ended with status $status after its window closed"
# The caret started at line 2; an LF file that ends with its line break gets none added.
e2e_expect_bytes "$E2E_TMP/righe.txt" 'uno\n2due\ntre\n'
e2e_has_frame "$notes" || e2e_fail "the frame lost the other window"

e2e_log "--wait with the frame running; the frame killed: the launch fails"
e2e_start_waiter "$E2E_TMP/attesa.txt"
e2e_wait_frame "$attesa" || e2e_fail "no window '$attesa'"
kill -KILL "$E2E_PID"
E2E_PID=""
waiter_status
((status != 0)) || e2e_fail "--wait ended with status 0 when the frame was killed"

e2e_log "a file handed over while the quit question is open is not lost"
e2e_start_program "$E2E_TMP/notes.txt"
e2e_wait_frame "$notes" || e2e_fail "no window '$notes'"
first=$E2E_FRAME
first_pid=$E2E_PID
e2e_type "x"
e2e_key alt+f j
box=$(e2e_wait_dialog) || e2e_fail "no save question on File, Exit"
printf 'pick 1 uno\n' >"$E2E_TMP/todo.txt"
todo=$(e2e_upper "$E2E_TMP/todo.txt")
e2e_start_waiter "$E2E_TMP/todo.txt"
# The closing frame refuses it; the launch shows it in a frame of its own.
E2E_PID=$E2E_WAITER
e2e_wait_frame "$todo" || e2e_fail "the handed file shows in no frame while the quit question is open"
for id in $(e2e_find_windows '^Tavulella$'); do
  [[ "$(xprop -id "$id" _NET_WM_PID)" != *" = $E2E_WAITER" ]] || E2E_FRAME=$id
done
[[ "$E2E_FRAME" != "$first" ]] || e2e_fail "the launch shows no frame of its own"
E2E_PID=$first_pid
e2e_focus "$box"
e2e_key alt+n
e2e_wait_exit || e2e_fail "the first frame did not end after No"
E2E_PID=$E2E_WAITER
e2e_has_frame "$todo" || e2e_fail "the handed file's window went with the first frame"
e2e_focus "$E2E_FRAME"
e2e_key alt+f c
waiter_status
((status == 0)) || e2e_fail "--wait ended with status $status after its window closed"
E2E_PID=""

e2e_log "--wait with the frame running; the session bus gone: the launch fails"
e2e_start_program
e2e_start_waiter "$E2E_TMP/attesa.txt"
e2e_wait_frame "$attesa" || e2e_fail "no window '$attesa'"
# Last of all: nothing after this needs the bus.
e2e_stop "$E2E_BUS_PID" group
waiter_status
((status != 0)) || e2e_fail "--wait ended with status 0 when the bus went away"

e2e_log "passed"
