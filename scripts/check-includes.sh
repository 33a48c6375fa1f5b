#!/usr/bin/env bash
# Checks that the includes of src/ follow the layers, and names each one that does not:
#   - src/core/ includes only src/core/ headers and, of Qt, only Qt Core's (no widget, no GUI);
#   - src/gui/ includes nothing of src/app/;
#   - each rule of scripts/include-rules.txt ("<file glob> must-not-include <header glob>", the
#     globs matched against the file's path from the checkout's root and the quoted include).
# Exit 1 when an include breaks a rule, 2 when the check cannot run.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"

qtcore=
for d in /usr/include/*/qt6/QtCore /usr/include/qt6/QtCore; do
  [[ -d $d ]] && qtcore=$d && break
done
if [[ -z $qtcore ]]; then
  echo "check-includes: Qt Core's headers are not installed (bash scripts/deps.sh test installs them)" >&2
  exit 2
fi

bad=0
fail() {
  echo "check-includes: $1: $2" >&2
  bad=1
}

# Every include of the files given: "<file>:<line>:<quoted or angled name>".
includes() {
  grep -HnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<][^">]+[">]' "$@" |
    sed -E 's/#[[:space:]]*include[[:space:]]*//; s/:[[:space:]]+/:/'
}

mapfile -t core < <(find src/core -name '*.cpp' -o -name '*.h' | sort)
mapfile -t gui < <(find src/gui -name '*.cpp' -o -name '*.h' | sort)

while IFS=: read -r file line name; do
  case $name in
    \"core/*\") ;;
    \"*.moc\") ;;
    \"*) fail "$file:$line" "the core includes $name, which is not of the core" ;;
    \<Q*\>)
      header=${name#<}
      header=${header%>}
      [[ -e $qtcore/$header || -e $qtcore/${header#QtCore/} ]] ||
        fail "$file:$line" "the core includes $name, which is not of Qt Core"
      ;;
  esac
done < <(includes "${core[@]}")

while IFS=: read -r file line name; do
  [[ $name == \"app/* ]] && fail "$file:$line" "the GUI includes $name, of the program above it"
done < <(includes "${gui[@]}")

if [[ -f scripts/include-rules.txt ]]; then
  while read -r files verb headers; do
    [[ -z $files || $files == \#* ]] && continue
    if [[ $verb != must-not-include || -z $headers ]]; then
      echo "check-includes: scripts/include-rules.txt: cannot read rule: $files $verb $headers" >&2
      exit 2
    fi
    mapfile -t matched < <(compgen -G "$files" | sort)
    ((${#matched[@]})) || {
      echo "check-includes: scripts/include-rules.txt: no file matches $files" >&2
      exit 2
    }
    while IFS=: read -r file line name; do
      # shellcheck disable=SC2053 # the header glob is matched as a pattern on purpose
      [[ ${name:1:-1} == $headers ]] && fail "$file:$line" "includes $name ($files must not include $headers)"
    done < <(includes "${matched[@]}")
  done <scripts/include-rules.txt
fi

((bad == 0)) || exit 1
echo "check-includes: every include follows the layers"
