#!/bin/sh
# Temps du traducteur imut (generate + traduction, deux processus par fichier, comme le programme
# les lance) contre ogr2ogr sur les mêmes fichiers : petits fichiers en série, puis gros fichiers.
# Usage : bench/imut.sh [dossier de construction]   (défaut : build-ut)
set -eu
ici=$(cd "$(dirname "$0")/.." && pwd)
construction=${1:-$ici/build-ut}
M=$construction/mapinfo/UT/imut
E=${QUORVALE_SAMPLES:-$ici/../shared/samples}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Un travail : Trad_Macro.txt (CR LF) comme le programme l'écrit, puis les deux commandes.
travail() { # source destination
  src=$1 dst=$2
  sk=${src##*.} dk=${dst##*.} sf=$(dirname "$src") df=$(dirname "$dst") b=$(basename "$src"); b=${b%.*}
  {
    [ "$dk" = dxf ] && printf 'MACRO _ATTRKIND extended_entity_data\r\nMACRO _REL Release14\r\n'
    [ "$sk" = dxf ] && printf 'MACRO _EXPAND_BLOCKS yes\r\nMACRO _ATTRKIND extended_entity_data\r\n'
    case $sk in
      e00|dxf) printf 'MACRO SourceDataset %s\r\n' "$src" ;;
      *) printf 'MACRO SourceDataset %s/\r\n' "$sf" ;;
    esac
    if [ "$sk" = e00 ]; then printf 'MACRO DestDataset %s\r\n' "$df"; else printf 'MACRO DestDataset %s/\r\n' "$df"; fi
    printf 'INCLUDE %s/PARAM.TXT\r\n' "$T"
    case $sk in
      shp) printf 'SHAPE_IDs "%s"\r\nSHAPE_IN_IDs "%s"\r\n' "$b" "$b" ;;
      tab) printf 'MAPINFO_IDs "%s"\r\nMAPINFO_IN_IDS "%s"\r\n' "$b" "$b" ;;
    esac
    case $sk in e00|dxf) printf 'MAPINFO_COORDSYS_STATEMENT CoordSys NonEarth Projection 0, 7\r\n' ;; esac
  } > "$T/Trad_Macro.txt"
  case $sk$dk in
    tabshp) "$M" generate Mapinfo Shape "$sf" "$T/PARAM.TXT" ID "$b" ;;
    shptab) "$M" generate Shape Mapinfo "$sf" "$T/PARAM.TXT" ID "$b" ;;
    dxftab) "$M" generate autocadScan MAPINFO "$src" "$T/PARAM.TXT"  --Source_EXPAND_BLOCKS "yes" --LAYERBASENAME "${b}_" ;;
    e00tab) "$M" generate E00 MAPINFO "$src" "$T/PARAM.TXT" ;;
  esac
  "$M" "$T/Trad_Macro.txt"
}

# ogr2ogr ne résout pas la casse des noms : le chemin réel du fichier.
reel() { find "$E" -ipath "$1" | head -n 1; }

ogr() { # source destination
  set -- "$(reel "$1")" "$2"
  case ${2##*.} in
    shp) ogr2ogr -q -f "ESRI Shapefile" -nlt PROMOTE_TO_MULTI "$2" "$1" ;;
    tab) ogr2ogr -q -f "MapInfo File" "$2" "$1" ;;
  esac
}

petits="tab/gdal-single_point_mapinfo/single_point_mapinfo.tab tab/gdal-utm31/utm31.tab tab/gdal-poly_indexed/poly_indexed.tab
tab/sharpmap-citiesmapinfo/citiesmapinfo.tab tab/rgdal-up/up.tab shp/gdal-departs/departs.shp shp/gdal-can_caps/can_caps.shp
shp/rgdal-cities/cities.shp shp/fiona-coutwildrnp/coutwildrnp.shp shp/mapshaper-latin1-property/latin1-property.shp"

serie() { # outil
  mkdir -p "$T/$1"; rm -f "$T/$1"/*
  debut=$(ms)
  for f in $petits; do
    case $f in *.tab) d=shp ;; *) d=tab ;; esac
    b=$(basename "$f"); b=${b%.*}
    if [ "$1" = imut ]; then travail "$E/$f" "$T/$1/$b.$d"; else ogr "$E/$f" "$T/$1/$b.$d" 2>/dev/null || true; fi
  done
  echo $(( $(ms) - debut ))
}

printf '%-40s %10s %10s %12s\n' "fichiers" "imut (ms)" "ogr2ogr (ms)" "ogrinfo (ms)"
printf '%-40s %10s %10s\n' "10 petits fichiers (tab->shp, shp->tab)" "$(serie imut)" "$(serie ogr)"

# generate seul : sans GDAL.
debut=$(ms)
for i in 1 2 3 4 5 6 7 8 9 10; do "$M" generate Mapinfo Shape "$E/tab/rgdal-up" "$T/PARAM.TXT" ID up; done
printf '%-40s %10s %10s\n' "10 x generate seul" "$(( $(ms) - debut ))" "-"

for f in shp/marchand-mrc/mrc.shp:tab shp/fdo-ontario-roads/roads.shp:tab dxf/ezdxf-usa/usa.dxf:tab e00/rarcinfo-valencia/valencia.e00:tab; do
  src=$E/${f%:*} d=${f#*:} b=$(basename "${f%:*}"); b=${b%.*}
  mkdir -p "$T/g1" "$T/g2"; rm -f "$T/g1"/* "$T/g2"/*
  debut=$(ms); travail "$src" "$T/g1/$b.$d"; t1=$(( $(ms) - debut ))
  debut=$(ms)
  if ogr "$src" "$T/g2/$b.$d" 2>/dev/null; then t2=$(( $(ms) - debut )); else t2="échec"; fi
  # Lecture seule par GDAL, pour comparer quand ogr2ogr échoue.
  debut=$(ms); ogrinfo -ro -q -al "$(reel "$src")" >/dev/null 2>&1 || true; t3=$(( $(ms) - debut ))
  printf '%-40s %10s %10s %12s\n' "$(basename "$src") ($(du -k "$(reel "$src")" | cut -f1) Ko) -> $d" "$t1" "$t2" "$t3"
done
