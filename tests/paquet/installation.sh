#!/bin/sh
# installation.sh CONSTRUCTION DEMO : installe sous un préfixe quelconque (DESTDIR), puis, pour un
# utilisateur neuf et sans « --regserver », traduit la démonstration avec le quorvale-lot installé
# et démarre le quorvale installé jusqu'à sa fenêtre.
set -eu
construction=$1 demo=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
echec() { echo "ÉCHEC : $*" >&2; exit 1; }

DESTDIR="$tmp/racine" cmake --install "$construction" --prefix /opt/quorvale > /dev/null
p="$tmp/racine/opt/quorvale"

( cd "$p" && find . -type f | LC_ALL=C sort ) > "$tmp/arbre"
cat > "$tmp/attendu" <<'FIN'
./bin/quorvale
./bin/quorvale-lot
./lib/quorvale/mapinfo/UT/imut
./lib/quorvale/mapinfo/UT/imut_gdal
./lib/quorvale/mapinfo/UT/imut_generate
./lib/quorvale/mapinfo/mapinfow
./lib/quorvale/mapinfo/mapinfow.prj
./share/applications/quorvale.desktop
./share/doc/quorvale/changelog.gz
./share/doc/quorvale/copyright
./share/icons/hicolor/48x48/apps/quorvale.png
./share/icons/hicolor/scalable/apps/quorvale.svg
./share/lintian/overrides/quorvale
./share/man/fr/man1/quorvale-lot.1.gz
./share/man/fr/man1/quorvale.1.gz
./share/man/man1/quorvale-lot.1.gz
./share/man/man1/quorvale.1.gz
./share/quorvale/Aide.html
./share/quorvale/AssoMots.txt
FIN
diff -u "$tmp/attendu" "$tmp/arbre" || echec "arbre installé"

# Un utilisateur neuf : le traducteur (dxf -> shp) et le serveur MapInfo (tab -> mif) installés servent.
export XDG_CONFIG_HOME="$tmp/config" TMPDIR="$tmp"
mkdir -p "$tmp/shp" "$tmp/mif"
"$p/bin/quorvale-lot" --format-source dxf --format-cible shp --source "$demo" --cible "$tmp/shp" \
    --sous-dossiers > "$tmp/rapport" || { cat "$tmp/rapport"; echec "quorvale-lot dxf -> shp"; }
"$p/bin/quorvale-lot" --format-source tab --format-cible mif --source "$demo" --cible "$tmp/mif" \
    --sous-dossiers >> "$tmp/rapport" || { cat "$tmp/rapport"; echec "quorvale-lot tab -> mif"; }
grep -qF "$p/lib/quorvale/mapinfo/mapinfow" "$XDG_CONFIG_HOME/registre/HKEY_CLASSES_ROOT.ini" \
    || echec "le serveur livré n'est pas inscrit"
compte() { ogrinfo -ro -so -al "$1" | sed -n 's/^Feature Count: //p'; }
[ "$(compte "$tmp/shp/31h05ne/batiments_batiments.shp")" -gt 0 ] || echec "batiments_batiments.shp vide"
[ "$(compte "$tmp/mif/21l14se/lacs.mif")" = 2 ] || echec "lacs.mif : 2 objets attendus"
# Un programme installé n'écrit rien à côté de lui ; les associations ne naissent qu'à l'enregistrement.
[ ! -e "$p/bin/AssoMots.txt" ] && [ ! -e "$XDG_CONFIG_HOME/Olvessa/AssoMots.txt" ] || echec "AssoMots.txt créé"

# La fenêtre, pour un autre utilisateur neuf, jusqu'à son premier dessin.
XDG_CONFIG_HOME="$tmp/config2" QT_QPA_PLATFORM=offscreen QUORVALE_MESURE_DEMARRAGE=1 \
    "$p/bin/quorvale" 2> "$tmp/fenetre" || { cat "$tmp/fenetre"; echec "quorvale ne démarre pas"; }
grep -q "^demarrage : " "$tmp/fenetre" || { cat "$tmp/fenetre"; echec "fenêtre principale jamais dessinée"; }

desktop-file-validate "$p/share/applications/quorvale.desktop" || echec "quorvale.desktop"
for page in quorvale quorvale-lot; do
    cmp -s "$p/share/man/fr/man1/$page.1.gz" "$p/share/man/man1/$page.1.gz" || echec "$page.1 : deux textes"
    MANWIDTH=80 man --warnings -l "$p/share/man/fr/man1/$page.1.gz" > "$tmp/page" 2> "$tmp/avertissements"
    [ ! -s "$tmp/avertissements" ] || { cat "$tmp/avertissements"; echec "$page.1 : avertissements"; }
    grep -qE "^ *$page +- " "$tmp/page" || echec "$page.1 : section NOM"
done
echo "installation : bon"
