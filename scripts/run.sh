#!/usr/bin/env bash
# Builds Tavulella (RelWithDebInfo) and starts it. Installs what is missing first. Without a
# desktop session (no DISPLAY) it builds the editor and says how to take a look at it.
#
#   TAVULELLA_BUILD_DIR  build folder (default: build/ in the checkout)
#   TAVULELLA_JOBS       parallel compile jobs (default: 2)
#   TAVULELLA_XVFB=1     without a desktop: start the editor on a virtual X server, save a
#                        screenshot of its window into the build folder, and stop it again
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${TAVULELLA_BUILD_DIR:-$ROOT/build}
JOBS=${TAVULELLA_JOBS:-2}
XVFB=${TAVULELLA_XVFB:-0}

if [[ "$XVFB" == 1 ]]; then
  bash "$ROOT/scripts/deps.sh" run xvfb
else
  bash "$ROOT/scripts/deps.sh" run
fi

cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$BUILD_DIR" -j"$JOBS" --target tavulella
BIN=$BUILD_DIR/src/tavulella

# Built, but there is no desktop session to show it in: say how to take a look.
if [[ -z "${DISPLAY-}" && "$XVFB" != 1 ]]; then
  cat >&2 <<MSG

Tavulella is built: $BIN
It is a desktop program and needs a graphical session, but DISPLAY is not set. Run this
command again from a terminal of your desktop session, or, to have a look without one:
  TAVULELLA_XVFB=1 bash $0
which starts the editor on a virtual X server, saves a screenshot of its window as
  $BUILD_DIR/tavulella-xvfb.png
and closes it again.
MSG
  exit 1
fi

if [[ "$XVFB" != 1 ]]; then
  exec "$BIN"
fi

# The end-to-end helpers know how to start a private X server and wait for the frame.
E2E_A11Y=0
source "$ROOT/tests/e2e/lib.sh"
e2e_setup "$BIN"
e2e_start_program
sleep 1 # let the first paint finish
shot=$BUILD_DIR/tavulella-xvfb.png
import -window "$E2E_FRAME" "$shot"
echo "Tavulella showed its window on a virtual display (and has been closed again): $shot"
