#!/bin/sh
# Banc de quorvale-lot contre une boucle de ogr2ogr, côte à côte, sur les mêmes fichiers.
#
# Usage : bench/lot.sh [dossier de construction]        (défaut : build)
#
# Variables (toutes facultatives) :
#   BANC_DONNEES  dossier des données faites par le banc, gardées d'un lancement à l'autre
#                 (défaut : ${TMPDIR:-/tmp}/quorvale-banc)
#   BANC_TOURS    nombre de tours de chaque mesure ; la médiane est retenue (défaut : 3)
#   BANC_PETITS   petits jeux de formes de l'arbre shp->tab (défaut : 300)
#   BANC_ARBRE2   fichiers des arbres tab->shp et mif->dxf (défaut : 100)
#   BANC_POINTS   points du gros jeu de formes (défaut : 1000000)
#   BANC_LISTE    fichiers de l'arbre de la liste et de la mémoire (défaut : 100000)
#
# Chaque ligne donne la médiane de quorvale-lot, celle de la boucle et leur rapport. Les deux
# commandes d'un tour tournent l'une après l'autre : elles subissent la même charge.
set -eu
ici=$(cd "$(dirname "$0")/.." && pwd)
B=$(cd "${1:-$ici/build}" && pwd)
PY=/usr/bin/python3
D=${BANC_DONNEES:-${TMPDIR:-/tmp}/quorvale-banc}
TOURS=${BANC_TOURS:-3}
PETITS=${BANC_PETITS:-300}
ARBRE2=${BANC_ARBRE2:-100}
POINTS=${BANC_POINTS:-1000000}
LISTE=${BANC_LISTE:-100000}
LOT=$B/bin/quorvale-lot

$PY -c 'import osgeo' 2>/dev/null || {
  echo "Les données du banc sont écrites par GDAL depuis Python : sudo apt-get install python3-gdal" >&2; exit 1; }
command -v ogr2ogr >/dev/null || { echo "ogr2ogr introuvable : sudo apt-get install gdal-bin" >&2; exit 1; }
for f in "$LOT" "$B/mapinfo/mapinfow" "$B/mapinfo/UT/imut"; do
  [ -x "$f" ] || { echo "Introuvable : $f (construire d'abord : cmake --build $B)" >&2; exit 1; }
done

# Un dossier de travail et des réglages à soi : d'autres traitements peuvent tourner à côté.
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
export TMPDIR=$T/tmp XDG_CONFIG_HOME=$T/xdg QT_QPA_PLATFORM=offscreen
mkdir -p "$TMPDIR" "$XDG_CONFIG_HOME"
"$B/mapinfo/mapinfow" --regserver >/dev/null

ms() { echo $(( $(date +%s%N) / 1000000 )); }
mediane() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
rapport() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# --- Données (faites une fois) -------------------------------------------------------------------
donnees() {
  mkdir -p "$D"
  if [ ! -f "$D/petits-$PETITS/fait" ]; then
    echo "Données : $PETITS petits jeux de formes..." >&2
    rm -rf "$D/petits-$PETITS"
    $PY "$ici/bench/donnees.py" arbre "$D/petits-$PETITS/shp" "$PETITS"
    touch "$D/petits-$PETITS/fait"
  fi
  if [ ! -f "$D/arbre2-$ARBRE2/fait" ]; then
    echo "Données : arbres tab et mif de $ARBRE2 fichiers..." >&2
    rm -rf "$D/arbre2-$ARBRE2"
    $PY "$ici/bench/donnees.py" arbre "$D/arbre2-$ARBRE2/shp" "$ARBRE2"
    (cd "$D/arbre2-$ARBRE2/shp" && find . -name '*.shp') | while read -r f; do
      r=${f#./}; r=${r%.shp}
      mkdir -p "$D/arbre2-$ARBRE2/tab/$(dirname "$r")" "$D/arbre2-$ARBRE2/mif/$(dirname "$r")"
      ogr2ogr -q -f "MapInfo File" "$D/arbre2-$ARBRE2/tab/$r.tab" "$D/arbre2-$ARBRE2/shp/$r.shp"
      ogr2ogr -q -f "MapInfo File" -dsco FORMAT=MIF "$D/arbre2-$ARBRE2/mif/$r.mif" "$D/arbre2-$ARBRE2/shp/$r.shp"
    done
    touch "$D/arbre2-$ARBRE2/fait"
  fi
  if [ ! -f "$D/gros-$POINTS/fait" ]; then
    echo "Données : $POINTS points..." >&2
    rm -rf "$D/gros-$POINTS"
    $PY "$ici/bench/donnees.py" gros "$D/gros-$POINTS/shp/points.shp" "$POINTS"
    touch "$D/gros-$POINTS/fait"
  fi
  if [ ! -f "$D/liste-$LISTE/fait" ]; then
    echo "Données : $LISTE fichiers vides, et leurs destinations..." >&2
    rm -rf "$D/liste-$LISTE"
    $PY "$ici/bench/donnees.py" noms "$D/liste-$LISTE/shp" "$LISTE"
    $PY "$ici/bench/donnees.py" noms "$D/liste-$LISTE/tab" "$LISTE" tab
    touch "$D/liste-$LISTE/fait"
  fi
}

# --- Une conversion d'arbre : quorvale-lot, puis la boucle ---------------------------------------
# Chaque mesure écrit « temps-écoulé temps-processeur » (ms) ; le temps processeur compte tous les
# processus lancés (traducteur et travailleur compris) et dépend moins de la charge de la machine.
chrono() { # fichier-de-sortie commande...
  sortie=$1; shift
  /usr/bin/time -f '%e %U %S' -o "$T/temps" "$@" || return 1
  awk '{ printf "%d %d\n", $1 * 1000, ($2 + $3) * 1000 }' "$T/temps" >>"$sortie"
}

lot() { # source-format cible-format dossier-source
  rm -rf "$T/sortie"; mkdir -p "$T/sortie"
  chrono "$T/a" "$LOT" --format-source "$1" --format-cible "$2" --source "$3" --cible "$T/sortie" --sous-dossiers \
    >"$T/lot.txt" 2>&1 || { echo "quorvale-lot a échoué :" >&2; tail -5 "$T/lot.txt" >&2; exit 1; }
}

boucle() { # extension-source extension-cible pilote dossier-source [options...]
  rm -rf "$T/sortie"; mkdir -p "$T/sortie"
  chrono "$T/b" sh -c '
    se=$1 ce=$2 pilote=$3 src=$4 T=$5; shift 5
    (cd "$src" && find . -name "*.$se") | while read -r f; do
      r=${f#./}
      mkdir -p "$T/sortie/$(dirname "$r")"
      ogr2ogr -f "$pilote" "$@" "$T/sortie/${r%.*}.$ce" "$src/$r" 2>>"$T/ogr2ogr.txt"
    done' boucle "$@" "$T"
}

compare() { # libellé ; puis les arguments de lot et de boucle
  libelle=$1; shift
  : >"$T/a"; : >"$T/b"
  i=0
  while [ $i -lt "$TOURS" ]; do
    lot "$1" "$2" "$3"
    boucle "$4" "$5" "$6" "$3" ${7:+"$7"} ${8:+"$8"}
    i=$((i + 1))
  done
  a=$(cut -d' ' -f1 "$T/a" | mediane); b=$(cut -d' ' -f1 "$T/b" | mediane)
  ca=$(cut -d' ' -f2 "$T/a" | mediane); cb=$(cut -d' ' -f2 "$T/b" | mediane)
  printf '%-44s %12s %12s %8s %14s\n' "$libelle" "$a" "$b" "$(rapport "$a" "$b")" "$(rapport "$ca" "$cb")"
}

donnees
echo "Charge au départ : $(cut -d' ' -f1-3 /proc/loadavg) ; $(nproc) cœurs ; médianes de $TOURS tours"
printf '%-44s %12s %12s %8s %14s\n' "mesure" "quorvale-lot" "ogr2ogr" "rapport" "rapport (CPU)"
printf '%-44s %12s %12s %8s %14s\n' "" "(ms)" "(ms)" "" ""
compare "$PETITS petits fichiers shp -> tab (arbre)" shp tab "$D/petits-$PETITS/shp" shp tab "MapInfo File"
compare "1 fichier de $POINTS points shp -> tab" shp tab "$D/gros-$POINTS/shp" shp tab "MapInfo File"
compare "$ARBRE2 fichiers tab -> shp (arbre)" tab shp "$D/arbre2-$ARBRE2/tab" tab shp "ESRI Shapefile"
compare "$ARBRE2 fichiers mif -> dxf (arbre)" mif dxf "$D/arbre2-$ARBRE2/mif" mif dxf "DXF"

# --- Démarrage : jusqu'à la fenêtre principale dessinée ------------------------------------------
if [ -x "$B/bin/quorvale" ]; then
  : >"$T/a"
  i=0
  while [ $i -lt "$TOURS" ]; do
    debut=$(ms)
    QUORVALE_MESURE_DEMARRAGE=1 "$B/bin/quorvale" >/dev/null 2>"$T/dem.txt" || true
    fin=$(ms)
    grep -q '^demarrage' "$T/dem.txt" || { echo "quorvale n'a pas montré sa fenêtre :" >&2; cat "$T/dem.txt" >&2; exit 1; }
    echo $((fin - debut)) >>"$T/a"
    i=$((i + 1))
  done
  printf '%-44s %12s %12s %8s\n' "démarrage jusqu'à la fenêtre (borne 300)" "$(mediane <"$T/a")" "-" "-"
fi

# --- Liste et mémoire : un traitement de $LISTE fichiers dont chaque destination existe déjà ------
# Le traitement entier (liste, tri, contrôle de chaque destination, bilan) sans aucune conversion.
# La liste seule (parcours et tri, chronométrés par le programme : QUORVALE_MESURE_LISTE) est
# comparée à find sur le même motif ; la mémoire est le maximum résident du processus quorvale-lot.
: >"$T/a"; : >"$T/b"; : >"$T/m"; : >"$T/l"
i=0
while [ $i -lt "$TOURS" ]; do
  debut=$(ms)
  QUORVALE_MESURE_LISTE=1 /usr/bin/time -f '%M' -o "$T/rss" "$LOT" --format-source shp --format-cible tab \
    --source "$D/liste-$LISTE/shp" --cible "$D/liste-$LISTE/tab" --sous-dossiers >"$T/lot.txt" 2>"$T/liste.txt" || true
  echo $(( $(ms) - debut )) >>"$T/a"
  grep -q "Bilan : 0 traduit(s), $LISTE ignoré(s)" "$T/lot.txt" || { echo "liste inattendue :" >&2; tail -2 "$T/lot.txt" >&2; exit 1; }
  sed -n 's/^liste : .* en \([0-9]*\) ms$/\1/p' "$T/liste.txt" >>"$T/l"
  cat "$T/rss" >>"$T/m"
  debut=$(ms)
  find "$D/liste-$LISTE/shp" -iname '*.shp' >/dev/null
  echo $(( $(ms) - debut )) >>"$T/b"
  i=$((i + 1))
done
a=$(mediane <"$T/a"); b=$(mediane <"$T/b"); l=$(mediane <"$T/l")
printf '%-44s %12s %12s %8s\n' "liste de $LISTE fichiers (contre find, borne 2)" "$l" "$b" "$(rapport "$l" "$b")"
printf '%-44s %12s %12s %8s\n' "traitement de $LISTE fichiers, tous ignorés" "$a" "-" "-"
printf '%-44s %12s %12s %8s\n' "mémoire de ce traitement (Mo, borne 200)" "$(( $(mediane <"$T/m") / 1024 ))" "-" "-"
echo "Charge à la fin : $(cut -d' ' -f1-3 /proc/loadavg)"
