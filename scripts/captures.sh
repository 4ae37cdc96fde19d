#!/usr/bin/env bash
# Captures d'écran de Quorvale sous un vrai serveur X (Xvfb), à l'échelle 1 et 2 : la fenêtre
# principale (choix retenus du départ précédent), l'aperçu, la fenêtre d'avancement pendant un long fichier,
# puis après « Annuler », et la fenêtre du rapport.
#   scripts/captures.sh [DOSSIER_DES_IMAGES]     (par défaut build/captures, hors de git)
# Paquets : xvfb x11-apps imagemagick xdotool.
set -euo pipefail
racine="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
construction="${QUORVALE_CONSTRUCTION:-$racine/build}"
images="${1:-$construction/captures}"
mkdir -p "$images"
for outil in Xvfb xdotool xwd convert; do
  command -v "$outil" >/dev/null || { echo "$outil manque : apt-get install xvfb x11-apps imagemagick xdotool" >&2; exit 1; }
done

travail="$(mktemp -d "${TMPDIR:-/tmp}/quorvale-captures-XXXXXX")"
pids=()
nettoie() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$travail"
}
trap nettoie EXIT

# Un affichage libre.
ecran=90
while [ -e "/tmp/.X11-unix/X$ecran" ] || [ -e "/tmp/.X$ecran-lock" ]; do ecran=$((ecran + 1)); done
Xvfb ":$ecran" -screen 0 3400x2200x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
export DISPLAY=":$ecran"
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Les données : un dessin de la démonstration (feuillet), un gros dessin de points sans feuillet
# (le long fichier, repli NonEarth), un fichier illisible et un dont la destination existe déjà.
src="$travail/source"
mkdir -p "$src/31h05ne" "$src/divers" "$src/casse"
cp "$racine/demo/31h05ne/Batiments.DXF" "$src/31h05ne/batiments.dxf"
cp "$racine/demo/31h05ne/Batiments.DXF" "$src/31h05ne/deja.dxf"
printf 'ceci n est pas un dessin\n' > "$src/casse/illisible.dxf"
awk 'BEGIN { print "0\nSECTION\n2\nENTITIES";
             for (i = 0; i < 400000; i++) printf "0\nPOINT\n8\nsommets\n10\n%.3f\n20\n%.3f\n30\n0.0\n", 300000 + i % 1000, 5000000 + int(i / 1000);
             print "0\nENDSEC\n0\nEOF" }' > "$src/divers/gros.dxf"

capture() { # fenêtre, fichier
  xwd -silent -id "$1" | convert xwd:- "$images/$2"
  echo "$images/$2"
}
attend_fenetre() { # titre
  for _ in $(seq 100); do
    id="$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 || true)"
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.1
  done
  echo "fenêtre « $1 » introuvable ; l'écran entier : $images/ecran.png" >&2
  xwd -silent -root | convert xwd:- "$images/ecran.png"
  return 1
}

for echelle in 1 2; do
  config="$travail/config-$echelle"
  dst="$travail/destination-$echelle"
  mkdir -p "$config/Olvessa" "$dst/31h05ne"
  : > "$dst/31h05ne/deja.tab"
  # Les choix retenus d'un départ précédent : dxf vers tab, dossiers, sous-dossiers.
  cat > "$config/Olvessa/Quorvale.conf" <<EOF
[General]
FormatSource=0
FormatCible=4
Fichiers=*
DossierSource=$src/
DossierCible=$dst/
SousDossiers=true
EOF
  export XDG_CONFIG_HOME="$config" QT_SCALE_FACTOR="$echelle" LANG=fr_CA.UTF-8 LC_ALL=
  "$construction/mapinfo/mapinfow" --regserver
  "$construction/bin/quorvale" &
  pids+=($!)
  principale="$(attend_fenetre Quorvale)"
  sleep 0.5
  capture "$principale" "principale-${echelle}x.png"
  # « À propos... » (238,324) puis « Aide » (314,324) : centrés sur la fenêtre, fermés par Entrée et Échap.
  xdotool mousemove --window "$principale" $((274 * echelle)) $((336 * echelle)) click 1
  apropos="$(attend_fenetre '.*propos')"
  sleep 0.3
  capture "$apropos" "apropos-${echelle}x.png"
  xdotool windowfocus --sync "$apropos" key Return
  xdotool mousemove --window "$principale" $((350 * echelle)) $((336 * echelle)) click 1
  aide="$(attend_fenetre 'Aide de Quorvale')"
  sleep 0.5
  xwd -silent -root | convert xwd:- "$travail/ecran.png"
  read -r ax ay < <(xdotool getwindowgeometry "$aide" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
  read -r px py < <(xdotool getwindowgeometry "$principale" | sed -n 's/.*Position: \([0-9]*\),\([0-9]*\).*/\1 \2/p')
  echo "aide à $ax,$ay ; fenêtre principale à $px,$py"
  capture "$aide" "aide-${echelle}x.png"
  xdotool windowfocus --sync "$aide" key Escape
  sleep 0.3
  xdotool search --onlyvisible --name '^Aide de Quorvale$' >/dev/null 2>&1 && echo "l'aide ne s'est pas fermée par Échap" >&2

  # « Projection ... » (84,156 dans le premier cadre) : la projection courante, puis Échap.
  xdotool mousemove --window "$principale" $((145 * echelle)) $((172 * echelle)) click 1
  projection="$(attend_fenetre '.*projection')"
  sleep 0.3
  capture "$projection" "projection-${echelle}x.png"
  xdotool windowfocus --sync "$projection" key Escape
  sleep 0.3

  # « Aperçu… » (Button10 : 162,352, 72 × 25) : la fenêtre de l'aperçu, puis Échap.
  xdotool mousemove --window "$principale" $((198 * echelle)) $((364 * echelle)) click 1
  apercu="$(attend_fenetre 'Aper.*u du traitement')"
  sleep 0.5
  capture "$apercu" "apercu-${echelle}x.png"
  xdotool windowfocus --sync "$apercu" key Escape
  sleep 0.3

  # « Traduire » (Button3 : 238,352, 72 × 25 à l'échelle 1).
  xdotool mousemove --window "$principale" $((274 * echelle)) $((364 * echelle)) click 1
  avancement="$(attend_fenetre Avancement)"
  # Le gros dessin vient après batiments et casse : on attend qu'il soit en cours.
  sleep 4
  capture "$avancement" "avancement-${echelle}x.png"
  xdotool mousemove --window "$avancement" $((156 * echelle)) $((152 * echelle)) click 1
  sleep 0.3
  capture "$avancement" "annulation-${echelle}x.png"
  # À la fin du fichier en cours : la boîte « Le traitement a été annulé » (Entrée), puis le rapport.
  for _ in $(seq 300); do
    boite="$(xdotool search --onlyvisible --name '^Quorvale$' 2>/dev/null | grep -v "^$principale\$" | head -1 || true)"
    [ -n "$boite" ] && break
    sleep 0.1
  done
  [ -n "$boite" ] && { capture "$boite" "annule-${echelle}x.png"; xdotool windowfocus --sync "$boite" key Return; }
  rapport="$(attend_fenetre 'Rapport du traitement')"
  sleep 0.5
  capture "$rapport" "rapport-${echelle}x.png"
  xdotool mousemove --window "$principale" $((350 * echelle)) $((364 * echelle)) click 1
  sleep 1
  "$construction/mapinfo/mapinfow" --unregserver
done
echo "Images dans $images"
