#!/usr/bin/env bash
# Builds the Debian package build-paquet/tarvelon_<version>_<arch>.deb with
# Debian's hardening flags. With --verifier, also checks it: its control
# data and files, lintian (no error), the validators on its files; and, when
# it may install packages, installs it with apt and checks the installed
# files and that tarvelon starts from its desktop entry.
set -euo pipefail
cd "$(dirname "$0")/.."
verifier=false
[ "${1:-}" = "--verifier" ] && verifier=true

outils=(dpkg-dev file)
$verifier && outils+=(lintian appstream desktop-file-utils systemd man-db)
scripts/setup-debian.sh "${outils[@]}"

durci="-D_FORTIFY_SOURCE=2 -fstack-protector-strong -fstack-clash-protection -fcf-protection"
cmake --preset paquet -DCMAKE_CXX_FLAGS="$durci" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now" >/dev/null
cmake --build --preset paquet
(cd build-paquet && rm -f tarvelon_*.deb && cpack -G DEB >/dev/null)
deb=$(ls build-paquet/tarvelon_*.deb)
echo "paquet : $deb"
$verifier || exit 0

echo "== dpkg-deb --info"
dpkg-deb --info "$deb"
controle=$(dpkg-deb --field "$deb")
for attendu in "Package: tarvelon" "Section: utils" qt6-qpa-plugins qt6-translations-l10n \
               fonts-liberation libqt6widgets6 libqt6dbus6 libsqlite3-0 libical3 libcanberra0 \
               libmdb3 libqt6network6 libqt6keychain1; do
  grep -q "$attendu" <<<"$controle" || { echo "absent du paquet : $attendu"; exit 1; }
done
echo "== dpkg-deb --contents"
contenu=$(dpkg-deb --contents "$deb")
echo "$contenu"
for fichier in ./usr/bin/tarvelon ./usr/bin/tarvelon-rappel \
    ./usr/libexec/tarvelon/tarvelon-rappel-notification \
    ./usr/libexec/tarvelon/tarvelon-lecture-access \
    ./usr/libexec/tarvelon/tarvelon-recherche \
    ./usr/share/dbus-1/services/fr.tarvelon.Tarvelon.SearchProvider.service \
    ./usr/share/gnome-shell/search-providers/fr.tarvelon.Tarvelon.search-provider.ini \
    ./usr/share/krunner/dbusplugins/fr.tarvelon.Tarvelon.desktop \
    ./usr/share/applications/tarvelon.desktop ./usr/share/metainfo/fr.tarvelon.Tarvelon.metainfo.xml \
    ./usr/share/icons/hicolor/48x48/apps/tarvelon.png ./usr/share/icons/hicolor/128x128/apps/tarvelon.png \
    ./usr/share/icons/hicolor/256x256/apps/tarvelon.png ./usr/share/icons/hicolor/scalable/apps/tarvelon.svg \
    ./usr/share/man/man1/tarvelon.1.gz ./usr/share/man/man1/tarvelon-rappel.1.gz \
    ./usr/share/doc/tarvelon/copyright ./usr/share/doc/tarvelon/changelog.gz \
    ./etc/xdg/autostart/tarvelon-rappel.desktop \
    ./usr/lib/systemd/user/tarvelon-rappel.service ./usr/lib/systemd/user/tarvelon-rappel.timer \
    ./usr/lib/systemd/user/tarvelon-synchronisation.service; do
  grep -q " $fichier\$" <<<"$contenu" || { echo "absent du paquet : $fichier"; exit 1; }
done

echo "== lintian"
lintian --fail-on error --tag-display-limit 0 "$deb"

echo "== validateurs, sur les fichiers du paquet"
extrait=$(mktemp -d)
trap 'rm -rf "$extrait"' EXIT
dpkg-deb --extract "$deb" "$extrait"
appstreamcli validate --no-net "$extrait/usr/share/metainfo/fr.tarvelon.Tarvelon.metainfo.xml"
desktop-file-validate "$extrait/usr/share/applications/tarvelon.desktop" \
  "$extrait/etc/xdg/autostart/tarvelon-rappel.desktop" \
  "$extrait/usr/share/krunner/dbusplugins/fr.tarvelon.Tarvelon.desktop"
# D-Bus activation finds the search service where the package puts it.
grep -qx "Exec=/usr/libexec/tarvelon/tarvelon-recherche" \
  "$extrait/usr/share/dbus-1/services/fr.tarvelon.Tarvelon.SearchProvider.service"

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ -n "$sudo" ] && ! sudo -n true 2>/dev/null; then
  echo "== installation non vérifiée : il faut être root ou avoir sudo sans mot de passe"
  exit 0
fi
echo "== apt install ./$deb"
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "./$deb" >/dev/null
echo "== validateurs, sur les fichiers installés"
appstreamcli validate --no-net /usr/share/metainfo/fr.tarvelon.Tarvelon.metainfo.xml
desktop-file-validate /usr/share/applications/tarvelon.desktop /etc/xdg/autostart/tarvelon-rappel.desktop \
  /usr/share/krunner/dbusplugins/fr.tarvelon.Tarvelon.desktop
runtime=$(mktemp -d)
chmod 700 "$runtime"
# Some container images tell dpkg to leave manual pages out.
manuels=--man=yes
if grep -qs "path-exclude=/usr/share/man" /etc/dpkg/dpkg.cfg.d/*; then
  echo "(dpkg laisse ici les pages de manuel de côté)"
  manuels=--man=no
else
  man -w tarvelon tarvelon-rappel
fi
XDG_RUNTIME_DIR="$runtime" systemd-analyze --user verify "$manuels" \
  /usr/lib/systemd/user/tarvelon-rappel.service /usr/lib/systemd/user/tarvelon-rappel.timer \
  /usr/lib/systemd/user/tarvelon-synchronisation.service

echo "== tarvelon, lancé par son entrée de bureau"
commande=$(sed -n 's/^Exec=//p' /usr/share/applications/tarvelon.desktop)
maison=$(mktemp -d)
statut=0
HOME="$maison" XDG_DATA_HOME="$maison/donnees" timeout 8 xvfb-run -a $commande || statut=$?
# Still running after 8 s: the window was up (124 is timeout's own status).
[ "$statut" -eq 124 ] || { echo "tarvelon s'est arrêté ($statut)"; exit 1; }
[ -s "$maison/donnees/tarvelon/tarvelon.db" ] || { echo "tarvelon n'a pas fait son calendrier"; exit 1; }
HOME="$maison" XDG_DATA_HOME="$maison/donnees" tarvelon-rappel --date 23/04/2026
echo "== paquet vérifié"
