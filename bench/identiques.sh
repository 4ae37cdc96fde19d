#!/bin/sh
# Les sorties de deux constructions, comparées octet à octet sur les mêmes entrées : l'arbre du banc
# (shp -> tab) et les fichiers d'exemple (tab -> shp, mif -> dxf, shp -> tab, shp -> mif, dxf -> tab,
# dxf -> mif, dxf -> shp, e00 -> tab, et par le serveur MapInfo mif -> tab, tab -> mif et dxf -> e00
# aux couches regroupées ; shp, tab, mif et dxf -> e00 par le traducteur).
#
# Usage : bench/identiques.sh AVANT APRES
#   AVANT, APRES : dossiers de construction (bin/quorvale-lot et mapinfo/ dans chacun).
# Variables : BANC_DONNEES (comme bench/lot.sh), QUORVALE_SAMPLES (défaut : ../shared/samples),
#   ENV_AVANT, ENV_APRES : affectations ajoutées à l'environnement de chaque côté
#   (par exemple ENV_AVANT=QUORVALE_SANS_TRAVAILLEUR=1 : la même construction, sans travailleur).
# Le code de sortie est 0 quand tout est identique ; les différences sont listées sinon.
set -eu
ici=$(cd "$(dirname "$0")/.." && pwd)
AVANT=$(cd "$1" && pwd)
APRES=$(cd "$2" && pwd)
E=${QUORVALE_SAMPLES:-$ici/../shared/samples}
D=${BANC_DONNEES:-${TMPDIR:-/tmp}/quorvale-banc}
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT

if [ ! -f "$D/identiques/fait" ]; then
  rm -rf "$D/identiques"
  /usr/bin/python3 "$ici/bench/donnees.py" arbre "$D/identiques/shp" 60
  touch "$D/identiques/fait"
fi

traduit() { # construction nom format-source format-cible source [option]
  c=$1 nom=$2
  if [ "$nom" = avant ]; then ajout=${ENV_AVANT:-QUORVALE_=}; else ajout=${ENV_APRES:-QUORVALE_=}; fi
  mkdir -p "$T/$nom/xdg" "$T/$nom/tmp" "$T/$nom/$3-$4"
  XDG_CONFIG_HOME=$T/$nom/xdg "$c/mapinfo/mapinfow" --regserver >/dev/null
  XDG_CONFIG_HOME=$T/$nom/xdg TMPDIR=$T/$nom/tmp env $ajout "$c/bin/quorvale-lot" --format-source "$3" --format-cible "$4" \
    --source "$5" --cible "$T/$nom/$3-$4" --sous-dossiers ${6:-} >"$T/$nom/$3-$4.txt" 2>&1 || true
}

for paire in "shp tab $D/identiques/shp" "tab shp $E/tab" "mif dxf $E/mif" "shp tab $E/shp" "shp mif $E/shp" "dxf tab $E/dxf" \
  "dxf mif $E/dxf" "dxf shp $E/dxf" "e00 tab $E/e00" "mif tab $E/mif" "tab mif $E/tab" \
  "dxf e00 $E/dxf --regrouper-couches" "shp e00 $E/shp" "tab e00 $E/tab" "mif e00 $E/mif" "dxf e00 $E/dxf"; do
  set -- $paire
  rm -rf "$T/avant/$1-$2" "$T/apres/$1-$2"
  traduit "$AVANT" avant "$@"
  traduit "$APRES" apres "$@"
  n=$(find "$T/apres/$1-$2" -type f | wc -l)
  # Le compte rendu nomme les destinations : celles d'avant, écrites comme celles d'après ; les
  # dossiers provisoires (quorvale-XXXXXX) changent à chaque passage.
  provisoire='s|quorvale-[A-Za-z0-9]\{6\}/|quorvale-XXXXXX/|g'
  sed -e "s|$T/avant|$T/apres|g" -e "$provisoire" "$T/avant/$1-$2.txt" >"$T/avant/$1-$2.rendu"
  sed -e "$provisoire" "$T/apres/$1-$2.txt" >"$T/apres/$1-$2.rendu"
  if diff -r "$T/avant/$1-$2" "$T/apres/$1-$2" >"$T/diff.txt" && cmp -s "$T/avant/$1-$2.rendu" "$T/apres/$1-$2.rendu"; then
    echo "identiques : $1 -> $2 ($3), $n fichiers, même compte rendu"
  else
    echo "DIFFÉRENTS : $1 -> $2 ($3)"
    head -20 "$T/diff.txt"
    diff "$T/avant/$1-$2.rendu" "$T/apres/$1-$2.rendu" | head -10 || true
    statut=1
  fi
done
exit ${statut:-0}
