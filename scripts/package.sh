#!/usr/bin/env bash
# Builds Tavulella's Debian package in one go: installs what is missing, builds the program
# (without the tests) in a folder of its own, lets CPack package it there and checks it with
# lintian (errors and warnings fail). Prints the package's path and the command that installs it.
#
#   TAVULELLA_PACKAGE_DIR  build folder (default: build-package/ in the checkout)
#   TAVULELLA_JOBS         parallel compile jobs (default: 2)
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD_DIR=${TAVULELLA_PACKAGE_DIR:-$ROOT/build-package}
JOBS=${TAVULELLA_JOBS:-2}

bash "$ROOT/scripts/deps.sh" package

cmake -S "$ROOT" -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAVULELLA_BUILD_TESTS=OFF
cmake --build "$BUILD_DIR" -j"$JOBS" --target tavulella
# A package left from an earlier version would make the result ambiguous.
rm -f "$BUILD_DIR"/tavulella_*.deb
(cd "$BUILD_DIR" && cpack -G DEB)

debs=("$BUILD_DIR"/tavulella_*.deb)
if [[ ${#debs[@]} -ne 1 || ! -f "${debs[0]}" ]]; then
  echo "package: cpack made no package in $BUILD_DIR" >&2
  exit 1
fi
lintian --fail-on error,warning "${debs[0]}"
cat <<MSG

The package: ${debs[0]}
Install it:  sudo apt install ${debs[0]}
Remove it:   sudo apt remove tavulella
MSG
