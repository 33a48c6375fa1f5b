#!/usr/bin/env bash
# Retakes the README's screenshot (resources/screenshot.png): builds the editor, starts it on a
# virtual X server, types a short list into the start-up window, opens a small file through the
# open dialog, tiles the two windows and saves a picture of the frame.
#
#   TAVULELLA_BUILD_DIR  build folder (default: build/ in the checkout)
#   TAVULELLA_JOBS       parallel compile jobs (default: 2)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${TAVULELLA_BUILD_DIR:-$ROOT/build}
JOBS=${TAVULELLA_JOBS:-2}
SHOT=$ROOT/resources/screenshot.png
# The folder's name shows, upper-cased, in the second window's title.
SONG_DIR=/tmp/napule

bash "$ROOT/scripts/deps.sh" test
cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR" -j"$JOBS" --target tavulella

source "$ROOT/tests/e2e/lib.sh"
e2e_setup "$BUILD_DIR/src/tavulella"

mkdir -p "$SONG_DIR"
# Windows-1252 bytes: 0xEC is i grave, 0xE0 a grave.
printf "Funicul\xec, funicul\xe0\r\n\r\nJamme, jamme 'ncoppa, jamme ja'" >"$SONG_DIR/canzone.txt"

e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no start-up document window"
e2e_type "Lista d'a spesa:"
e2e_key Return
e2e_type "pane, pummarole, muzzarella"

e2e_key alt+f a
dialog=$(e2e_wait_dialog) || e2e_fail "no open dialog"
e2e_focus "$dialog"
e2e_key ctrl+a
e2e_type "$SONG_DIR/canzone.txt"
e2e_key Return
# Return may first close the name box's completion list; then a second one confirms.
e2e_wait_window_closed "$dialog" 3 || e2e_key Return
e2e_wait_window_closed "$dialog" || e2e_fail "the open dialog stayed"
e2e_focus "$E2E_FRAME"
e2e_wait_frame "${SONG_DIR^^}/CANZONE.TXT" || e2e_fail "the file's window did not open"

e2e_key alt+n v # Fenesta, Vicine
sleep 1         # let the last paint finish
import -window "$E2E_FRAME" "$SHOT"
rm -f "$SONG_DIR/canzone.txt"
rmdir "$SONG_DIR" 2>/dev/null || true
e2e_log "saved $SHOT"
