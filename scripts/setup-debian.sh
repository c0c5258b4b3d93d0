#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Tarvelon need,
# when some are missing, and the packages named as arguments. Used by
# start.sh, test.sh and paquet.sh.
set -euo pipefail

packages=(g++ cmake make pkg-config qt6-base-dev qt6-qpa-plugins qt6-translations-l10n
          libsqlite3-dev libcanberra-dev fonts-liberation xvfb xauth dbus-daemon libical-dev
          libxcb1-dev mdbtools-dev qtkeychain-qt6-dev python3-radicale
          evolution-data-server gir1.2-ecal-2.0 gir1.2-edataserver-1.2 python3-gi "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installation des paquets manquants : ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
