#!/usr/bin/env bash
# Takes the screenshot of the window that the AppStream metainfo shows
# (data/capture.png): Tarvelon under Xvfb, on a fresh calendar, on 23 April
# (a day of several names, through faketime), once the title card has closed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-debian.sh imagemagick x11-utils faketime
cmake --preset app >/dev/null
cmake --build --preset app
maison=$(mktemp -d)
trap 'rm -rf "$maison"' EXIT
cat >"$maison/capture" <<'FIN'
#!/usr/bin/env bash
"$1" & programme=$!
sleep 13 # the title card stays ten seconds
fenetre=$(xwininfo -name "Fêtes à Souhaiter" | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
import -window "$fenetre" "$2"
kill "$programme"
FIN
chmod +x "$maison/capture"
HOME="$maison" XDG_DATA_HOME="$maison/donnees" QT_QPA_PLATFORM=xcb \
  faketime -f "@2026-04-23 10:00:00" \
  xvfb-run -a -s "-screen 0 640x480x24" "$maison/capture" "$PWD/build-app/tarvelon" "$PWD/data/capture.png"
echo "data/capture.png"
