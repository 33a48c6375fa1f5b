#!/usr/bin/env bash
# Builds Tavulella with its tests and runs every test: unit and widget tests (offscreen) and the
# end-to-end checks that drive the real program under Xvfb. Installs what is missing first.
# First it checks that every C++ file is laid out as .clang-format says (scripts/check-format.sh)
# and that the includes of src/ follow its layers (scripts/check-includes.sh).
# Two builds follow. The main build (gcc) makes the program the end-to-end checks drive, the
# widget tests of the frame and the document window that run under valgrind, and the two tests
# with checks the address sanitizer cannot run (ctest label "native"). The clang build, with
# AddressSanitizer, UndefinedBehaviorSanitizer and libFuzzer's coverage instrumentation, runs
# every unit and widget test under the sanitizers and gives the fuzz targets, each of which runs
# for a bounded time.
#
#   TAVULELLA_BUILD_DIR     build folder (default: build/ in the checkout)
#   TAVULELLA_ASAN_DIR      build folder of the clang sanitizer and fuzz build (default: build-asan/)
#   TAVULELLA_JOBS          parallel compile and test jobs (default: 2)
#   TAVULELLA_TEST_SEED     the seed of every randomized stage: the soak test and each fuzz
#                           target. By default it is made from the
#                           commit checked out, so that a run of the same commit repeats the same
#                           actions and inputs; "random" picks a new one. The run prints it first:
#                           TAVULELLA_TEST_SEED=<seed> bash scripts/test.sh replays it.
#   TAVULELLA_LONG=1        the long mode: longer budgets for fuzzing and the soak (below)
#   TAVULELLA_FUZZ_SECONDS  how long each fuzz target runs (default: 20; long mode 60)
#   TAVULELLA_SOAK_SECONDS  how long the soak test runs, under the sanitizers (default: 40;
#                           long mode 120)
#   TAVULELLA_MACHINE_TESTS=1  also run the end-to-end checks that change the machine
#                           (e2e_install installs a package, e2e_print adds a print queue); they
#                           run by themselves where CI=true, and are reported skipped otherwise
#   TAVULELLA_SKIP          stages to leave out, by name, e.g. "sanitize valgrind fuzz"
#
# ccache, when installed, serves all compiles; clones in other folders share its cache.
#
# The work is split into stages that run in order, each announced by a header and followed by
# the time it took; the first that fails stops the run with a non-zero status. The end-to-end
# checks mostly wait (for an X server, a window, a timer), so they start in the background as soon
# as the main build is done and run beside the clang build and the stages after it; the ctest stage
# comes last, runs the "native" tests, then waits for the end-to-end checks and shows their
# output. The run ends with a table of the time of each stage and, as its final line, the summary
# of the three ctest runs (sanitizers, native, end-to-end) in ctest's words ("100% tests passed,
# 0 tests failed out of N").
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${TAVULELLA_BUILD_DIR:-$ROOT/build}
ASAN_DIR=${TAVULELLA_ASAN_DIR:-$ROOT/build-asan}
JOBS=${TAVULELLA_JOBS:-2}
if [[ "${TAVULELLA_LONG:-0}" == 1 ]]; then
  FUZZ_SECONDS=${TAVULELLA_FUZZ_SECONDS:-60}
  SOAK_SECONDS=${TAVULELLA_SOAK_SECONDS:-120}
else
  FUZZ_SECONDS=${TAVULELLA_FUZZ_SECONDS:-20}
  SOAK_SECONDS=${TAVULELLA_SOAK_SECONDS:-40}
fi
SKIP=" ${TAVULELLA_SKIP:-} "
SUPP=$ROOT/tests/sanitizers
# What every test executable run outside ctest gets (ctest sets the same for its tests).
TEST_ENV=(QT_QPA_PLATFORM=offscreen LANG=it_IT.UTF-8 LC_ALL=it_IT.UTF-8 TZ=Europe/Rome)
FUZZ_TARGETS=(fuzz_codepage fuzz_textbuffer fuzz_textbox fuzz_search)

# The seed: given, new, or made from the commit (1 to 2^30 - 1, as libFuzzer takes no 0).
SEED=${TAVULELLA_TEST_SEED:-}
if [[ "$SEED" == random ]]; then
  SEED=$((RANDOM * 32768 + RANDOM + 1))
elif [[ -z "$SEED" ]]; then
  commit=$(git -C "$ROOT" rev-parse --verify -q HEAD 2>/dev/null || true)
  if [[ -n "$commit" ]]; then
    SEED=$((16#${commit:0:7} % 1073741823 + 1))
  else
    SEED=$((RANDOM * 32768 + RANDOM + 1))
  fi
fi
if ! [[ "$SEED" =~ ^[0-9]+$ ]] || ((SEED < 1 || SEED > 1073741823)); then
  echo "test: TAVULELLA_TEST_SEED must be a number from 1 to 1073741823, or random" >&2
  exit 2
fi

# Every compile goes through ccache when it is there. Paths below the checkout are hashed
# relative to it, so a clone in another folder finds the objects of this one.
LAUNCHER=()
if command -v ccache >/dev/null 2>&1; then
  LAUNCHER=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$ROOT}
  export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}
  # A compile reads its precompiled headers (some 300 MB) and ccache hashes them each time,
  # unless it keeps the hashes of files it has seen by inode.
  export CCACHE_INODECACHE=${CCACHE_INODECACHE:-1}
  # Qt's test library defines the build and source folders of every test as absolute paths,
  # which would make every test object a miss in another clone. They only serve QFINDTESTDATA,
  # and an object from another clone may name folders that are gone: the tests that read files
  # of the checkout are told its folders by ctest instead.
  export CCACHE_IGNOREOPTIONS=${CCACHE_IGNOREOPTIONS:--DQT_TESTCASE_BUILDDIR=* -DQT_TESTCASE_SOURCEDIR=*}
fi

# Both builds link with lld where it is there: several times quicker than the default linker
# over the test executables.
LINKER=()
if command -v ld.lld >/dev/null 2>&1; then
  LINKER=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld)
fi

# A new build folder is made for Ninja where it is there: it compiles the objects of every target
# side by side, where make finishes one target before it starts the next, and takes far less time
# to decide what to build (each build about a quarter quicker). A folder made before keeps the
# build tool it was made for.
generator() {
  if [[ ! -f "$1/CMakeCache.txt" ]] && command -v ninja >/dev/null 2>&1; then
    echo "-GNinja"
  fi
}

# The compilers allocate much memory, which they touch once: with glibc's heap in transparent huge
# pages (where the kernel offers them on request) they take far fewer page faults; clang compiles
# some 7 % quicker.
BUILD_ENV=(GLIBC_TUNABLES="${GLIBC_TUNABLES:+$GLIBC_TUNABLES:}glibc.malloc.hugetlb=1")

stage() {
  printf '\n==== %s ====\n' "$*"
}

stage_deps() {
  stage "Installing what the build and the tests need"
  bash "$ROOT/scripts/deps.sh" test
}

stage_format() {
  stage "Checking that every source file is laid out as .clang-format says"
  bash "$ROOT/scripts/check-format.sh"
}

stage_includes() {
  stage "Checking that every include of src/ follows the layers (scripts/check-includes.sh)"
  bash "$ROOT/scripts/check-includes.sh"
}

stage_build() {
  stage "Building the program and the tests it runs into $BUILD_DIR"
  # Only what the stages of this build run (tavulella_main_checks); the package the end-to-end
  # checks make therefore must not build everything first.
  local tool
  tool=$(generator "$BUILD_DIR")
  cmake ${tool:+"$tool"} -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVULELLA_BUILD_TESTS=ON -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${LAUNCHER[@]}" "${LINKER[@]}"
  env "${BUILD_ENV[@]}" cmake --build "$BUILD_DIR" -j"$JOBS" --target tavulella_main_checks
}

stage_hardened() {
  stage "Building with clang, the sanitizers and the fuzz targets into $ASAN_DIR"
  # Everything is instrumented for the sanitizers and for libFuzzer's coverage; only the fuzz
  # targets link libFuzzer's main(), the tests keep their own.
  local tool
  tool=$(generator "$ASAN_DIR")
  cmake ${tool:+"$tool"} -S "$ROOT" -B "$ASAN_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVULELLA_BUILD_TESTS=ON -DTAVULELLA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++ "${LAUNCHER[@]}" \
    "${LINKER[@]}"
  # Only what the sanitizer run and the fuzzing run: the unit tests and the fuzz targets, each
  # set through the one target that depends on all of it, so that the jobs run side by side
  # across executables; not the program itself, which the end-to-end checks of the main build
  # drive.
  local targets=()
  if [[ "$SKIP" != *" sanitize "* ]]; then
    if ! ctest --test-dir "$ASAN_DIR" -N -L unit | grep '^ *Test *#' >/dev/null; then
      echo "test: the sanitizer build registers no unit test" >&2
      return 1
    fi
    targets+=(tavulella_unit_tests)
  fi
  [[ "$SKIP" == *" fuzz "* ]] || targets+=(tavulella_fuzz_targets)
  env "${BUILD_ENV[@]}" cmake --build "$ASAN_DIR" -j"$JOBS" --target "${targets[@]}"
}

stage_sanitize() {
  stage "Unit and widget tests under AddressSanitizer and UndefinedBehaviorSanitizer ($ASAN_DIR)"
  # Any report ends the test that made it with a failure. Leaks count too, except the few
  # allocations of the system libraries that lsan.supp names. The allocator may say "no" to a
  # request larger than memory (the tests ask for one on purpose) instead of stopping the run.
  ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:allocator_may_return_null=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$SUPP/lsan.supp:print_suppressions=0 \
  TAVULELLA_SOAK_SECONDS=$SOAK_SECONDS TAVULELLA_SOAK_SEED=$SEED \
    ctest --test-dir "$ASAN_DIR" -L unit --output-on-failure --no-tests=error -j"$JOBS" \
    2>&1 | tee "$SANITIZE_LOG"
}

# The log of a memcheck run of ITEM (see run_memcheck).
memcheck_log() {
  local item=$1 name
  name=$(basename "${item%%:*}")
  if [[ $item == *:-* ]]; then
    name+=.not-${item#*:-}
  elif [[ $item == *:* ]]; then
    name+=.${item#*:}
  fi
  echo "$BUILD_DIR/valgrind-${name//[^A-Za-z0-9_.-]/-}.log"
}

# memcheck over one test executable of the main build, or a part of it: "exe:A|B|..." runs the
# test functions or rows of data ("function:row") named, "exe:-function" every function but one,
# so that the longest test can run in parts side by side. Any error fails.
run_memcheck() {
  local item=$1 exe=${1%%:*} log args=()
  log=$(memcheck_log "$item")
  if [[ $item == *:-* ]]; then
    mapfile -t args < <(env "${TEST_ENV[@]}" "$exe" -functions 2>/dev/null | sed -n 's/()$//p' |
      grep -vx -- "${item#*:-}")
    if ((${#args[@]} == 0)); then
      echo "valgrind: $exe lists no test function" >"$log.out"
      return 1
    fi
  elif [[ $item == *:* ]]; then
    IFS='|' read -r -a args <<<"${item#*:}"
  fi
  # Qt compiles regular expressions to machine code that memcheck cannot follow (it reports
  # jumps on uninitialised values in code without symbols); the interpreter gives the same
  # results and leaves nothing to suppress.
  if ! env "${TEST_ENV[@]}" QT_ENABLE_REGEXP_JIT=0 valgrind --tool=memcheck --error-exitcode=97 --leak-check=full \
    --errors-for-leak-kinds=definite --show-leak-kinds=definite --num-callers=40 \
    --suppressions="$SUPP/valgrind.supp" --gen-suppressions=all --log-file="$log" \
    "$exe" "${args[@]}" >"$log.out" 2>&1; then
    return 1
  fi
}

# Whether ITEM is among the FAILED of the last run_parallel.
failed() {
  local f
  for f in "${FAILED[@]}"; do
    [[ "$f" == "$1" ]] && return 0
  done
  return 1
}

# Runs COMMAND ITEM for each ITEM, at most JOBS at a time, each in the background; leaves the
# items that failed in FAILED. It waits for its own jobs only: the end-to-end checks run in the
# background too.
run_parallel() {
  local command=$1 item done rc
  shift
  local -A names=()
  FAILED=()
  for item in "$@"; do
    while ((${#names[@]} >= JOBS)); do
      rc=0
      wait -n -p done "${!names[@]}" || rc=$?
      ((rc == 0)) || FAILED+=("${names[$done]}")
      unset "names[$done]"
    done
    "$command" "$item" &
    names[$!]=$item
  done
  while ((${#names[@]} > 0)); do
    rc=0
    wait -n -p done "${!names[@]}" || rc=$?
    ((rc == 0)) || FAILED+=("${names[$done]}")
    unset "names[$done]"
  done
}

stage_valgrind() {
  stage "Widget tests of the frame and the document window under valgrind (memcheck)"
  # Two canaries use freed memory on purpose, in our own code and inside Qt: memcheck, with our
  # suppressions, must catch both, or a clean run of the tests beside them would prove nothing.
  local t=$BUILD_DIR/tests items=() item tag halves=("" "") i=0 where
  local canaries=("$t/sanitizers/canary/canary_ours" "$t/sanitizers/canary/canary_qt")
  # The randomized text box against its reference takes longer under memcheck than the rest of
  # its test: its rows run in two halves, side by side with the rest. The longest go first.
  while IFS= read -r tag; do
    halves[i % 2]+="${halves[i % 2]:+|}randomAgainstReference:$tag"
    i=$((i + 1))
  done < <(env "${TEST_ENV[@]}" "$t/tst_textbox" -datatags 2>/dev/null |
    sed -n 's/^tst_TextBox randomAgainstReference //p')
  if ((i < 2)); then
    echo "valgrind: tst_textbox lists fewer than two rows of randomAgainstReference" >&2
    return 1
  fi
  items=("$t/tst_textbox:${halves[0]}" "$t/tst_textbox:${halves[1]}")
  items+=("$t/tst_textbox:-randomAgainstReference" "$t/tst_frame" "$t/tst_filecommands")
  run_parallel run_memcheck "${items[@]}" "${canaries[@]}"
  for where in "${canaries[@]}"; do
    if ! failed "$where" || ! grep -q 'Invalid read' "$(memcheck_log "$where")"; then
      echo "valgrind: the deliberate use-after-free of $(basename "$where") went unnoticed" >&2
      return 1
    fi
    echo "valgrind: the deliberate use-after-free of $(basename "$where") is caught"
  done
  for item in "${items[@]}"; do
    local log
    log=$(memcheck_log "$item")
    if failed "$item"; then
      cat "$log.out" "$log"
      echo "valgrind: ${item#"$t"/} failed (log: $log)" >&2
      return 1
    fi
    echo "valgrind: ${item#"$t"/} (log: $log)"
    grep -E 'ERROR SUMMARY|definitely lost' "$log" || true
  done
}

# One fuzz target for FUZZ_SECONDS, from the seeds in the checkout and the inputs earlier runs
# of this build folder kept.
run_fuzzer() {
  local t=$1 index=$2 work log
  work=$ASAN_DIR/corpus/$t
  log=$ASAN_DIR/$t.log
  mkdir -p "$work" "$ASAN_DIR/crashes/$t"
  ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 \
  LSAN_OPTIONS=suppressions=$SUPP/lsan.supp:print_suppressions=0 \
    env "${TEST_ENV[@]}" "$ASAN_DIR/fuzz/$t" -seed=$((SEED + 2 + index)) \
    -max_total_time="$FUZZ_SECONDS" -max_len=512 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$ASAN_DIR/crashes/$t/" \
    "$work" "$ROOT/fuzz/corpus/$t" >"$log" 2>&1
}

# One fuzz target by name, with the seed of its place in FUZZ_TARGETS.
fuzz_one() {
  local t=$1 i
  for i in "${!FUZZ_TARGETS[@]}"; do
    if [[ "${FUZZ_TARGETS[$i]}" == "$t" ]]; then
      run_fuzzer "$t" "$i"
      return
    fi
  done
  echo "fuzz: no target $t" >&2
  return 1
}

stage_fuzz() {
  stage "Fuzzing each target for ${FUZZ_SECONDS}s ($ASAN_DIR), seeds $((SEED + 2)) to $((SEED + 1 + ${#FUZZ_TARGETS[@]}))"
  run_parallel fuzz_one "${FUZZ_TARGETS[@]}"
  local t runs
  for t in "${FUZZ_TARGETS[@]}"; do
    if failed "$t"; then
      tail -n 60 "$ASAN_DIR/$t.log"
      echo "fuzz: $t failed; the input is in $ASAN_DIR/crashes/$t/. Keep it under" >&2
      echo "fuzz: fuzz/regressions/$t/ so that tst_fuzzreplay checks it from now on." >&2
      return 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$ASAN_DIR/$t.log")
    echo "fuzz: $t: ${runs:-?} inputs in ${FUZZ_SECONDS}s, no failure"
  done
}

# The end-to-end checks, in the background from the end of the main build on; the ctest stage
# collects them. Each check has an X server, a bus and folders of its own, and every wait in them
# polls, so the load of the builds beside them only makes them slower.
E2E_LOG=$BUILD_DIR/e2e-ctest.log
SANITIZE_LOG=$ASAN_DIR/sanitize-ctest.log
E2E_PID=""
E2E_STARTED=0
start_e2e() {
  E2E_STARTED=$SECONDS
  echo "test: the end-to-end checks run in the background from now on (log: $E2E_LOG)"
  # A process group of its own, so that a run that stops early can end it whole.
  # --no-tests=error: a build that registers no test at all is a failure, not a pass.
  setsid -w ctest --test-dir "$BUILD_DIR" -L e2e --output-on-failure --no-tests=error -j"$JOBS" \
    >"$E2E_LOG" 2>&1 </dev/null &
  E2E_PID=$!
}
stop_e2e() {
  if [[ -n "$E2E_PID" ]] && kill -0 "$E2E_PID" 2>/dev/null; then
    kill -TERM -- "-$E2E_PID" 2>/dev/null || true
    wait "$E2E_PID" 2>/dev/null || true
  fi
}
trap stop_e2e EXIT

# "N tests failed out of M" of a ctest log, as "N M".
ctest_counts() {
  sed -n 's/^.* tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\)$/\1 \2/p' "$1" |
    tail -n 1
}

stage_ctest() {
  stage "Running the native tests, then the end-to-end checks"
  local native_log=$BUILD_DIR/native-ctest.log native_rc=0 e2e_rc=0
  ctest --test-dir "$BUILD_DIR" -L native --output-on-failure --no-tests=error -j"$JOBS" \
    2>&1 | tee "$native_log" || native_rc=$?
  if [[ -z "$E2E_PID" ]]; then
    start_e2e
  else
    echo "test: waiting for the end-to-end checks"
  fi
  wait "$E2E_PID" || e2e_rc=$?
  E2E_PID=""
  # How long they ran, beside the stages above (ctest's own figure; the time to here if missing).
  local e2e_seconds
  e2e_seconds=$(sed -n 's/^Total Test time (real) = *\([0-9]*\).*/\1/p' "$E2E_LOG")
  TIMES+=("e2e (beside)|${e2e_seconds:-$((SECONDS - E2E_STARTED))}")
  printf '\n---- End-to-end checks (ctest -L e2e) ----\n'
  cat "$E2E_LOG"
  # Every run of ctest counts: the unit tests under the sanitizers, the native ones, the
  # end-to-end checks.
  local log counts failures=0 total=0 missing=0
  for log in "$SANITIZE_LOG" "$native_log" "$E2E_LOG"; do
    counts=$(ctest_counts "$log" 2>/dev/null || true)
    if [[ -z "$counts" ]]; then
      # A stage left out by TAVULELLA_SKIP has no log; one that ran and says nothing is missing.
      [[ "$log" == "$SANITIZE_LOG" && "$SKIP" == *" sanitize "* ]] || missing=1
      continue
    fi
    failures=$((failures + ${counts% *}))
    total=$((total + ${counts#* }))
  done
  CTEST_SUMMARY=""
  if ((!missing && total > 0)); then
    CTEST_SUMMARY="$(((total - failures) * 100 / total))% tests passed, $failures tests failed out of $total"
  fi
  ((native_rc == 0 && e2e_rc == 0)) || CTEST_FAILED=1
}

# Further stages go before stage_ctest, which must stay last.
STAGES=(deps format includes build hardened sanitize valgrind fuzz ctest)
TIMES=()
CTEST_FAILED=0
CTEST_SUMMARY=""

rm -f "$SANITIZE_LOG"
echo "test: seed $SEED (TAVULELLA_TEST_SEED=$SEED bash scripts/test.sh replays this run)"
for s in "${STAGES[@]}"; do
  # The clang build serves only the sanitizer run and the fuzz targets.
  if [[ "$SKIP" == *" $s "* ]] ||
    [[ $s == hardened && "$SKIP" == *" sanitize "* && "$SKIP" == *" fuzz "* ]]; then
    stage "Leaving out $s (TAVULELLA_SKIP)"
    continue
  fi
  started=$SECONDS
  "stage_$s"
  TIMES+=("$s|$((SECONDS - started))")
  echo "test: stage $s took $((SECONDS - started)) s"
  # The end-to-end checks need the program of the main build, and nothing after it.
  if [[ $s == build && "$SKIP" != *" ctest "* ]]; then
    start_e2e
  fi
done

printf '\n==== Time of each stage (s) ====\n'
for entry in "${TIMES[@]}"; do
  printf '%-18s %5d\n' "${entry%|*}" "${entry#*|}"
done
printf '%-18s %5d\n' total "$SECONDS"
if [[ "$SKIP" != *" ctest "* ]]; then
  echo
  echo "${CTEST_SUMMARY:-the ctest summary is missing: see the output above}"
  if ((CTEST_FAILED)) || [[ -z "$CTEST_SUMMARY" ]]; then
    exit 1
  fi
fi
