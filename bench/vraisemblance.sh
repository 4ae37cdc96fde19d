#!/bin/sh
# Le coût de la vérification du feuillet : temps moyen d'un appel « imut etendue » sur les
# fichiers de demo/ (sans travailleur : chaque appel charge GDAL, borne haute de ce qu'ajoute la
# vérification à un fichier traduit).
#   bench/vraisemblance.sh [dossier de construction] [tours]
set -eu
build=${1:-build}
tours=${2:-20}
imut="$build/mapinfo/UT/imut"
racine=$(dirname "$0")/..
for f in "$racine"/demo/31h05ne/Batiments.DXF "$racine"/demo/21l14se/rivieres.shp "$racine"/demo/31g/sommets.e00; do
    debut=$(date +%s%N)
    i=0
    while [ $i -lt "$tours" ]; do
        "$imut" etendue "$f" >/dev/null
        i=$((i + 1))
    done
    fin=$(date +%s%N)
    echo "$(basename "$f") : $(( (fin - debut) / 1000000 / tours )) ms par appel ($(ls -l "$f" | awk '{print $5}') octets)"
done

# Un traitement de 40 dessins rangés par feuillet (dxf vers tab), avec la vérification (--feuillets)
# et sans (--sans-feuillets : aucune clause ne vient d'un feuillet), trois tours alternés.
arbre=${TMPDIR:-/tmp}/quorvale-vraisemblance
rm -rf "$arbre" && mkdir -p "$arbre/cible"
i=1
while [ $i -le 40 ]; do
    mkdir -p "$arbre/source/31h05ne-$i" && cp "$racine/demo/31h05ne/Batiments.DXF" "$arbre/source/31h05ne-$i/b$i.dxf"
    i=$((i + 1))
done
for tour in 1 2 3; do
    for mode in --feuillets --sans-feuillets; do
        debut=$(date +%s%N)
        "$build/bin/quorvale-lot" --format-source dxf --format-cible tab --source "$arbre/source" --cible "$arbre/cible" \
            --sous-dossiers --remplacer $mode >/dev/null 2>&1 || true
        fin=$(date +%s%N)
        echo "tour $tour, 40 fichiers, $mode : $(( (fin - debut) / 1000000 )) ms"
    done
done
rm -rf "$arbre"
