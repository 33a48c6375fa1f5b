#!/usr/bin/env bash
# End to end: the program as the editor of the programs that start one and wait for it
# (EDITOR, VISUAL, SUDO_EDITOR, FCEDIT set to "tavulella --wait"): git commit, commit --amend,
# rebase -i, add -p with e, crontab -e, sudoedit of an existing and of a new file, visudo -f of
# a new file, less's v and bash's fc. Each gets back exactly the bytes the user typed: an LF
# file keeps its last line break without growing an empty line, a new file is LF, and accents
# typed into an ASCII file are UTF-8. The clients run in turn with the frame already running and
# without one; the save question is answered Yes, No or Cancel.
#
# usage: e2e_clients.sh path/to/tavulella
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup "$1"

# Keys of their own for the accents typed (xdotool would lend a spare key for each press and
# take it back at once, which a busy program may read too late).
keys=$(xmodmap -pke | awk 'NF == 3 && $2 > 8 { print $2 }' | head -n 3)
read -r -d '' key1 key2 key3 <<<"$keys" || true
xmodmap -e "keycode $key1 = agrave" -e "keycode $key2 = egrave" -e "keycode $key3 = lstroke"

editor="$E2E_BIN --wait"
# A UTF-8 session whose programs speak English: git's message templates are then plain ASCII.
export LANG=C.UTF-8 LC_ALL=C.UTF-8 TZ=Europe/Rome
export GIT_AUTHOR_NAME=Prova GIT_AUTHOR_EMAIL=prova@example.org
export GIT_COMMITTER_NAME=Prova GIT_COMMITTER_EMAIL=prova@example.org
CLIENT_PID=""
KNOWN=""
DOC=""

# frame_running: a frame is up before the next client starts (its start-up window among them).
frame_running() {
  if ! e2e_program_running; then
    e2e_start_program
    e2e_wait_frame "Senza nomme" || e2e_fail "no start-up window"
  fi
}
# no_frame: the next client starts without a frame running.
no_frame() {
  e2e_stop "$E2E_PID"
  E2E_PID=""
}

# client CMD...: runs CMD in the background, in a terminal's place: its output is logged.
client() {
  KNOWN=$(e2e_a11y frames 2>/dev/null || true)
  "$@" >>"$E2E_ARTIFACTS/$E2E_NAME.clients.log" 2>&1 &
  CLIENT_PID=$!
  e2e_track "$CLIENT_PID"
}

# opened: waits for the document window the client's editor opened; DOC is its caption.
opened() {
  local deadline=$((SECONDS + E2E_TIMEOUT)) frames name
  # Without a frame running, the editor started one.
  e2e_program_running || e2e_adopt_frame
  while :; do
    frames=$(e2e_a11y frames 2>/dev/null || true)
    while read -r name; do
      [[ -z "$name" || "$name" == Tavulella ]] && continue
      grep -qxF -- "$name" <<<"$KNOWN" || {
        DOC=$name
        return 0
      }
    done <<<"$frames"
    ((SECONDS < deadline)) || {
      e2e_fail "the client's file did not open"
      return 1
    }
    sleep 0.3
  done
}

# close_window ANSWER: File, Close of the active window; ANSWER (Yes, No, Cancel or none, for a
# window without changes) answers the save question.
close_window() {
  e2e_focus "$E2E_FRAME"
  e2e_key alt+f c
  [[ "$1" == none ]] && return 0
  local box
  box=$(e2e_wait_dialog) || e2e_fail "no save question"
  e2e_focus "$box"
  case "$1" in
    Yes) e2e_key Return ;;
    No) e2e_key alt+n ;;
    Cancel) e2e_key Escape ;;
  esac
  e2e_wait_window_closed "$box" || e2e_fail "the save question did not close"
}

# client_done: the client ends, with status 0.
client_done() {
  local deadline=$((SECONDS + E2E_TIMEOUT)) status=0
  while e2e_alive "$CLIENT_PID"; do
    ((SECONDS < deadline)) || e2e_fail "the client did not end after its window closed"
    sleep 0.1
  done
  wait "$CLIENT_PID" || status=$?
  ((status == 0)) || e2e_fail "the client ended with status $status"
}

# expect_same FILE BYTES: FILE holds exactly BYTES (printf's escapes), shown with od otherwise.
expect_same() {
  e2e_expect_bytes "$1" "$2"
}

# message: the raw bytes of the last commit's message in $E2E_TMP/message (git log would show a
# message that is not UTF-8 converted from Latin-1).
message() {
  git cat-file commit HEAD | sed '1,/^$/d' >"$E2E_TMP/message"
}

repo=$E2E_TMP/repo
git init -q "$repo"
cd "$repo"
printf 'uno\n' >uno.txt
git add uno.txt

e2e_log "git commit, no frame running: accents typed into git's ASCII message are UTF-8; Cancel, then Yes"
no_frame
client env EDITOR="$editor" git commit -q
opened
e2e_type "Citt"
e2e_key agrave
e2e_type " bella "
# (git itself takes a message that is not UTF-8 as Latin-1; a character beyond the code page
# shows what the editor wrote.)
e2e_key lstroke
e2e_screenshot git-commit
close_window Cancel
sleep 0.5
e2e_alive "$CLIENT_PID" || e2e_fail "git went on after Cancel"
close_window Yes
client_done
message
expect_same "$E2E_TMP/message" 'Citt\xc3\xa0 bella \xc5\x82\n'

e2e_log "git commit --amend of an ASCII message, the frame running: è and ł typed are UTF-8"
printf 'due\n' >due.txt
git add due.txt
git commit -q -m "Seconna"
frame_running
client env EDITOR="$editor" git commit -q --amend
opened
e2e_key End
e2e_type " "
e2e_key egrave lstroke
close_window Yes
client_done
message
expect_same "$E2E_TMP/message" 'Seconna \xc3\xa8\xc5\x82\n'

e2e_log "git rebase -i, no frame running: reword and squash go on"
printf 'tre\n' >tre.txt
git add tre.txt
git commit -q -m "Terza"
no_frame
client env GIT_EDITOR="$editor" git rebase -q -i HEAD~2
opened
e2e_key Delete Delete Delete Delete
e2e_type "reword"
e2e_key Down Home Delete Delete Delete Delete
e2e_type "squash"
close_window Yes
opened
e2e_type "Nova "
close_window Yes
opened
close_window none
client_done
git log --format=%s >"$E2E_TMP/log"
expect_same "$E2E_TMP/log" 'Nova Seconna \xc3\xa8\xc5\x82\nCitt\xc3\xa0 bella \xc5\x82\n'
git show --stat HEAD | grep -q tre.txt || e2e_fail "the squashed commit lost tre.txt"

e2e_log "git add -p with e, the frame running: the edited hunk applies"
frame_running
printf 'uno\nquattro\n' >uno.txt
printf 'e\n' >"$E2E_TMP/answers"
# (A background command's own input would be empty.)
client env GIT_EDITOR="$editor" sh -c 'git add -p uno.txt <"$1"' add "$E2E_TMP/answers"
opened
# A change that is taken back: the window saves the hunk as it came.
e2e_type "z"
e2e_key BackSpace
close_window Yes
client_done
git diff --cached >"$E2E_TMP/diff"
grep -qx '+quattro' "$E2E_TMP/diff" || e2e_fail "the edited hunk was not applied"

e2e_log "sudoedit of an existing file, the frame running: Yes writes one line end, No nothing"
conf=$E2E_TMP/config.conf
printf 'chiave=valore\n' >"$conf"
for round in 1 2; do
  client env SUDO_EDITOR="$editor" sudoedit "$conf"
  opened
  e2e_key End
  e2e_type "$round"
  close_window Yes
  client_done
done
expect_same "$conf" 'chiave=valore12\n'
client env SUDO_EDITOR="$editor" sudoedit "$conf"
opened
e2e_type "x"
close_window No
client_done
expect_same "$conf" 'chiave=valore12\n'

e2e_log "sudoedit of a new file, no frame running: LF line ends"
no_frame
client env SUDO_EDITOR="$editor" sudoedit "$E2E_TMP/nuovo.conf"
opened
e2e_type "uno=1"
e2e_key Return
e2e_type "due=2"
close_window Yes
client_done
expect_same "$E2E_TMP/nuovo.conf" 'uno=1\ndue=2\n'

# crontab -e writes the user's crontab in the system's spool: only where the machine may be
# changed, and when the user has none (it is removed again).
if [[ "${CI:-}" == true || "${TAVULELLA_MACHINE_TESTS:-0}" == 1 ]] && ! crontab -l >/dev/null 2>&1; then
  e2e_log "crontab -e, the frame running: an è typed into the ASCII crontab is UTF-8"
  client env VISUAL="$editor" crontab -e
  opened
  e2e_key ctrl+End
  e2e_type "# caff"
  e2e_key egrave
  close_window Yes
  client_done
  crontab -l | tail -n 1 >"$E2E_TMP/crontab"
  crontab -r
  expect_same "$E2E_TMP/crontab" '# caff\xc3\xa8\n'
else
  e2e_log "crontab -e left out: it would change the machine (CI=true or TAVULELLA_MACHINE_TESTS=1 let it run)"
fi

e2e_log "visudo -f of a new file, the frame running: it parses"
frame_running
client env VISUAL="$editor" visudo -f "$E2E_TMP/regole"
opened
e2e_type "root ALL=(ALL:ALL) ALL"
close_window Yes
client_done
expect_same "$E2E_TMP/regole" 'root ALL=(ALL:ALL) ALL\n'
visudo -c -q -f "$E2E_TMP/regole" || e2e_fail "visudo finds the new file wrong"

e2e_log "less, then v, no frame running: the file opens at the line shown, and saves as typed"
no_frame
seq 1 100 >"$E2E_TMP/numeri.txt"
cp "$E2E_TMP/numeri.txt" "$E2E_TMP/numeri.expected"
sed -i 's/^50$/50 visto/' "$E2E_TMP/numeri.expected"
# less reads its keys from a terminal: a pseudo-terminal of its own, and "50g" brings line 50 to
# the top of the screen before v, which names the top line (less's own default names the middle
# one, which depends on the terminal's height).
client env VISUAL="$editor" LESSEDIT='%E ?lt+%lt. %f' "$E2E_PYTHON" -c '
import os, pty, sys, time
pid, fd = pty.fork()
if pid == 0:
    os.environ["TERM"] = "xterm"
    os.execvp("less", ["less", sys.argv[1]])
def drain():
    try:
        while os.read(fd, 4096): pass
    except OSError: pass
import threading
threading.Thread(target=drain, daemon=True).start()
time.sleep(1); os.write(fd, b"50g"); time.sleep(0.5); os.write(fd, b"v")
while not os.path.exists(sys.argv[2]): time.sleep(0.1)
time.sleep(0.5); os.write(fd, b"q")
sys.exit(os.waitstatus_to_exitcode(os.waitpid(pid, 0)[1]))
' "$E2E_TMP/numeri.txt" "$E2E_TMP/closed"
opened
e2e_key End
e2e_type " visto"
close_window Yes
touch "$E2E_TMP/closed"
client_done
cmp "$E2E_TMP/numeri.expected" "$E2E_TMP/numeri.txt" || e2e_fail "less's v: the file holds $(diff "$E2E_TMP/numeri.expected" "$E2E_TMP/numeri.txt")"

e2e_log "bash's fc, the frame running: the edited command runs as typed"
frame_running
# Commands read from a file, with history kept, as a terminal's shell would keep them.
printf 'set -o history\necho -n "ciao "\nfc\n' >"$E2E_TMP/fc.sh"
client env FCEDIT="$editor" sh -c 'bash <"$1" >"$2"' fc "$E2E_TMP/fc.sh" "$E2E_TMP/fc.out"
opened
e2e_key End
e2e_type " citt"
e2e_key agrave
close_window Yes
client_done
expect_same "$E2E_TMP/fc.out" 'ciao ciao  citt\xc3\xa0'

e2e_log "passed"
