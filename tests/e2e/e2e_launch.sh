#!/usr/bin/env bash
# End to end: the desktop opens a file in Tavulella. The program and its launcher entry are
# installed into a temporary prefix (cmake --install), the XDG data folders lead there, and a
# private mimeapps.list makes the entry the default for plain text. Then launchers written by
# others, GLib's `gio open` and the freedesktop `xdg-open`, each open a file: the frame must show
# that file's window with its text.
#
# usage: e2e_launch.sh path/to/tavulella   (the program in a build folder)
set -euo pipefail
source "$(dirname "$0")/lib.sh"

APP_ID=org.example.Tavulella

for tool in cmake gio xdg-open xdg-mime; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "$E2E_NAME: '$tool' is missing; scripts/deps.sh test installs it" >&2
    exit 1
  fi
done

e2e_setup "$1"

prefix=$E2E_TMP/prefix
e2e_log "installing into $prefix"
if ! cmake --install "$E2E_BUILD_DIR" --prefix "$prefix" >"$E2E_TMP/install.log" 2>&1; then
  cat "$E2E_TMP/install.log" >&2
  e2e_fail "cmake --install failed"
fi
[[ -x "$prefix/bin/tavulella" && -f "$prefix/share/applications/$APP_ID.desktop" ]] ||
  e2e_fail "the prefix lacks the program or its launcher entry"

# The launchers find the entry through the data folders, and its Exec line's program through
# PATH; the type database (text/plain) stays the system's.
export XDG_DATA_DIRS=$prefix/share:/usr/local/share:/usr/share
export PATH=$prefix/bin:$PATH
cat >"$XDG_CONFIG_HOME/mimeapps.list" <<LIST
[Default Applications]
text/plain=$APP_ID.desktop
LIST
[[ "$(xdg-mime query default text/plain)" == "$APP_ID.desktop" ]] ||
  e2e_fail "xdg-mime names '$(xdg-mime query default text/plain)' the default for text/plain"

# A launcher's program is not this script's child: it is found by its frame. Sets E2E_PID and
# E2E_FRAME.
LAUNCHER_PID=""
wait_launched_frame() {
  local deadline=$((SECONDS + E2E_TIMEOUT)) ids
  until ids=$(e2e_find_windows '^Tavulella$') && [[ -n "$ids" ]]; do
    ((SECONDS < deadline)) || e2e_fail "no frame 'Tavulella' showed after $1"
    sleep 0.1
  done
  E2E_FRAME=$(head -n 1 <<<"$ids")
  E2E_PID=$(xdotool getwindowpid "$E2E_FRAME" 2>/dev/null) || e2e_fail "the frame names no process"
  e2e_track "$E2E_PID"
  [[ "$(readlink "/proc/$E2E_PID/exe")" == "$prefix/bin/tavulella" ]] ||
    e2e_fail "the frame belongs to $(readlink "/proc/$E2E_PID/exe"), not the installed program"
  e2e_log "$1 started the installed program (pid $E2E_PID)"
}

# shows_file PATH WORD: the frame holds PATH's document window, whose text has WORD.
shows_file() {
  e2e_wait_frame "$(e2e_upper "$1")" || e2e_fail "no document window for $1"
  e2e_wait_texts_contain "$2" || e2e_fail "the window of $1 does not show its text"
  ! e2e_has_frame "Senza nomme" || e2e_fail "an untitled window opened beside $1"
}

# File, Exit; the program is not this script's child, so only its end is seen here.
quit_program() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  e2e_focus "$E2E_FRAME"
  e2e_key alt+f j
  while e2e_program_running; do
    ((SECONDS < deadline)) || e2e_fail "the program did not end after File, Exit"
    sleep 0.1
  done
  E2E_PID=""
}

e2e_log "gio open: the file opens in Tavulella"
printf 'primma nota\r\n' >"$E2E_TMP/home/primma.txt"
env LANG=it_IT.UTF-8 LC_ALL=it_IT.UTF-8 gio open "$E2E_TMP/home/primma.txt" \
  >"$E2E_TMP/gio.log" 2>&1 || {
  cat "$E2E_TMP/gio.log" >&2
  e2e_fail "gio open failed"
}
wait_launched_frame "gio open"
shows_file "$E2E_TMP/home/primma.txt" "primma nota"
e2e_screenshot gio-open
quit_program

e2e_log "xdg-open: the file opens in Tavulella"
printf 'seconna nota\n' >"$E2E_TMP/home/seconna.txt"
# xdg-open without a desktop runs the entry's command itself and returns when it ends.
env LANG=it_IT.UTF-8 LC_ALL=it_IT.UTF-8 xdg-open "$E2E_TMP/home/seconna.txt" \
  >"$E2E_TMP/xdg-open.log" 2>&1 </dev/null &
LAUNCHER_PID=$!
e2e_track "$LAUNCHER_PID"
wait_launched_frame "xdg-open"
shows_file "$E2E_TMP/home/seconna.txt" "seconna nota"

# Enabled once a second launch hands its files to the running frame over the session bus: a
# second `gio open` of another file ends with one process and both files in that frame.
second_launch_joins_the_frame() {
  e2e_log "a second gio open: the running frame takes the file"
  printf 'terza nota\n' >"$E2E_TMP/home/terza.txt"
  env LANG=it_IT.UTF-8 LC_ALL=it_IT.UTF-8 gio open "$E2E_TMP/home/terza.txt" ||
    e2e_fail "the second gio open failed"
  e2e_wait_frame "$(e2e_upper "$E2E_TMP/home/terza.txt")" ||
    e2e_fail "the running frame did not open the second file"
  e2e_wait_texts_contain "seconna nota" "terza nota" ||
    e2e_fail "the frame does not show both files' text"
  local frames
  frames=$(e2e_find_windows '^Tavulella$' | wc -l)
  ((frames == 1)) || e2e_fail "$frames frames show, not one"
}

quit_program
status=0
wait "$LAUNCHER_PID" || status=$?
((status == 0)) || e2e_fail "xdg-open ended with status $status after the program ended cleanly"

e2e_log "passed"
