#!/usr/bin/env bash
# Checks that every C++ source and header of the checkout is laid out as .clang-format says,
# and names each file that is not. With --fix it lays them out instead.
#
#   scripts/check-format.sh          check (exit 1 when a file is off)
#   scripts/check-format.sh --fix    rewrite the files that are off
#
# The layout is clang-format 14's, the version Debian 12 ships; another version may lay out a
# few constructs differently, so the check insists on 14 and says so.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
CLANG_FORMAT=${CLANG_FORMAT:-clang-format}

if ! command -v "$CLANG_FORMAT" >/dev/null 2>&1; then
  echo "check-format: $CLANG_FORMAT is not installed (bash scripts/deps.sh test installs it)" >&2
  exit 2
fi
version=$("$CLANG_FORMAT" --version | sed -n 's/.*version \([0-9]*\)\..*/\1/p')
if [[ "$version" != 14 ]]; then
  echo "check-format: clang-format 14 lays out this code; $CLANG_FORMAT is version ${version:-unknown}" >&2
  exit 2
fi

cd "$ROOT"
# The files under version control, or every source file when the folder is no git checkout.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
else
  mapfile -t files < <(find src tests bench fuzz -name '*.cpp' -o -name '*.h' | sort)
fi

if [[ "${1:-}" == --fix ]]; then
  "$CLANG_FORMAT" -i "${files[@]}"
  exit 0
fi

# One run over every file answers for all of them at once; only when it finds one off is each file
# asked on its own, to name them.
if "$CLANG_FORMAT" --dry-run --Werror "${files[@]}" >/dev/null 2>&1; then
  echo "check-format: ${#files[@]} files laid out as .clang-format says"
  exit 0
fi
off=()
for f in "${files[@]}"; do
  [[ -f "$f" ]] || continue
  if ! "$CLANG_FORMAT" --dry-run --Werror "$f" >/dev/null 2>&1; then
    off+=("$f")
  fi
done
if ((${#off[@]})); then
  echo "check-format: ${#off[@]} file(s) not laid out as .clang-format says:" >&2
  printf '  %s\n' "${off[@]}" >&2
  echo "check-format: bash scripts/check-format.sh --fix lays them out" >&2
  exit 1
fi
echo "check-format: ${#files[@]} files laid out as .clang-format says"
