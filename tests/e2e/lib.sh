# Shared helpers for the end-to-end checks: source this file, then call e2e_setup with the path
# of the tavulella binary.
#
# The checks drive the real program on a private virtual X server (Xvfb) that has no window
# manager: keys go in through xdotool, window titles come back through xdotool, and what the
# program shows inside its frame (document windows, text boxes) is read over the accessibility
# bus (AT-SPI) of a private D-Bus session. HOME and the XDG folders point into a temporary
# folder, so the user's settings are never read or touched. Everything started here is stopped
# when the script exits; on failure a screenshot lands in the build folder.

E2E_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
E2E_NAME=$(basename "$0" .sh)
E2E_TIMEOUT=${E2E_TIMEOUT:-20} # seconds to wait for anything the program should do
E2E_TYPE_DELAY=${E2E_TYPE_DELAY:-40} # milliseconds between typed keys
E2E_PYTHON=/usr/bin/python3 # Debian's own python, the one python3-pyatspi belongs to
E2E_A11Y=${E2E_A11Y:-1} # 0: no accessibility bus (the e2e_a11y helpers then cannot work)

E2E_TMP=""
E2E_DISPLAY=""
E2E_XVFB_PID=""
E2E_BUS_PID=""
E2E_A11Y_PID=""
E2E_PID=""
E2E_WAITER=""
E2E_WATCHDOG_PID=""
E2E_FRAME=""
E2E_SHOT_TAKEN=""

e2e_log() {
  printf '[%s %s] %s\n' "$E2E_NAME" "$(date +%T)" "$*"
}

# Exit status that ctest counts as "skipped" (SKIP_RETURN_CODE in tests/CMakeLists.txt).
E2E_SKIPPED=77

# e2e_changes_machine WHAT: for a check that changes the machine itself (WHAT says how). It
# runs only where the machine is disposable (CI=true, which CI sets) or when asked with
# TAVULELLA_MACHINE_TESTS=1; anywhere else the check ends here, reported as skipped.
e2e_changes_machine() {
  if [[ "${CI:-}" == true || "${TAVULELLA_MACHINE_TESTS:-0}" == 1 ]]; then
    return 0
  fi
  echo "$E2E_NAME: skipped: it $1; it runs only where CI=true or TAVULELLA_MACHINE_TESTS=1"
  exit "$E2E_SKIPPED"
}

# e2e_setup BINARY: checks the tools, makes the private folders, starts Xvfb and the
# accessibility bus. Sets E2E_BIN, E2E_BUILD_DIR, E2E_ARTIFACTS, E2E_TMP and DISPLAY.
e2e_setup() {
  E2E_BIN=${1:?"usage: e2e_setup path/to/tavulella"}
  if [[ ! -x "$E2E_BIN" ]]; then
    echo "$E2E_NAME: no program at '$E2E_BIN'" >&2
    exit 1
  fi
  E2E_BIN=$(cd "$(dirname "$E2E_BIN")" && pwd)/$(basename "$E2E_BIN")
  # The binary is build/src/tavulella: artifacts go next to the build's other output.
  E2E_BUILD_DIR=$(cd "$(dirname "$E2E_BIN")/.." && pwd)
  E2E_ARTIFACTS=$E2E_BUILD_DIR/e2e-artifacts
  mkdir -p "$E2E_ARTIFACTS"

  local tool tools=(Xvfb xdpyinfo xdotool import)
  [[ "$E2E_A11Y" == 0 ]] || tools+=(dbus-daemon dbus-send "$E2E_PYTHON")
  for tool in "${tools[@]}"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      echo "$E2E_NAME: '$tool' is missing; scripts/deps.sh test installs it" >&2
      exit 1
    fi
  done

  E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/tavulella-e2e.XXXXXX")
  trap e2e_cleanup EXIT
  trap 'exit 130' INT
  trap 'exit 143' TERM
  e2e_start_watchdog

  # A private home: no settings, recent files or caches of the person running the tests.
  mkdir -p "$E2E_TMP/home" "$E2E_TMP/config" "$E2E_TMP/data" "$E2E_TMP/cache" "$E2E_TMP/runtime"
  chmod 0700 "$E2E_TMP/runtime"
  export HOME=$E2E_TMP/home
  export XDG_CONFIG_HOME=$E2E_TMP/config
  export XDG_DATA_HOME=$E2E_TMP/data
  export XDG_CACHE_HOME=$E2E_TMP/cache
  export XDG_STATE_HOME=$E2E_TMP/state
  export XDG_RUNTIME_DIR=$E2E_TMP/runtime
  # No desktop around us: Qt's own widgets and dialogs, not a desktop theme's.
  unset XDG_CURRENT_DESKTOP DESKTOP_SESSION SESSION_MANAGER QT_QPA_PLATFORMTHEME QT_STYLE_OVERRIDE
  unset WAYLAND_DISPLAY DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS
  export QT_QPA_PLATFORM=xcb

  e2e_start_xvfb
  [[ "$E2E_A11Y" == 0 ]] || e2e_start_a11y_bus
}

# Starts Xvfb on a display number it picks itself (-displayfd), so parallel runs never collide.
e2e_start_xvfb() {
  local numfile=$E2E_TMP/display deadline
  : >"$numfile"
  # -noreset: an X server resets when its last client leaves (xdpyinfo, below), and refuses
  # connections while it does; the program must not start into that gap.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
    3>"$numfile" >"$E2E_TMP/xvfb.log" 2>&1 </dev/null &
  E2E_XVFB_PID=$!
  e2e_track "$E2E_XVFB_PID" group
  deadline=$((SECONDS + E2E_TIMEOUT))
  while [[ ! -s "$numfile" ]]; do
    if ! e2e_alive "$E2E_XVFB_PID" || ((SECONDS >= deadline)); then
      cat "$E2E_TMP/xvfb.log" >&2
      echo "$E2E_NAME: Xvfb did not start" >&2
      exit 1
    fi
    sleep 0.1
  done
  E2E_DISPLAY=:$(head -n 1 "$numfile" | tr -dc 0-9)
  export DISPLAY=$E2E_DISPLAY
  until xdpyinfo >/dev/null 2>&1; do
    if ((SECONDS >= deadline)); then
      echo "$E2E_NAME: Xvfb on $DISPLAY does not answer" >&2
      exit 1
    fi
    sleep 0.1
  done
  e2e_log "Xvfb is up on $DISPLAY"
}

# A private session bus with the accessibility bus on it, for reading what the program shows.
e2e_start_a11y_bus() {
  local info deadline
  info=$(dbus-daemon --session --fork --nopidfile --address="unix:path=$E2E_TMP/bus" \
    --print-address=1 --print-pid=1 </dev/null) || {
    echo "$E2E_NAME: could not start a D-Bus session" >&2
    exit 1
  }
  export DBUS_SESSION_BUS_ADDRESS=$(sed -n 1p <<<"$info")
  E2E_BUS_PID=$(sed -n 2p <<<"$info")
  # The daemon leads its own process group, which also holds the services it starts on demand.
  e2e_track "$E2E_BUS_PID" group
  if [[ -x /usr/libexec/at-spi-bus-launcher ]]; then
    setsid /usr/libexec/at-spi-bus-launcher --launch-immediately \
      >"$E2E_TMP/at-spi.log" 2>&1 </dev/null &
    E2E_A11Y_PID=$!
    e2e_track "$E2E_A11Y_PID" group
    # Ready once the launcher has published the accessibility bus on the session bus.
    deadline=$((SECONDS + E2E_TIMEOUT))
    until dbus-send --session --print-reply --dest=org.a11y.Bus /org/a11y/bus \
      org.a11y.Bus.GetAddress >/dev/null 2>&1; do
      if ((SECONDS >= deadline)); then
        echo "$E2E_NAME: the accessibility bus did not start" >&2
        exit 1
      fi
      sleep 0.1
    done
  fi
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
}

# e2e_start_program [ARGS...]: starts the program with a pinned locale and time zone, waits for
# its frame "Tavulella" and gives it the keyboard focus. Sets E2E_PID and E2E_FRAME. A program
# stopped with SIGTERM keeps copies of its unsaved text, and the next start would offer them back
# with a question: an earlier start's copies are removed first, unless E2E_KEEP_UNSAVED=1.
e2e_start_program() {
  [[ "${E2E_KEEP_UNSAVED:-0}" == 1 ]] || rm -rf "$XDG_STATE_HOME/Tavulella"
  # Ctrl+C's and Ctrl+\'s signals as a terminal leaves them (a script's background job would
  # ignore them).
  env --default-signal=INT,QUIT LANG=it_IT.UTF-8 LC_ALL=it_IT.UTF-8 TZ=Europe/Rome \
    "$E2E_BIN" "$@" >"$E2E_ARTIFACTS/$E2E_NAME.program.log" 2>&1 </dev/null &
  E2E_PID=$!
  e2e_track "$E2E_PID"
  e2e_log "started $E2E_BIN (pid $E2E_PID)"
  E2E_FRAME=$(e2e_wait_window '^Tavulella$') || e2e_fail "the frame 'Tavulella' did not show"
  e2e_focus "$E2E_FRAME"
}

# e2e_start_waiter ARGS...: a `tavulella --wait ARGS...` launch as a terminal would run it: in
# a process group (and session) of its own, with Ctrl+C's and Ctrl+\'s signals at their defaults.
# Its pid is E2E_WAITER.
e2e_start_waiter() {
  setsid env --default-signal=INT,QUIT LANG=it_IT.UTF-8 LC_ALL=it_IT.UTF-8 TZ=Europe/Rome \
    "$E2E_BIN" --wait "$@" >>"$E2E_ARTIFACTS/$E2E_NAME.launches.log" 2>&1 </dev/null &
  E2E_WAITER=$!
  e2e_track "$E2E_WAITER"
}

# e2e_adopt_frame: the frame that some launch started shows; its window becomes E2E_FRAME and
# its process (the window's _NET_WM_PID) E2E_PID.
e2e_adopt_frame() {
  local deadline=$((SECONDS + E2E_TIMEOUT)) id=""
  while :; do
    id=$(e2e_find_windows '^Tavulella$' | head -n 1)
    [[ -z "$id" ]] || break
    ((SECONDS < deadline)) || e2e_fail "no frame showed"
    sleep 0.1
  done
  E2E_FRAME=$id
  E2E_PID=$(xprop -id "$id" _NET_WM_PID | sed -n 's/.* = //p')
  [[ -n "$E2E_PID" ]] || e2e_fail "the frame's window names no process"
  e2e_track "$E2E_PID"
  e2e_focus "$E2E_FRAME"
}

# e2e_texts_contain WORD...: some text box of the program holds every WORD (read over the
# accessibility bus).
e2e_texts_contain() {
  local texts word
  texts=$(e2e_a11y texts 2>/dev/null) || return 1
  for word in "$@"; do
    grep -qF -- "$word" <<<"$texts" || return 1
  done
}

# e2e_wait_texts_contain WORD...: waits until e2e_texts_contain WORD... holds.
e2e_wait_texts_contain() {
  local deadline=$((SECONDS + E2E_TIMEOUT))
  until e2e_texts_contain "$@"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.3
  done
}

# e2e_alive PID: whether the process is still running (a child that ended but has not been
# waited for yet is a zombie: it counts as ended).
e2e_alive() {
  local state=""
  [[ -r /proc/$1/stat ]] || return 1
  state=$(sed 's/^.*) //' "/proc/$1/stat" 2>/dev/null | cut -d' ' -f1)
  [[ -n "$state" && "$state" != Z ]]
}

e2e_program_running() {
  [[ -n "$E2E_PID" ]] && e2e_alive "$E2E_PID"
}

# e2e_find_windows REGEX: ids of the visible windows whose title matches REGEX, one a line.
e2e_find_windows() {
  xdotool search --onlyvisible --name "$1" 2>/dev/null || true
}

# e2e_wait_window REGEX [SECONDS]: waits for a visible window whose title matches REGEX and
# prints its id; fails (status 1) when none shows in time or the program has ended.
e2e_wait_window() {
  local regex=$1 deadline=$((SECONDS + ${2:-$E2E_TIMEOUT})) ids
  while :; do
    ids=$(e2e_find_windows "$regex")
    if [[ -n "$ids" ]]; then
      head -n 1 <<<"$ids"
      return 0
    fi
    if ! e2e_program_running || ((SECONDS >= deadline)); then
      return 1
    fi
    sleep 0.1
  done
}

# e2e_wait_dialog [SECONDS]: waits for a visible, titled window other than the frame (a file
# dialog or a message box, whatever its title) and prints its id.
e2e_wait_dialog() {
  local deadline=$((SECONDS + ${1:-$E2E_TIMEOUT})) id
  while :; do
    for id in $(e2e_find_windows '.'); do
      if [[ "$id" != "$E2E_FRAME" ]]; then
        echo "$id"
        return 0
      fi
    done
    if ! e2e_program_running || ((SECONDS >= deadline)); then
      return 1
    fi
    sleep 0.1
  done
}

# e2e_wait_window_closed ID [SECONDS]: waits until window ID is no longer visible.
e2e_wait_window_closed() {
  local id=$1 deadline=$((SECONDS + ${2:-$E2E_TIMEOUT}))
  while e2e_find_windows '.' | grep -qx -- "$id"; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# e2e_wait_window_gone REGEX [SECONDS]: waits until no visible window's title matches REGEX.
e2e_wait_window_gone() {
  local regex=$1 deadline=$((SECONDS + ${2:-$E2E_TIMEOUT}))
  while [[ -n "$(e2e_find_windows "$regex")" ]]; do
    ((SECONDS < deadline)) || return 1
    sleep 0.1
  done
}

# e2e_window_name ID: the title of window ID.
e2e_window_name() {
  xdotool getwindowname "$1" 2>/dev/null
}

# e2e_visible_windows: "id title" of every visible, titled window, for failure reports.
e2e_visible_windows() {
  local id
  for id in $(e2e_find_windows '.'); do
    printf '%s %s\n' "$id" "$(e2e_window_name "$id")"
  done
}

# e2e_focus ID: gives window ID the keyboard focus. Without a window manager, windowactivate
# cannot work; setting the input focus directly does.
e2e_focus() {
  xdotool windowfocus "$1" 2>/dev/null || true
  sleep 0.2
}

# e2e_type TEXT: types TEXT into the focused window, one key at a time.
e2e_type() {
  xdotool type --delay "$E2E_TYPE_DELAY" -- "$1"
  sleep 0.2
}

# e2e_key KEY...: presses keys (xdotool names: Return, alt+f, ctrl+a), one after the other.
e2e_key() {
  xdotool key --delay 100 -- "$@"
  sleep 0.3
}

# e2e_a11y MODE: reads the program's accessibility tree (found by its process id).
#   frames   names of the objects with role "frame": the frame and each document window
#   texts    contents of the text boxes, each as repr() on one line
#   dump     the whole tree, indented, with role, name and states (for failure reports)
#   center   the screen position "X Y" of the middle of the text box that has the keyboard focus
e2e_a11y() {
  [[ -n "$E2E_PID" ]] || return 1
  timeout "$E2E_TIMEOUT" "$E2E_PYTHON" - "$1" "$E2E_PID" <<'PY'
import sys
import pyatspi

mode, pid = sys.argv[1], int(sys.argv[2])
desktop = pyatspi.Registry.getDesktop(0)
apps = [a for a in desktop if a is not None and a.get_process_id() == pid]
if not apps:
    sys.exit("the program is not on the accessibility bus")

def walk(node, depth):
    yield node, depth
    # Closed menus hold many items and no windows: skip their contents except in a dump.
    if mode != "dump" and node.getRoleName() in ("menu bar", "menu"):
        return
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child, depth + 1)

for node, depth in walk(apps[0], 0):
    role = node.getRoleName()
    if mode == "frames" and role == "frame":
        print(node.name)
    elif mode == "texts" and role == "text":
        text = node.queryText()
        print(repr(text.getText(0, text.characterCount)))
    elif mode == "dump":
        states = ",".join(sorted(pyatspi.stateToString(s) for s in node.getState().getStates()
                                 if s in (pyatspi.STATE_ACTIVE, pyatspi.STATE_FOCUSED,
                                          pyatspi.STATE_VISIBLE, pyatspi.STATE_CHECKED)))
        print("%s%s %r [%s]" % ("  " * depth, role, node.name, states))
    elif mode == "center" and role == "text" and node.getState().contains(pyatspi.STATE_FOCUSED):
        e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print(e.x + e.width // 2, e.y + e.height // 2)
        sys.exit(0)
if mode == "center":
    sys.exit("no text box has the focus")
PY
}

# e2e_has_frame NAME: whether a frame named exactly NAME is in the accessibility tree now.
e2e_has_frame() {
  local frames
  frames=$(e2e_a11y frames) || return 1
  grep -qxF -- "$1" <<<"$frames"
}

# e2e_wait_frame NAME [SECONDS]: waits until a frame named exactly NAME is in the program's
# accessibility tree (the frame itself or a document window).
e2e_wait_frame() {
  local name=$1 deadline=$((SECONDS + ${2:-$E2E_TIMEOUT})) frames
  while :; do
    # Read the whole list first: grep -q leaving early would break the pipe under pipefail.
    frames=$(e2e_a11y frames 2>/dev/null) || frames=""
    if grep -qxF -- "$name" <<<"$frames"; then
      return 0
    fi
    if ! e2e_program_running || ((SECONDS >= deadline)); then
      return 1
    fi
    sleep 0.3
  done
}

# e2e_upper TEXT: TEXT in capitals, as a document window's caption shows its file's path.
e2e_upper() {
  tr '[:lower:]' '[:upper:]' <<<"$1"
}

# e2e_answer_file_dialog PATH: in the file dialog that has just opened, replaces the name with
# PATH and confirms it, then hands the focus back to the frame.
e2e_answer_file_dialog() {
  local dialog
  dialog=$(e2e_wait_dialog) || e2e_fail "no file dialog opened"
  e2e_log "file dialog: '$(e2e_window_name "$dialog")'"
  e2e_focus "$dialog"
  e2e_key ctrl+a
  e2e_type "$1"
  e2e_key Return
  # Return may first close the name box's completion list; then a second one confirms.
  if ! e2e_wait_window_closed "$dialog" 3; then
    e2e_key Return
  fi
  e2e_wait_window_closed "$dialog" || e2e_fail "the file dialog did not close after Return"
  # Without a window manager nobody hands the focus back to the frame: do what one would.
  e2e_focus "$E2E_FRAME"
}

# e2e_drag_files X Y FILE...: another X client, the build's e2e_dragsource, drags FILE... as a
# file manager does (file: URIs, and their paths as text), and the mouse drops them at the screen
# position X Y. Returns 0 when the drop was taken, 1 when it was refused. The drag source keeps
# running, as the target may read the drop from it afterwards, until the next drag or the end.
E2E_DRAG_PID=""
e2e_drag_files() {
  local x=$1 y=$2 source=$E2E_BUILD_DIR/tests/e2e_dragsource win i log=$E2E_TMP/dragsource.log
  local X Y WIDTH HEIGHT SCREEN WINDOW deadline=$((SECONDS + E2E_TIMEOUT))
  shift 2
  [[ -x "$source" ]] || e2e_fail "no drag source at $source: build the target e2e_dragsource"
  e2e_stop "$E2E_DRAG_PID"
  "$source" "$@" >"$log" 2>&1 </dev/null &
  E2E_DRAG_PID=$!
  e2e_track "$E2E_DRAG_PID"
  win=$(e2e_wait_window '^dragsource$') || e2e_fail "the drag source's window did not show"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) mousedown 1
  until grep -qx dragging "$log"; do
    ((SECONDS < deadline)) || e2e_fail "the drag did not start"
    sleep 0.1
  done
  # The drag follows the pointer in steps, as a hand moves it, and rests on the target until
  # the target has said it wants the drop (or the time is up) before the button is released.
  for i in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove $((X + WIDTH / 2 + (x - X - WIDTH / 2) * i / 10)) \
      $((Y + HEIGHT / 2 + (y - Y - HEIGHT / 2) * i / 10))
    sleep 0.05
  done
  xdotool mousemove $((x + 1)) "$y"
  until [[ "$(grep -xE 'wanted|unwanted' "$log" | tail -n 1)" == wanted ]] ||
    ((SECONDS >= deadline)); do
    sleep 0.1
  done
  xdotool mouseup 1
  deadline=$((SECONDS + E2E_TIMEOUT))
  until grep -qxE 'taken|refused' "$log"; do
    e2e_alive "$E2E_DRAG_PID" || e2e_fail "the drag source ended during the drag"
    ((SECONDS < deadline)) || e2e_fail "the drag did not end"
    sleep 0.1
  done
  grep -qx taken "$log"
}

# e2e_expect_bytes FILE PRINTF-FORMAT: FILE must hold exactly the bytes printf makes of the
# format (so "ciao\r\n" means c i a o CR LF).
e2e_expect_bytes() {
  local file=$1 expected=$E2E_TMP/expected.bin
  printf "$2" >"$expected"
  if [[ ! -f "$file" ]]; then
    e2e_fail "no file at $file"
  fi
  if ! cmp -s "$expected" "$file"; then
    echo "expected bytes:" >&2
    od -c "$expected" >&2
    echo "bytes in $file:" >&2
    od -c "$file" >&2
    e2e_fail "$file does not hold the expected bytes"
  fi
}

# e2e_wait_exit [SECONDS]: waits for the program to end and returns its exit status.
e2e_wait_exit() {
  local deadline=$((SECONDS + ${1:-$E2E_TIMEOUT})) status
  while e2e_alive "$E2E_PID"; do
    ((SECONDS < deadline)) || return 124
    sleep 0.1
  done
  status=0
  wait "$E2E_PID" || status=$?
  E2E_PID=""
  return "$status"
}

# e2e_screenshot LABEL: saves the whole screen into the build's e2e-artifacts folder.
e2e_screenshot() {
  local file=$E2E_ARTIFACTS/$E2E_NAME-$1.png
  if [[ -n "$E2E_DISPLAY" ]] && import -display "$E2E_DISPLAY" -window root "$file" 2>/dev/null; then
    e2e_log "screenshot: $file"
    E2E_SHOT_TAKEN=1
  fi
}

# e2e_fail MESSAGE: reports what the screen shows and ends the check with a failure.
e2e_fail() {
  echo "$E2E_NAME: FAILED: $*" >&2
  if [[ -n "$E2E_DISPLAY" ]]; then
    echo "--- visible windows:" >&2
    e2e_visible_windows >&2
    if e2e_program_running; then
      echo "--- what the program shows (accessibility tree):" >&2
      e2e_a11y dump >&2 || true
    else
      echo "--- the program is not running" >&2
    fi
    e2e_screenshot failure
  fi
  if [[ -s "$E2E_ARTIFACTS/$E2E_NAME.program.log" ]]; then
    echo "--- program output:" >&2
    tail -n 40 "$E2E_ARTIFACTS/$E2E_NAME.program.log" >&2
  fi
  exit 1
}

# e2e_stop PID [GROUP]: ends a process started here (its whole process group when GROUP is
# set), politely first.
e2e_stop() {
  local pid=$1 target=$1 i
  [[ -n "$pid" ]] || return 0
  [[ -z "${2-}" ]] || target=-$pid
  kill -TERM -- "$target" 2>/dev/null || return 0
  for i in 1 2 3 4 5 6 7 8 9 10; do
    e2e_alive "$pid" || break
    sleep 0.2
  done
  kill -KILL -- "$target" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}

# e2e_track PID [group]: notes a process started here, for the watchdog.
e2e_track() {
  echo "$1 ${2:-}" >>"$E2E_TMP/pids"
}

# If this script is killed outright (SIGKILL skips the EXIT trap), a watchdog in a session of
# its own stops what the script started and removes the temporary folder.
e2e_start_watchdog() {
  setsid bash -c '
    owner=$1 tmp=$2
    while kill -0 "$owner" 2>/dev/null; do sleep 1; done
    if [[ -f "$tmp/pids" ]]; then
      while read -r pid group; do
        if [[ -n "$group" ]]; then kill -KILL -- "-$pid"; else kill -KILL "$pid"; fi
      done <"$tmp/pids"
    fi 2>/dev/null
    rm -rf "$tmp"
  ' e2e-watchdog "$$" "$E2E_TMP" </dev/null >/dev/null 2>&1 &
  E2E_WATCHDOG_PID=$!
}

e2e_cleanup() {
  local status=$?
  trap - EXIT
  if ((status != 0)) && [[ -z "$E2E_SHOT_TAKEN" ]]; then
    e2e_screenshot failure
  fi
  if [[ -n "$E2E_WATCHDOG_PID" ]]; then
    kill -TERM "$E2E_WATCHDOG_PID" 2>/dev/null || true
    wait "$E2E_WATCHDOG_PID" 2>/dev/null || true
  fi
  e2e_stop "$E2E_PID"
  e2e_stop "$E2E_WAITER"
  # Frames that launches started in sessions of their own.
  local pid group
  if [[ -f "$E2E_TMP/pids" ]]; then
    while read -r pid group; do
      [[ -n "$group" ]] || e2e_stop "$pid"
    done <"$E2E_TMP/pids"
  fi
  e2e_stop "$E2E_DRAG_PID"
  e2e_stop "$E2E_A11Y_PID" group
  e2e_stop "$E2E_BUS_PID" group
  e2e_stop "$E2E_XVFB_PID" group
  if [[ -n "$E2E_TMP" && -z "${E2E_KEEP_TMP-}" ]]; then
    rm -rf "$E2E_TMP"
  fi
  exit "$status"
}
