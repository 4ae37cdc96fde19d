#!/bin/sh
# paquet.sh CONSTRUCTION : fait le .deb depuis la construction dans un dossier temporaire, vérifie son
# arbre et le passe à lintian (aucune erreur).
set -eu
construction=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
echec() { echo "ÉCHEC : $*" >&2; exit 1; }

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$construction/CMakeCache.txt")
cpack --config "$construction/CPackConfig.cmake" -B "$tmp" > "$tmp/cpack" 2>&1 || { cat "$tmp/cpack"; echec cpack; }
deb="$tmp/quorvale_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$tmp"; echec "pas de $deb"; }

dpkg-deb -c "$deb" | awk '{ print $1, $2, $6 }' > "$tmp/contenu"
for attendu in "-rwxr-xr-x root/root ./usr/bin/quorvale" "-rwxr-xr-x root/root ./usr/bin/quorvale-lot" \
               "-rwxr-xr-x root/root ./usr/lib/quorvale/mapinfo/mapinfow" \
               "-rwxr-xr-x root/root ./usr/lib/quorvale/mapinfo/UT/imut" \
               "-rw-r--r-- root/root ./usr/lib/quorvale/mapinfo/mapinfow.prj" \
               "-rw-r--r-- root/root ./usr/share/quorvale/Aide.html" \
               "-rw-r--r-- root/root ./usr/share/applications/quorvale.desktop" \
               "-rw-r--r-- root/root ./usr/share/man/fr/man1/quorvale-lot.1.gz" \
               "-rw-r--r-- root/root ./usr/share/doc/quorvale/copyright" \
               "drwxr-xr-x root/root ./usr/lib/quorvale/mapinfo/UT/"; do
    grep -qxF -- "$attendu" "$tmp/contenu" || { cat "$tmp/contenu"; echec "absent du paquet : $attendu"; }
done
dpkg-deb -f "$deb" Depends | grep -q "libgdal" || echec "dépendances non calculées"

lintian --fail-on error "$deb" || echec "lintian"
echo "paquet : bon"
