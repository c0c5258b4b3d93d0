#!/usr/bin/env bash
# The links between the program's own libraries and executables, read from the
# CMake files (target_link_libraries), one line per target: "target: a b c".
# With --verifier, fails unless ARCHITECTURE.md's table says the same.
set -euo pipefail
cd "$(dirname "$0")/.."
ours="socle platform module store echange rappel tarvelon-rappel tarvelon-rappel-notification
windows_regles windows_data windows_splash windows_about windows_main windows_echange tarvelon"
liens() {
  for dossier in . socle platform module store echange rappel windows/*; do
    [ -f "$dossier/CMakeLists.txt" ] || continue
    # Each target_link_libraries(...) call on one line.
    tr '\n' ' ' <"$dossier/CMakeLists.txt" | grep -o 'target_link_libraries([^)]*)' |
      sed 's/target_link_libraries(//; s/)//'
  done | while read -r cible reste; do
    grep -qx "$cible" <<<"$(tr ' ' '\n' <<<"$ours")" || continue
    vers=""
    for mot in $reste; do
      grep -qx "$mot" <<<"$(tr ' ' '\n' <<<"$ours")" && vers="$vers $mot"
    done
    echo "$cible:$(tr ' ' '\n' <<<"$vers" | sed '/^$/d' | sort | tr '\n' ' ' | sed 's/ $//; s/^/ /')"
  done | sed 's/: $/:/' | sort
}
if [ "${1:-}" != "--verifier" ]; then
  liens
  exit 0
fi
# The table: "| `cible` (folder) | `a`, `b` | outside |".
dit=$(sed -n '/<!-- liens -->/,/<!-- \/liens -->/p' ARCHITECTURE.md |
  { grep '^| `' || true; } |
  sed 's/^| `\([^`]*\)` ([^)]*) | \([^|]*\)|.*/\1: \2/; s/`//g; s/,//g' |
  while read -r cible reste; do
    echo "$cible $(tr ' ' '\n' <<<"$reste" | sed '/^$/d' | sort | tr '\n' ' ')"
  done | sed 's/ *$//' | sort)
lu=$(liens)
if [ "$dit" != "$lu" ]; then
  echo "ARCHITECTURE.md ne dit pas les liens des CMakeLists.txt :"
  diff <(echo "$dit") <(echo "$lu") || true
  exit 1
fi
echo "liens : ARCHITECTURE.md dit ceux des CMakeLists.txt"
