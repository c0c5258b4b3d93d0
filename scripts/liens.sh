#!/usr/bin/env bash
# The links between the program's own libraries and executables, read from the
# CMake files (target_link_libraries), one line per target: "target: a b c".
# With --verifier, fails unless ARCHITECTURE.md's table says the same.
set -euo pipefail
cd "$(dirname "$0")/.."
# The program's own folders: every one with a CMakeLists.txt but the tests,
# the timing programs and the fuzz targets.
dossiers=$(find . -name CMakeLists.txt -not -path './build*' -not -path './tests/*' \
  -not -path './bench/*' -not -path './fuzz/*' -printf '%h\n' | sort)
# Their targets.
ours=$(for dossier in $dossiers; do
  tr '\n' ' ' <"$dossier/CMakeLists.txt" | grep -o 'add_\(library\|executable\)([^ )]*' |
    sed 's/.*(//' | grep -v '^tarvelon_warnings$'
done | sort -u)
liens() {
  for dossier in $dossiers; do
    # Each target_link_libraries(...) call on one line (a folder may have none).
    tr '\n' ' ' <"$dossier/CMakeLists.txt" | { grep -o 'target_link_libraries([^)]*)' || true; } |
      sed 's/target_link_libraries(//; s/)//'
  done | while read -r cible reste; do
    grep -qx "$cible" <<<"$ours" || continue
    vers=""
    for mot in $reste; do
      grep -qx "$mot" <<<"$ours" && vers="$vers $mot"
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
