#!/usr/bin/env bash
# cmake --install puts the reminder's unit and autostart entry where systemd
# and a desktop find them for the prefix used, the unit naming the programs
# installed under that very prefix; the unit passes systemd's check.
set -euo pipefail
construction="$1"
maison=$(mktemp -d)
trap 'rm -rf "$maison"' EXIT
HOME="$maison" cmake --install "$construction" --prefix "$maison/.local" >/dev/null
unite="$maison/.local/share/systemd/user/tarvelon-rappel.service"
grep -qx "ExecStart=$maison/.local/bin/tarvelon-rappel --notification" "$unite"
test -f "$maison/.local/share/systemd/user/tarvelon-rappel.timer"
# Each morning the address books are read before the reminder tells the day.
synchro="$maison/.local/share/systemd/user/tarvelon-synchronisation.service"
grep -qx "ExecStart=$maison/.local/bin/tarvelon --synchroniser" "$synchro"
grep -qx "Wants=tarvelon-synchronisation.service" "$unite"
grep -qx "After=tarvelon-synchronisation.service" "$unite"
test -f "$maison/.config/autostart/tarvelon-rappel.desktop"
test -x "$maison/.local/bin/tarvelon-rappel"
for reglage in NoNewPrivileges=yes RestrictAddressFamilies=AF_UNIX UMask=0077 \
               SystemCallFilter=@system-service TimeoutStartSec=30; do
  grep -qx "$reglage" "$unite"
done
if command -v systemd-analyze >/dev/null; then
  mkdir -m 700 "$maison/run"
  XDG_RUNTIME_DIR="$maison/run" systemd-analyze --user verify --man=no "$unite" "$synchro"
fi
echo "installation : $unite"
