#!/usr/bin/env bash
# End to end: a document window's colours chosen from its Options menu, as they show on the
# screen, and the About box: opened from the menu bar, centred on the screen, showing its text,
# closed by Enter and by Esc.
#
# usage: e2e_look.sh path/to/tavulella
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup "$1"

# pixels_of HEX: how many pixels of the screen have exactly the colour #HEX.
pixels_of() {
  local shot=$E2E_TMP/screen.png
  import -display "$DISPLAY" -window root "$shot"
  convert "$shot" -format %c histogram:info:- | awk -v want="#$1" '
    { for (i = 1; i <= NF; i++) if (toupper($i) == toupper(want)) { sub(":", "", $1); n += $1 } }
    END { print n + 0 }'
}

# window_geometry ID: "x y width height" of window ID, on one line.
window_geometry() {
  xdotool getwindowgeometry --shell "$1" | sed -n 's/^\(X\|Y\|WIDTH\|HEIGHT\)=//p' | paste -sd ' '
}

# about_text_ok < DUMP: some label of the accessibility dump shows the About text: its title
# line with all its spaces, and at its end the last line followed by exactly two line feeds.
about_text_ok() {
  "$E2E_PYTHON" -c '
import ast, re, sys
for line in sys.stdin:
    m = re.match(r"\s*label (.*) \[[^]]*\]$", line)
    if not m:
        continue
    text = ast.literal_eval(m.group(1))
    if (text.startswith(" " * 14 + "TAVULELLA!     rel. 3.95-1.99\n\n")
            and text.endswith("\n\nVeniteme a truva\x27.\n\n")):
        sys.exit(0)
sys.exit(1)
'
}

e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no document window titled 'Senza nomme'"
e2e_type "Tavulella a culure"
e2e_key Return
e2e_type "Tavulella a culure"

# --- colours ---------------------------------------------------------------------------------
before=$(pixels_of FF0000)
e2e_log "Options, background, \"Russe\" ($before pure red pixels before)"
e2e_key alt+a Down Down Right Return
red=$(pixels_of FF0000)
e2e_screenshot background-red
# The text box is about 240 x 190 pixels: most of it turns red.
((red - before > 20000)) || e2e_fail "the text box did not turn red ($red red pixels)"

e2e_log "Options, text colour, Blu', Blu' 'o nniro, \"Blummare'\""
e2e_key alt+a Down Down Down Right Down Down Right Down Right Return
text=$(pixels_of 0032AF)
e2e_screenshot text-blummare
((text > 50)) || e2e_fail "no text shows in 0, 50, 175 ($text pixels)"

e2e_log "Options, text colour, \"Blu'\" only opens its submenu"
e2e_key alt+a Down Down Down Right Down Down Return
sleep 0.3
e2e_key Escape Escape Escape
e2e_focus "$E2E_FRAME"
[[ $(pixels_of 0032AF) -eq $text ]] || e2e_fail "\"Blu'\" changed the text colour"

e2e_log "File, New: the new window starts with the default colours"
e2e_key alt+f n
e2e_wait_frame "Senza nomme:2" || e2e_fail "File, New made no window 'Senza nomme:2'"
e2e_type "Nova"
e2e_screenshot two-windows
red_now=$(pixels_of FF0000)
((red_now > 1000)) || e2e_fail "the first window lost its red background"

# --- About box -------------------------------------------------------------------------------
read -r _ _ screen_w screen_h < <(xdotool getdisplaygeometry | awk '{print 0, 0, $1, $2}')
for key in Return Escape; do
  e2e_log "C&hi songh'io, then $key"
  e2e_focus "$E2E_FRAME"
  e2e_key alt+h
  box=$(e2e_wait_window "^Chi songh'io!\$") || e2e_fail "the About box did not open"
  read -r x y w h < <(window_geometry "$box")
  [[ "$w x $h" == "378 x 320" ]] || e2e_fail "the About box is $w x $h"
  # Centred on the screen (there is no window manager here, so no border or title bar).
  ((x == (screen_w - w) / 2 && y == (screen_h - h) / 2)) ||
    e2e_fail "the About box is at $x,$y on a ${screen_w}x${screen_h} screen"
  dump=$(e2e_a11y dump) || dump=""
  about_text_ok <<<"$dump" || e2e_fail "the About box does not show its text"
  grep -qF -- "push button \"Vabbuo' agge capito\"" <<<"$dump" || e2e_fail "the button is missing"
  e2e_screenshot "about-$key"
  e2e_key "$key"
  e2e_wait_window_closed "$box" || e2e_fail "$key did not close the About box"
  e2e_program_running || e2e_fail "the program ended with the About box"
done

e2e_log "passed"
