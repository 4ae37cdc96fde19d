#!/bin/sh
# Le temps d'un traitement shp -> shp (copies seules) de N fichiers dans un seul dossier, pour
# vérifier qu'il reste proportionnel au nombre de fichiers : bench/dossier-plein.sh build 2000 4000
set -e
build=${1:-build}
shift || true
[ $# -gt 0 ] || set -- 2000 4000
lot=$(cd "$build" && pwd)/bin/quorvale-lot
echantillon=${QUORVALE_SAMPLES:-$(dirname "$0")/../../shared/samples}/shp/gdal-departs
racine=$(mktemp -d "${TMPDIR:-/tmp}/quorvale-plein-XXXXXX")
trap 'rm -rf "$racine"' EXIT
for n in "$@"; do
  mkdir -p "$racine/$n/src" "$racine/$n/dst"
  i=0
  while [ $i -lt "$n" ]; do
    for f in "$echantillon"/departs.*; do cp "$f" "$racine/$n/src/f$i.${f##*.}"; done
    i=$((i + 1))
  done
  debut=$(date +%s%N)
  "$lot" --format-source shp --format-cible shp --source "$racine/$n/src" --cible "$racine/$n/dst" | tail -1 || true
  fin=$(date +%s%N)
  echo "$n fichiers shp -> shp : $(( (fin - debut) / 1000000 )) ms"
done
