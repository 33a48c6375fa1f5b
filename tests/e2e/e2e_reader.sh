#!/usr/bin/env bash
# What a screen reader says while the user moves through a document: Orca, speaking through
# speech-dispatcher and espeak-ng into libao's null output, listens to the program on the
# accessibility bus and logs every text it speaks. Each key must be followed by the speech a user
# needs: the line, the character, the word, "selected". Then a long line is read row by row and
# by sentences over the accessibility bus, as reading ahead of the caret does (Say All, braille):
# every part starts and ends between words.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup "${1:?usage: $0 path/to/tavulella}"
command -v orca >/dev/null 2>&1 || e2e_fail "'orca' is missing; scripts/deps.sh test installs it"

# speech-dispatcher reads its settings from the private XDG_CONFIG_HOME; libao's null driver
# takes the sound, as no sound server runs here.
mkdir -p "$XDG_CONFIG_HOME/speech-dispatcher" "$E2E_TMP/orca"
cat >"$XDG_CONFIG_HOME/speech-dispatcher/speechd.conf" <<'CONF'
AudioOutputMethod "libao"
AddModule "espeak-ng" "sd_espeak-ng" "espeak-ng.conf"
DefaultModule espeak-ng
CONF
echo "default_driver=null" >"$HOME/.libao"

lines=$E2E_TMP/lines.txt
printf 'Prima riga\nSeconda\nTerza\nQuarta e ultima\n' >"$lines"
long=$E2E_TMP/long.txt
# 50,000 characters of numbered words, one line.
"$E2E_PYTHON" -c '
import sys
s = " ".join("w%05d" % i for i in range(8000))[:50000]
sys.stdout.write(s)' >"$long"

orcalog=$E2E_TMP/orca.log
# Orca opens its log with Python's default buffering, which writes it in blocks of 8 KB; run
# with its log opened line by line, each line is there as soon as it is written.
setsid "$E2E_PYTHON" -c '
import builtins, runpy, sys
log, opened = sys.argv[1], builtins.open
def line_buffered(name, mode="r", *args, **kwargs):
    if name == log and mode == "w":
        return opened(name, mode, 1)
    return opened(name, mode, *args, **kwargs)
builtins.open = line_buffered
sys.argv = ["orca", "--replace", "-u", sys.argv[2], "--debug-file=" + log]
runpy.run_path("/usr/bin/orca", run_name="__main__")' "$orcalog" "$E2E_TMP/orca" \
  >"$E2E_TMP/orca.out" 2>&1 </dev/null &
orca_pid=$!
e2e_track "$orca_pid" group
# Orca and the speech-dispatcher it starts end with the check, also when it fails.
stop_speech() {
  local status=$? speechd
  e2e_stop "$orca_pid" group
  # The one that listens on this check's own socket.
  for speechd in $(pgrep -f -- "--socket-path $XDG_RUNTIME_DIR/speech-dispatcher/" || true); do
    e2e_stop "$speechd"
  done
  (exit "$status")
  e2e_cleanup
}
trap stop_speech EXIT
deadline=$((SECONDS + E2E_TIMEOUT))
until grep -q "SPEECH OUTPUT: 'Screen reader on.'" "$orcalog" 2>/dev/null; do
  ((SECONDS < deadline)) || { tail -n 20 "$E2E_TMP/orca.out" >&2; e2e_fail "Orca did not start"; }
  sleep 0.2
done
e2e_log "Orca speaks"

# quiet: waits until Orca has written nothing for half a second (or E2E_TIMEOUT has passed).
quiet() {
  local size=-1 now deadline=$((SECONDS + E2E_TIMEOUT))
  sleep 0.2
  while now=$(stat -c %s "$orcalog") && [[ "$now" != "$size" ]] && ((SECONDS < deadline)); do
    size=$now
    sleep 0.5
  done
}

# read_keys FILE KEY...: opens FILE, waits until Orca has spoken its first line, presses each
# KEY after Orca has finished with the one before, closes the program, and prints what Orca said
# after each key, one line per key: how many caret moves it heard of, ":", and the texts spoken,
# joined by " | ".
read_keys() {
  local file=$1 first=$2 key from
  shift 2
  e2e_start_program "$file" >&2
  deadline=$((SECONDS + E2E_TIMEOUT))
  until grep -qF "SPEECH OUTPUT: '$first" "$orcalog"; do
    ((SECONDS < deadline)) || e2e_fail "Orca did not read the first line of $file"
    sleep 0.2
  done
  from=$(wc -l <"$orcalog")
  for key in "$@"; do
    if [[ "$key" == *+* ]]; then
      # The modifier goes down first and alone: Orca takes the key that follows as moving by
      # words or selecting only once it has seen the modifier pressed.
      xdotool keydown "${key%%+*}"
      quiet
      xdotool key -- "${key#*+}"
      quiet
      xdotool keyup "${key%%+*}"
    else
      xdotool key -- "$key"
    fi
    quiet
  done
  tail -n +"$from" "$orcalog" >"$E2E_TMP/keys.log"
  "$E2E_PYTHON" - "$E2E_TMP/keys.log" <<'PY'
import re, sys
# What Orca speaks after a key, and the caret moves it hears of, belong to that key; a modifier
# key is part of the next key, and what Orca says for the modifier itself is left out.
modifiers = ("Shift_L", "Control_L")
spoken = None
moves = 0
press = False
def said():
    if spoken is not None:
        print("%d:%s" % (moves, " | ".join(spoken)))
for line in open(sys.argv[1], errors="replace"):
    if "type=ATSPI_KEY_PRESSED_EVENT" in line:
        press = True
        continue
    m = re.search(r"event_string=\((.*)\)", line)
    if m and press:
        press = False
        if m.group(1) not in modifiers:
            said()
            spoken, moves = [], 0
        continue
    if "EVENT MANAGER: object:text-caret-moved for" in line:
        moves += 1
    m = re.search(r"SPEECH OUTPUT: '(.*?)' ?\{", line)
    if m and spoken is not None and not m.group(1).startswith(("left shift", "left control")):
        spoken.append(m.group(1))
said()
PY
  e2e_stop "$E2E_PID"
  E2E_PID=""
}

# expect_said LABEL FILE EXPECTED...: what Orca said after each key (FILE, one line per key) is
# exactly EXPECTED, one argument per key.
expect_said() {
  local label=$1 file=$2 i=0 got
  shift 2
  mapfile -t got <"$file"
  if [[ ${#got[@]} -ne $# ]]; then
    e2e_fail "$label: Orca spoke after ${#got[@]} keys, not $#: $(printf '[%s] ' "${got[@]}")"
  fi
  for want in "$@"; do
    [[ "${got[i]}" == "$want" ]] ||
      e2e_fail "$label: after key $((i + 1)) Orca said [${got[i]}], not [$want]"
    i=$((i + 1))
  done
}

# Short lines: each key moves the caret once, and Orca speaks the line, the character or the
# word it lands on; End speaks the line break it stands before, and Shift+Right over that line
# break speaks it as selected.
read_keys "$lines" "Prima riga" Down Down Down Up Right Right ctrl+Right Home End shift+Right \
  >"$E2E_TMP/lines.said"
expect_said "short lines" "$E2E_TMP/lines.said" "1:Seconda" "1:Terza" "1:Quarta e ultima" \
  "1:Terza" "1:e" "1:r" "1:Terza" "1:T" "1:blank" "1:selected"

# The long line: each Down speaks the next row, of whole words; End stops before the space that
# ends the row, Home goes back to its first letter, and Shift+Right selects that letter.
read_keys "$long" "w00000" Down Down End Home shift+Right >"$E2E_TMP/long.said"
mapfile -t said <"$E2E_TMP/long.said"
[[ ${#said[@]} -eq 5 ]] || e2e_fail "long line: Orca spoke after ${#said[@]} keys, not 5"
for row in "${said[0]}" "${said[1]}"; do
  [[ "$row" =~ ^1:(w[0-9]{5}\ )+$ ]] || e2e_fail "long line: a row spoken is [$row]"
done
first=${said[1]#1:}
first=${first%% *}
[[ "${said[2]}" == "1: " && "${said[3]}" == "1:w" && "${said[4]}" == "1:w | selected" ]] ||
  e2e_fail "long line: End, Home and Shift+Right spoke [${said[2]}], [${said[3]}], [${said[4]}]"
last=${said[0]% }
last=${last##* }
((10#${first#w} == 10#${last#w} + 1)) || e2e_fail "long line: the second row does not follow the first"

# Reading ahead of the caret, as Say All and braille do: the long line row by row from its
# start, and the sentence around an offset far into it.
e2e_start_program "$long"
e2e_wait_texts_contain "w00000 w00001" || e2e_fail "the long line did not open"
timeout "$E2E_TIMEOUT" "$E2E_PYTHON" - "$E2E_PID" <<'PY' || e2e_fail "the long line is read in parts cut inside words"
import re, sys
import pyatspi

pid = int(sys.argv[1])
app = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == pid][0]
def texts(node):
    if node.getRoleName() == "text":
        yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None and node.getRoleName() not in ("menu bar", "menu"):
            yield from texts(child)
text = next(texts(app)).queryText()
count = text.characterCount
whole = text.getText(0, count)
at = 0
rows = 0
while at < count:
    row, start, end = text.getTextAtOffset(at, pyatspi.TEXT_BOUNDARY_LINE_START)
    if start != at or end <= at or (end < count and not row.endswith(" ")) or not row.startswith("w"):
        sys.exit("row at %d: (%d, %d) %r" % (at, start, end, row[:20] + "..." + row[-20:]))
    at = end
    rows += 1
sentence, start, end = text.getTextAtOffset(11588, pyatspi.TEXT_BOUNDARY_SENTENCE_START)
if not (start <= 11588 < end and whole[start - 1] == " " and whole[end] == " "):
    sys.exit("sentence at 11588: (%d, %d) %r" % (start, end, sentence[:20]))
print("%d rows of whole words; the sentence at 11588 is (%d, %d)" % (rows, start, end))
PY
e2e_log "passed"
