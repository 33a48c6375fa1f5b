#!/usr/bin/env bash
# Builds Tavulella with its tests and runs every test: unit and widget tests (offscreen) and the
# end-to-end checks that drive the real program under Xvfb. Installs what is missing first.
# Before the main run it also runs the unit and widget tests in a build with AddressSanitizer
# and UndefinedBehaviorSanitizer, the widget tests of the frame and the document window under
# valgrind, and each fuzz target for a bounded time.
#
#   TAVULELLA_BUILD_DIR     build folder (default: build/ in the checkout)
#   TAVULELLA_ASAN_DIR      build folder of the sanitizer build (default: build-asan/)
#   TAVULELLA_FUZZ_DIR      build folder of the fuzz targets (default: build-fuzz/)
#   TAVULELLA_JOBS          parallel compile and test jobs (default: 2)
#   TAVULELLA_FUZZ_SECONDS  how long each fuzz target runs (default: 60)
#   TAVULELLA_SOAK_SECONDS  how long the soak test runs in the main run (default: 120)
#   TAVULELLA_SKIP          stages to leave out, by name, e.g. "sanitize valgrind fuzz"
#
# The work is split into stages that run in order, each announced by a header; the first that
# fails stops the run with a non-zero status. The ctest stage comes last, so that the final
# lines printed are ctest's summary ("100% tests passed, 0 tests failed out of N").
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${TAVULELLA_BUILD_DIR:-$ROOT/build}
ASAN_DIR=${TAVULELLA_ASAN_DIR:-$ROOT/build-asan}
FUZZ_DIR=${TAVULELLA_FUZZ_DIR:-$ROOT/build-fuzz}
JOBS=${TAVULELLA_JOBS:-2}
FUZZ_SECONDS=${TAVULELLA_FUZZ_SECONDS:-60}
SOAK_SECONDS=${TAVULELLA_SOAK_SECONDS:-120}
SKIP=" ${TAVULELLA_SKIP:-} "
SUPP=$ROOT/tests/sanitizers
# What every test executable run outside ctest gets (ctest sets the same for its tests).
TEST_ENV=(QT_QPA_PLATFORM=offscreen LANG=it_IT.UTF-8 LC_ALL=it_IT.UTF-8 TZ=Europe/Rome)

stage() {
  printf '\n==== %s ====\n' "$*"
}

stage_deps() {
  stage "Installing what the build and the tests need"
  bash "$ROOT/scripts/deps.sh" test
}

stage_build() {
  stage "Building with tests into $BUILD_DIR"
  cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVULELLA_BUILD_TESTS=ON
  cmake --build "$BUILD_DIR" -j"$JOBS"
}

stage_sanitize() {
  stage "Unit and widget tests under AddressSanitizer and UndefinedBehaviorSanitizer ($ASAN_DIR)"
  cmake -S "$ROOT" -B "$ASAN_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVULELLA_BUILD_TESTS=ON \
    -DTAVULELLA_SANITIZE=ON
  cmake --build "$ASAN_DIR" -j"$JOBS"
  # Any report ends the test that made it with a failure. Leaks count too, except the few
  # allocations of the system libraries that lsan.supp names. The allocator may say "no" to a
  # request larger than memory (the tests ask for one on purpose) instead of stopping the run.
  ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:allocator_may_return_null=1:detect_stack_use_after_return=1 \
  UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
  LSAN_OPTIONS=suppressions=$SUPP/lsan.supp:print_suppressions=0 \
  TAVULELLA_SOAK_SECONDS=${TAVULELLA_ASAN_SOAK_SECONDS:-40} \
    ctest --test-dir "$ASAN_DIR" -L unit --output-on-failure --no-tests=error -j"$JOBS"
}

# memcheck over the given test executables of the main build; any error fails.
run_memcheck() {
  local exe log
  for exe in "$@"; do
    log=$BUILD_DIR/valgrind-$(basename "$exe").log
    echo "valgrind: $(basename "$exe") (log: $log)"
    # Qt compiles regular expressions to machine code that memcheck cannot follow (it reports
    # jumps on uninitialised values in code without symbols); the interpreter gives the same
    # results and leaves nothing to suppress.
    if ! env "${TEST_ENV[@]}" QT_ENABLE_REGEXP_JIT=0 valgrind --tool=memcheck --error-exitcode=97 --leak-check=full \
      --errors-for-leak-kinds=definite --show-leak-kinds=definite --num-callers=40 \
      --suppressions="$SUPP/valgrind.supp" --gen-suppressions=all --log-file="$log" \
      "$exe" >"$log.out" 2>&1; then
      cat "$log.out" "$log"
      return 1
    fi
    grep -E 'ERROR SUMMARY|definitely lost' "$log" || true
  done
}

stage_valgrind() {
  stage "Widget tests of the frame and the document window under valgrind (memcheck)"
  # First show that memcheck, with our suppressions, still catches a use of freed memory,
  # in our own code and inside Qt: otherwise a clean run below would prove nothing.
  cmake -S "$SUPP/canary" -B "$BUILD_DIR/valgrind-canary" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$BUILD_DIR/valgrind-canary" >/dev/null
  local where rc
  for where in ours qt; do
    rc=0
    run_memcheck "$BUILD_DIR/valgrind-canary/canary_$where" >/dev/null 2>&1 || rc=$?
    if ! grep -q 'Invalid read' "$BUILD_DIR/valgrind-canary_$where.log" || [[ $rc -eq 0 ]]; then
      echo "valgrind: the deliberate use-after-free of canary_$where went unnoticed" >&2
      return 1
    fi
    echo "valgrind: the deliberate use-after-free of canary_$where is caught"
  done
  run_memcheck "$BUILD_DIR/tests/tst_frame" "$BUILD_DIR/tests/tst_filecommands" \
    "$BUILD_DIR/tests/tst_textbox"
}

stage_fuzz() {
  stage "Fuzzing each target for ${FUZZ_SECONDS}s ($FUZZ_DIR)"
  cmake -S "$ROOT" -B "$FUZZ_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVULELLA_BUILD_TESTS=OFF \
    -DTAVULELLA_FUZZ=ON -DCMAKE_CXX_COMPILER=clang++
  local targets=(fuzz_codepage fuzz_textbuffer fuzz_textbox fuzz_search)
  cmake --build "$FUZZ_DIR" -j"$JOBS" --target "${targets[@]}"
  local t work log runs
  for t in "${targets[@]}"; do
    # New inputs go to a working corpus in the build folder; the seeds in the checkout are
    # only read.
    work=$FUZZ_DIR/corpus/$t
    log=$FUZZ_DIR/$t.log
    mkdir -p "$work" "$FUZZ_DIR/crashes/$t"
    if ! ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1 \
      LSAN_OPTIONS=suppressions=$SUPP/lsan.supp:print_suppressions=0 \
      "$FUZZ_DIR/fuzz/$t" -max_total_time="$FUZZ_SECONDS" -max_len=512 -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$FUZZ_DIR/crashes/$t/" \
      "$work" "$ROOT/fuzz/corpus/$t" >"$log" 2>&1; then
      tail -n 60 "$log"
      echo "fuzz: $t failed; the input is in $FUZZ_DIR/crashes/$t/. Keep it under" >&2
      echo "fuzz: fuzz/regressions/$t/ so that tst_fuzzreplay checks it from now on." >&2
      return 1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $t: ${runs:-?} inputs in ${FUZZ_SECONDS}s, no failure"
  done
}

stage_ctest() {
  stage "Running the tests (unit and end-to-end)"
  # --no-tests=error: a build that registers no test at all is a failure, not a pass.
  TAVULELLA_SOAK_SECONDS=$SOAK_SECONDS \
    ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j"$JOBS"
}

# Further stages go before stage_ctest, which must stay last.
STAGES=(deps build sanitize valgrind fuzz ctest)

for s in "${STAGES[@]}"; do
  if [[ "$SKIP" == *" $s "* ]]; then
    stage "Leaving out $s (TAVULELLA_SKIP)"
    continue
  fi
  "stage_$s"
done
