#!/bin/sh
# Mémoire du traducteur sur les gros fichiers : le maximum résident (Mo) d'imut pour trois routes
# d'un million de points (dxf -> tab, shp -> e00, tab -> shp), et son temps écoulé.
#
# Usage : bench/memoire.sh [dossier de construction]        (défaut : build)
# Variables : BANC_DONNEES (comme bench/lot.sh), BANC_POINTS (défaut : 1000000).
set -eu
ici=$(cd "$(dirname "$0")/.." && pwd)
B=$(cd "${1:-$ici/build}" && pwd)
M=$B/mapinfo/UT/imut
D=${BANC_DONNEES:-${TMPDIR:-/tmp}/quorvale-banc}
POINTS=${BANC_POINTS:-1000000}
G=$D/gros-$POINTS
[ -x "$M" ] || { echo "Introuvable : $M (construire d'abord : cmake --build $B)" >&2; exit 1; }
command -v ogr2ogr >/dev/null || { echo "ogr2ogr introuvable : sudo apt-get install gdal-bin" >&2; exit 1; }

if [ ! -f "$G/fait" ]; then
  echo "Données : $POINTS points..." >&2
  rm -rf "$G"
  /usr/bin/python3 "$ici/bench/donnees.py" gros "$G/shp/points.shp" "$POINTS"
  touch "$G/fait"
fi
if [ ! -f "$G/autres" ]; then
  mkdir -p "$G/tab" "$G/dxf"
  ogr2ogr -q -f "MapInfo File" "$G/tab/points.tab" "$G/shp/points.shp"
  # Le dessin par le traducteur lui-même : chaque point porte ses attributs en données étendues.
  "$M" generate Shape DWG "$G/shp" "$G/dxf/PARAM.TXT" ID points >/dev/null
  printf 'MACRO SourceDataset %s/\r\nMACRO DestDataset %s\r\nINCLUDE %s/PARAM.TXT\r\n' "$G/shp" "$G/dxf/points.dxf" "$G/dxf" \
    >"$G/dxf/Trad_Macro.txt"
  "$M" "$G/dxf/Trad_Macro.txt"
  touch "$G/autres"
fi

T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

route() { # libellé lecteur écrivain source-pour-generate source-du-travail type ID...
  libelle=$1 lecteur=$2 ecrivain=$3 jeu=$4 source=$5 ids=$6
  rm -rf "$T/sortie"; mkdir -p "$T/sortie"
  "$M" generate "$lecteur" "$ecrivain" "$jeu" "$T/PARAM.TXT" ${ids:+ID "$ids"} >/dev/null
  {
    printf 'MACRO SourceDataset %s\r\nMACRO DestDataset %s/\r\nINCLUDE %s/PARAM.TXT\r\n' "$source" "$T/sortie" "$T"
    [ "$ecrivain" != E00 ] && printf 'MAPINFO_COORDSYS_STATEMENT CoordSys NonEarth Projection 0, 7\r\n'
  } >"$T/Trad_Macro.txt"
  /usr/bin/time -f '%M %e' -o "$T/temps" "$M" "$T/Trad_Macro.txt" 2>"$T/err.txt" || {
    echo "$libelle : échec" >&2; cat "$T/err.txt" >&2; exit 1; }
  set -- $(cat "$T/temps")
  printf '%-36s %10s %10s\n' "$libelle" "$(( $1 / 1024 ))" "$2"
}

printf '%-36s %10s %10s\n' "route ($POINTS points)" "RSS (Mo)" "durée (s)"
route "dxf -> tab ($(( $(stat -c %s "$G/dxf/points.dxf") / 1048576 )) Mo)" autocadScan MAPINFO "$G/dxf/points.dxf" "$G/dxf/points.dxf" ""
route "shp -> e00" Shape E00 "$G/shp" "$G/shp/" points
route "tab -> shp" Mapinfo Shape "$G/tab" "$G/tab/" points
