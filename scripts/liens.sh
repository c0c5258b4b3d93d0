#!/usr/bin/env bash
# The links between the program's own libraries and executables, read from the
# CMake files (target_link_libraries), one line per target: "target: a b c".
# With --dessin, the same drawn by layers: a target's layer is one above the
# highest it links to, so every arrow points to a lower number.
# With --verifier, fails unless ARCHITECTURE.md's table and drawing say the same.
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
dessin() {
  liens | awk -F': ?' '
    { cible[NR] = $1; vers[$1] = $2 }
    function couche(t,   n, i, a, c, h) {
      if (t in memo) return memo[t]
      h = 0
      n = split(vers[t], a, " ")
      for (i = 1; i <= n; i++) { c = couche(a[i]) + 1; if (c > h) h = c }
      return memo[t] = h
    }
    END {
      for (i = 1; i <= NR; i++) {
        t = cible[i]; l = vers[t]; gsub(/ /, ", ", l)
        printf "%d %s\n", couche(t), "[" couche(t) "] " t (l == "" ? "" : " ──► " l)
      }
    }' | sort -k1,1nr -k3 | cut -d' ' -f2-
}
case "${1:-}" in
--verifier) ;;
--dessin)
  dessin
  exit 0
  ;;
*)
  liens
  exit 0
  ;;
esac
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
trace=$(sed -n '/<!-- dessin -->/,/<!-- \/dessin -->/p' ARCHITECTURE.md | sed '1,2d; $d' | sed '$d')
if [ "$trace" != "$(dessin)" ]; then
  echo "Le dessin d'ARCHITECTURE.md n'est plus celui des liens (scripts/liens.sh --dessin) :"
  diff <(echo "$trace") <(dessin) || true
  exit 1
fi
echo "liens : ARCHITECTURE.md dit ceux des CMakeLists.txt, tableau et dessin"
