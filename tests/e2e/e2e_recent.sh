#!/usr/bin/env bash
# End to end: the recent-files list kept between runs. The first run opens three files through
# the open dialog and leaves; the second run, with the same settings, lists them at the foot of
# the File menu, newest first, and choosing one opens it. The toolbar is on screen in both.
#
# usage: e2e_recent.sh path/to/tavulella
set -euo pipefail
source "$(dirname "$0")/lib.sh"

e2e_setup "$1"

docs=$E2E_TMP/Documenti
mkdir -p "$docs"
first=$docs/Prima.txt
second=$docs/seconna.txt
third=$docs/Terza.txt
printf 'primma\r\n' >"$first"
printf 'seconna lettera\r\n' >"$second"
printf 'terza\r\n' >"$third"
settings=$XDG_CONFIG_HOME/Notariello/Notariello.conf

# file_menu: the items of the open File menu that are on screen, in menu order, one a line as
# "name<TAB>x y" with the centre of the item in screen coordinates. Separators are left out.
file_menu() {
  timeout "$E2E_TIMEOUT" "$E2E_PYTHON" - "$E2E_PID" <<'PY'
import sys
import pyatspi

pid = int(sys.argv[1])
apps = [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.get_process_id() == pid]
if not apps:
    sys.exit("the program is not on the accessibility bus")

def walk(node):
    yield node
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield from walk(child)

# The menu bar's "File" item holds the menu itself, a "popup menu" while it is open.
for node in walk(apps[0]):
    if node.getRoleName() != "menu item" or node.name != "File" or node.childCount == 0:
        continue
    menu = node.getChildAtIndex(0)
    if menu is None or not menu.getState().contains(pyatspi.STATE_VISIBLE):
        continue
    for i in range(menu.childCount):
        item = menu.getChildAtIndex(i)
        if item is None or item.getRoleName() == "separator":
            continue
        states = item.getState()
        if not states.contains(pyatspi.STATE_VISIBLE):
            continue
        x, y, w, h = item.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        print("%s\t%d %d" % (item.name, x + w // 2, y + h // 2))
    break
PY
}

# wait_file_menu: waits until the File menu is open and lists its items; prints them.
wait_file_menu() {
  local deadline=$((SECONDS + E2E_TIMEOUT)) items
  while :; do
    items=$(file_menu 2>/dev/null) || items=""
    if [[ -n "$items" ]]; then
      printf '%s\n' "$items"
      return 0
    fi
    ((SECONDS < deadline)) || return 1
    sleep 0.3
  done
}

# stored_list: the stored list as the settings file holds it, "key=value" a line.
stored_list() {
  grep '^RecentFile' "$settings" || true
}

e2e_log "first run: opening three files through the open dialog"
e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no start-up document window"
for path in "$first" "$second" "$third"; do
  e2e_key alt+f a
  e2e_answer_file_dialog "$path"
  e2e_wait_frame "$(e2e_upper "$path")" || e2e_fail "no document window for $path"
done
e2e_screenshot first-run
expected=$(printf 'RecentFile1=%s\nRecentFile2=%s\nRecentFile3=%s' "$third" "$second" "$first")
[[ "$(stored_list)" == "$expected" ]] ||
  e2e_fail "the settings file holds: $(stored_list)"

e2e_log "first run: File, Exit"
e2e_key alt+f j
status=0
e2e_wait_exit || status=$?
((status == 0)) || e2e_fail "the first run ended with status $status"

e2e_log "second run: the File menu lists the three files, newest first"
e2e_start_program
e2e_wait_frame "Senza nomme" || e2e_fail "no start-up document window"
e2e_key alt+f
menu=$(wait_file_menu) || e2e_fail "the File menu did not open"
names=$(cut -f1 <<<"$menu")
e2e_log "File menu: $(tr '\n' '|' <<<"$names")"
# The recent files follow Exit, and nothing but the window list comes after them.
block=$(sed -n '/^Jammuncenne$/,$p' <<<"$names" | sed -n '2,4p')
expected=$(printf '%s\n%s\n%s' "$third" "$second" "$first")
[[ "$block" == "$expected" ]] || e2e_fail "after Exit the File menu shows: $(tr '\n' '|' <<<"$block")"
e2e_screenshot file-menu

e2e_log "second run: choosing $second"
target=$(awk -F'\t' -v p="$second" '$1 == p { print $2 }' <<<"$menu")
[[ -n "$target" ]] || e2e_fail "no menu item for $second"
# shellcheck disable=SC2086
xdotool mousemove $target click 1
e2e_wait_frame "$(e2e_upper "$second")" || e2e_fail "choosing the recent file opened no window"
texts=$(e2e_a11y texts) || texts=""
grep -qF "seconna lettera" <<<"$texts" || e2e_fail "the reopened window does not show the file"
[[ "$(stored_list)" == "$(printf 'RecentFile1=%s\nRecentFile2=%s\nRecentFile3=%s' \
  "$third" "$second" "$first")" ]] || e2e_fail "reopening changed the list: $(stored_list)"

e2e_log "second run: File, Exit"
e2e_focus "$E2E_FRAME"
e2e_key alt+f j
status=0
e2e_wait_exit || status=$?
((status == 0)) || e2e_fail "the second run ended with status $status"

e2e_log "passed"
