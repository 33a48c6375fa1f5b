#!/usr/bin/env bash
# Builds the benchmarks (Release) and runs them on a private virtual X server, then prints one
# table: each figure for Tavulella and for the floor program (a minimal Qt 6 editor built in the
# same run), their ratio, the target and whether it holds. Installs what is missing first,
# including enough font families (300 or more) for the font-menu figures.
#
#   TAVULELLA_BENCH_DIR   build folder (default: build-bench/ in the checkout)
#   TAVULELLA_BENCH_RUNS  runs per figure, after one warm-up run (default: 5)
#   TAVULELLA_BENCH_ONLY  comma-separated scenarios to run (default: all): startup, open64k,
#                         open10m, edit, find, save, new, fontmenu, windows, memory,
#                         memory64k, open64k-lf,
#                         edit-lf, find-lf, open64k-utf8, edit-utf8, find-utf8, openline64k,
#                         line64k, line2m, line10m, pasteline, typing, typing64k,
#                         typingline64k
#   TAVULELLA_JOBS        parallel compile jobs (default: 2)
#   TAVULELLA_BENCH_INSTRUCTIONS=1  instead of the table, count the instructions each side runs
#                         from its start until it is idle (callgrind), which other work on the
#                         machine does not change: Tavulella, the floor that draws what its
#                         start-up frame draws, and the bare floor
#
# Exits 0 when every target holds, 1 when one is missed, 2 when the run itself failed.
# The figures are only as good as the machine is quiet: the script prints the load first.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${TAVULELLA_BENCH_DIR:-$ROOT/build-bench}
RUNS=${TAVULELLA_BENCH_RUNS:-5}
ONLY=${TAVULELLA_BENCH_ONLY:-}
JOBS=${TAVULELLA_JOBS:-2}
MIN_FAMILIES=300
FONT_PACKAGES=(fontconfig fonts-noto-core fonts-noto-ui-core fonts-noto-ui-extra)

bash "$ROOT/scripts/deps.sh" run bench >&2

font_families() {
  if command -v fc-list >/dev/null 2>&1; then
    fc-list : family | sort -u | wc -l
  else
    echo 0
  fi
}

if (($(font_families) < MIN_FAMILIES)); then
  if [[ $(id -u) -eq 0 ]]; then
    as_root=(env)
  elif command -v sudo >/dev/null 2>&1; then
    as_root=(sudo env)
  else
    echo "bench: fewer than $MIN_FAMILIES font families; install ${FONT_PACKAGES[*]} as root" >&2
    exit 2
  fi
  echo "bench: installing fonts: ${FONT_PACKAGES[*]}" >&2
  "${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get update -q >&2
  "${as_root[@]}" DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${FONT_PACKAGES[@]}" </dev/null >&2
fi

cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release -DTAVULELLA_BUILD_TESTS=ON \
  -DTAVULELLA_BUILD_BENCH=ON >&2
cmake --build "$BUILD_DIR" -j"$JOBS" --target bench_floor bench_startup bench_work bench_table \
  bench_keylatency >&2
BIN=$BUILD_DIR/bench

# A private X server without a window manager, private settings and runtime folders.
TMP=$(mktemp -d)
XVFB_PID=
cleanup() {
  if [[ -n "$XVFB_PID" ]]; then
    kill "$XVFB_PID" 2>/dev/null || true
    wait "$XVFB_PID" 2>/dev/null || true
  fi
  rm -rf "$TMP"
}
trap cleanup EXIT
: >"$TMP/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
  3>"$TMP/display" >"$TMP/xvfb.log" 2>&1 </dev/null &
XVFB_PID=$!
for _ in $(seq 100); do
  [[ -s "$TMP/display" ]] && break
  sleep 0.1
done
if [[ ! -s "$TMP/display" ]]; then
  cat "$TMP/xvfb.log" >&2
  echo "bench: Xvfb did not start" >&2
  exit 2
fi
mkdir -m 700 "$TMP/runtime"
export DISPLAY=:$(head -n 1 "$TMP/display" | tr -dc 0-9)
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR=$TMP/runtime XDG_CONFIG_HOME=$TMP/config XDG_STATE_HOME=$TMP/state
export LANG=C.UTF-8 LC_ALL=C.UTF-8
# A private session bus, as a desktop session has one: Tavulella claims its name there when it
# starts. Without a bus the D-Bus library would first try to start one for the display, a cost
# that no user on a desktop pays.
unset DBUS_SESSION_BUS_ADDRESS
bus=(dbus-run-session --)

# Start-up, counted in instructions up to the moment the program reports that it is idle.
if [[ "${TAVULELLA_BENCH_INSTRUCTIONS:-}" == 1 ]]; then
  command -v valgrind >/dev/null || {
    echo "bench: valgrind is missing: bash scripts/deps.sh bench" >&2
    exit 2
  }
  # The bare floor, the framed floor (which draws what Tavulella's start-up frame draws) and
  # Tavulella; the target is 1.05 x the framed floor.
  sides=("bench_floor startup" "bench_floor --framed startup" "bench_startup startup")
  counts=()
  for i in "${!sides[@]}"; do
    read -r -a command <<<"${sides[$i]}"
    rm -rf "$TMP/config" "$TMP/state"
    "${bus[@]}" valgrind --tool=callgrind --dump-before='BenchReport::figure*' \
      --callgrind-out-file="$TMP/side$i.%p" "$BIN/${command[0]}" "${command[@]:1}" >/dev/null \
      2>"$TMP/side$i.log" || { cat "$TMP/side$i.log" >&2; exit 2; }
    counts+=("$(sed -n 's/^summary: //p' "$TMP/side$i".*.1)")
  done
  ratio() { awk -v t="$1" -v f="$2" 'BEGIN { printf "%.3f", t / f }'; }
  echo "Start-up until idle (instructions): Tavulella ${counts[2]}," \
    "framed floor ${counts[1]} (ratio $(ratio "${counts[2]}" "${counts[1]}"), target <= 1.05)," \
    "bare floor ${counts[0]} (ratio $(ratio "${counts[2]}" "${counts[0]}"))"
  exit 0
fi

echo "bench: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg); $RUNS runs per figure" >&2
args=(--floor "$BIN/bench_floor" --startup "$BIN/bench_startup" --work "$BIN/bench_work"
  --keylatency "$BIN/bench_keylatency" --runs "$RUNS")
[[ -z "$ONLY" ]] || args+=(--only "$ONLY")
status=0
"${bus[@]}" "$BIN/bench_table" "${args[@]}" || status=$?
exit "$status"
