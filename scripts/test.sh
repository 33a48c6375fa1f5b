#!/usr/bin/env bash
# Builds Tavulella with its tests and runs every test: unit and widget tests (offscreen) and the
# end-to-end checks that drive the real program under Xvfb. Installs what is missing first.
#
#   TAVULELLA_BUILD_DIR  build folder (default: build/ in the checkout)
#   TAVULELLA_JOBS       parallel compile and test jobs (default: 2)
#
# The work is split into stages that run in order, each announced by a header; the first that
# fails stops the run with a non-zero status. The ctest stage comes last, so that the final
# lines printed are ctest's summary ("100% tests passed, 0 tests failed out of N").
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${TAVULELLA_BUILD_DIR:-$ROOT/build}
JOBS=${TAVULELLA_JOBS:-2}

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

stage_ctest() {
  stage "Running the tests (unit and end-to-end)"
  # --no-tests=error: a build that registers no test at all is a failure, not a pass.
  ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j"$JOBS"
}

# Further stages go before stage_ctest, which must stay last.
STAGES=(stage_deps stage_build stage_ctest)

for s in "${STAGES[@]}"; do
  "$s"
done
