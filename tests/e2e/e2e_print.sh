#!/usr/bin/env bash
# End to end: printing through the machine's real print spooler (CUPS). A PDF queue becomes the
# default printer; the program prints a typed document of three pages with File, "'O niro
# 'ncoppo 'a carta"; the PDF that the queue writes must hold the text, each line once and in
# order, none repeated across a page boundary. Then, with no default queue and again with
# the spooler stopped, the same command must tell the user that there is no printer, and the
# program must go on.
#
# Installs cups, the PDF printer driver and poppler-utils when they are missing (as root, or
# through sudo), starts the spooler when it is not running, and leaves the spooler as it found
# it: the test's queue is removed, an earlier default printer is restored, and a spooler
# started here is stopped.
#
# usage: e2e_print.sh path/to/tavulella
set -euo pipefail
source "$(dirname "$0")/lib.sh"
e2e_changes_machine "adds a print queue and changes the default printer"

# The machine has one spooler, and this check adds and removes its default queue and may stop
# it: runs from other checkouts at the same time wait for their turn.
exec 9>"${TMPDIR:-/tmp}/tavulella-e2e-print.lock"
if ! flock -w 600 9; then
  echo "e2e_print: another print check kept the spooler for 10 minutes" >&2
  exit 1
fi

QUEUE=TavulellaPDF
PACKAGES=(cups printer-driver-cups-pdf poppler-utils)
SOCKET=/run/cups/cups.sock
PRINTED_PROMPT="Da' n'uocchio si sta stampanne bbuono! "
NO_PRINTER_PROMPT="Nun ce sta nisciuna stampante: nun se po' stampa' niente."

as_root() {
  if [[ $(id -u) -eq 0 ]]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "$E2E_NAME: needs root (or sudo) for: $*" >&2
    return 1
  fi
}

install_missing_packages() {
  local pkg missing=()
  for pkg in "${PACKAGES[@]}"; do
    [[ "$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null)" == installed ]] ||
      missing+=("$pkg")
  done
  ((${#missing[@]} == 0)) && return 0
  e2e_log "installing ${missing[*]}"
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${missing[@]}" </dev/null >/dev/null 2>&1 ||
    {
      as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q >/dev/null 2>&1 &&
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q \
          --no-install-recommends "${missing[@]}" </dev/null >/dev/null
    } || { echo "$E2E_NAME: could not install ${missing[*]}" >&2; exit 1; }
}

# The home folder of the user the jobs belong to, from the password database: the program runs
# with a private HOME, but the PDF printer writes into the user's real one.
REAL_HOME=$(getent passwd "$(id -un)" | cut -d: -f6)

# The folder the PDF printer writes this user's files into (its "Out" setting).
pdf_folder() {
  local out
  out=$(sed -n 's/^[[:space:]]*Out[[:space:]]\+//p' /etc/cups/cups-pdf.conf 2>/dev/null | tail -n 1)
  [[ -n "$out" ]] || out='${HOME}/PDF'
  out=${out//\$\{HOME\}/$REAL_HOME}
  out=${out//\$\{USER\}/$(id -un)}
  echo "$out"
}

SPOOLER_PID=""
QUEUE_ADDED=""
OLD_DEFAULT=""

spooler_up() {
  [[ -S "$SOCKET" ]] && lpstat -r 2>/dev/null | grep -q 'is running'
}

start_spooler() {
  local deadline
  spooler_up && return 0
  e2e_log "starting the print spooler"
  # Without the lock's descriptor: the spooler must not hold the lock once this check is over.
  as_root setsid /usr/sbin/cupsd -f >/dev/null 2>&1 </dev/null 9>&- &
  SPOOLER_PID=$!
  deadline=$((SECONDS + E2E_TIMEOUT))
  until spooler_up; do
    ((SECONDS < deadline)) || { echo "$E2E_NAME: the spooler did not start" >&2; exit 1; }
    sleep 0.1
  done
}

stop_spooler() {
  local pid deadline
  [[ -n "$SPOOLER_PID" ]] || return 0
  # The spooler runs as root; sudo stands between us and it, so end it by its own pid.
  pid=$(cat /run/cups/cupsd.pid 2>/dev/null || true)
  [[ -n "$pid" ]] && as_root kill -TERM "$pid" 2>/dev/null || true
  deadline=$((SECONDS + E2E_TIMEOUT))
  while spooler_up && ((SECONDS < deadline)); do sleep 0.1; done
  wait "$SPOOLER_PID" 2>/dev/null || true
  SPOOLER_PID=""
}

add_queue() {
  OLD_DEFAULT=$(lpstat -d 2>/dev/null | sed -n 's/^system default destination: //p')
  as_root lpadmin -p "$QUEUE" -v cups-pdf:/ -E -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd \
    -o pdftops-renderer-default=pdftocairo
  QUEUE_ADDED=1
  as_root lpadmin -d "$QUEUE"
}

remove_queue() {
  [[ -n "$QUEUE_ADDED" ]] || return 0
  spooler_up || start_spooler
  as_root lpadmin -x "$QUEUE" 2>/dev/null || true
  QUEUE_ADDED=""
  if [[ -n "$OLD_DEFAULT" && "$OLD_DEFAULT" != "$QUEUE" ]]; then
    as_root lpadmin -d "$OLD_DEFAULT" 2>/dev/null || true
  fi
}

print_cleanup() {
  remove_queue || true
  stop_spooler || true
}

# Runs on exit: puts the spooler back as it was, then the harness's own cleanup, which reads the
# exit status from $?. Errors must not end the cleanup half way, so -e is off here.
cleanup_all() {
  local status=$?
  set +e
  print_cleanup
  (exit "$status")
  e2e_cleanup
}

# print_from_program PROMPT: File, "'O niro 'ncoppo 'a carta" in the active document window;
# the message box "MDI" must show PROMPT exactly; Return closes it.
print_from_program() {
  local prompt=$1 box dump
  e2e_focus "$E2E_FRAME"
  e2e_key alt+f o
  box=$(e2e_wait_window '^MDI$') || e2e_fail "no message box 'MDI' after printing"
  dump=$(e2e_a11y dump) || dump=""
  # The prompt comes back as a Python repr; one with an apostrophe is in double quotes.
  grep -qF -- "label \"$prompt\"" <<<"$dump" ||
    e2e_fail "the message box does not say \"$prompt\""
  e2e_screenshot "message-$2"
  e2e_focus "$box"
  e2e_key Return
  e2e_wait_window_closed "$box" || e2e_fail "the message box did not close with Return"
  e2e_program_running || e2e_fail "the program ended after printing"
  e2e_wait_frame "Senza nomme" || e2e_fail "the document window is gone after printing"
}

install_missing_packages
e2e_setup "$1"
trap cleanup_all EXIT

start_spooler
add_queue
OUT=$(pdf_folder)
e2e_log "the queue $QUEUE is the default printer; its PDFs go to $OUT"
as_root mkdir -p "$OUT"
before=$(ls -1 "$OUT" 2>/dev/null | sort || true)

# --- printing a typed document -------------------------------------------------------------
e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no document window titled 'Senza nomme'"
line1="Stampa 'e prova d''a Tavulella"
# One word far wider than the page: it must come out wrapped, not cut off at the edge.
long=$(printf 'parola%.0s' $(seq 1 30))
E2E_TYPE_DELAY=20 e2e_type "$line1"
e2e_key Return
E2E_TYPE_DELAY=20 e2e_type "$long"
e2e_key Return
E2E_TYPE_DELAY=20 e2e_type "Fine."
# Two hundred short lines after it, pasted from another X client, fill more than one page.
seq -f 'riga %03g' 1 200 >"$E2E_TMP/lines"
xclip -quiet -i -selection clipboard -target UTF8_STRING "$E2E_TMP/lines" >/dev/null 2>&1 </dev/null &
xclip_pid=$!
e2e_track "$xclip_pid"
sleep 0.5
e2e_key Return ctrl+v
e2e_stop "$xclip_pid"
# A look the printout must not take over: red background, "Mezanotte" text. A menu opened
# from the keyboard starts on its first item.
e2e_key alt+a Down Down Right Return
e2e_key alt+a Down Down Down Right Down Down Right Down Right Down Return
e2e_screenshot window
print_from_program "$PRINTED_PROMPT" printed

e2e_log "waiting for the PDF in $OUT"
deadline=$((SECONDS + 60))
pdf=""
while [[ -z "$pdf" ]]; do
  new=$(comm -13 <(echo "$before") <(ls -1 "$OUT" 2>/dev/null | sort) | grep -i '\.pdf$' || true)
  if [[ -n "$new" ]]; then
    pdf=$OUT/$(head -n 1 <<<"$new")
    break
  fi
  ((SECONDS < deadline)) || e2e_fail "no PDF appeared in $OUT (lpstat: $(lpstat -W all -o 2>&1 | tail -n 3))"
  sleep 0.2
done
# The file is complete once pdftotext can read it.
deadline=$((SECONDS + E2E_TIMEOUT))
until text=$(pdftotext -enc UTF-8 "$pdf" - 2>/dev/null) && [[ -n "$text" ]]; do
  ((SECONDS < deadline)) || e2e_fail "$pdf cannot be read as a PDF"
  sleep 0.2
done
e2e_log "printed: $pdf"
cp "$pdf" "$E2E_ARTIFACTS/$E2E_NAME-printout.pdf"
# The first two pages as pictures, to look at the page boundary.
pdftoppm -png -r 60 -f 1 -l 2 "$pdf" "$E2E_ARTIFACTS/$E2E_NAME-printout-page" || true
as_root rm -f "$pdf"

flat=$(tr -d '[:space:]' <<<"$text")
grep -qF -- "$line1" <<<"$text" || e2e_fail "the printout lacks '$line1': $text"
grep -qF -- "$long" <<<"$flat" || e2e_fail "the printout lacks the long word: $text"
grep -qF -- "Fine." <<<"$text" || e2e_fail "the printout lacks 'Fine.': $text"
# Each of the pasted lines once, in order, whatever page it falls on (pdftotext starts each
# page after the first with a form feed).
[[ $(tr '\f' '\n' <<<"$text" | grep -E '^riga [0-9]{3}$') == "$(cat "$E2E_TMP/lines")" ]] ||
  e2e_fail "the printout does not hold each pasted line once and in order: $text"
(($(grep -c $'\f' <<<"$text") >= 2)) || e2e_fail "200 lines printed on fewer than three pages"
# The long word is wrapped: no printed line holds all of it.
! grep -qF -- "$long" <<<"$text" || e2e_fail "the long word was not wrapped"
e2e_stop "$E2E_PID"
E2E_PID=""

# --- no default printer ----------------------------------------------------------------------
remove_queue
if lpstat -d 2>/dev/null | grep -q '^system default destination:'; then
  # The machine has a default printer of its own, which is not ours to remove: the program is
  # shown a spooler that is not there instead.
  e2e_log "another default printer exists; hiding the spooler from the program"
  export CUPS_SERVER=$E2E_TMP/no-spooler.sock
fi
before=$(ls -1 "$OUT" 2>/dev/null | sort || true)
e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no document window titled 'Senza nomme'"
e2e_type "Nun se stampa."
print_from_program "$NO_PRINTER_PROMPT" no-queue
e2e_stop "$E2E_PID"
E2E_PID=""
unset CUPS_SERVER

# --- the spooler stopped ---------------------------------------------------------------------
if [[ -n "$SPOOLER_PID" ]]; then
  stop_spooler
  e2e_log "the spooler is stopped"
else
  # A spooler that was running before is not ours to stop: the program looks for it at an
  # address where nothing answers, which is what a stopped spooler looks like.
  export CUPS_SERVER=$E2E_TMP/no-spooler.sock
fi
e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no document window titled 'Senza nomme'"
print_from_program "$NO_PRINTER_PROMPT" no-spooler

after=$(ls -1 "$OUT" 2>/dev/null | sort || true)
[[ "$before" == "$after" ]] || e2e_fail "a PDF was written although no printer was there"
e2e_log "passed"
