#!/usr/bin/env bash
# Installe ce qui manque (paquets Debian), construit le programme et inscrit le serveur MapInfo
# pour l'utilisateur courant. Sans danger à relancer.
set -euo pipefail
racine="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
construction="${QUORVALE_CONSTRUCTION:-$racine/build}"

paquets=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-base-dev-tools qt6-translations-l10n
         libgl-dev libgdal-dev gdal-bin
         dpkg-dev file lintian desktop-file-utils man-db python3-gdal parallel)
manquants=()
for p in "${paquets[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    manquants+=("$p")
  fi
done
if [ ${#manquants[@]} -gt 0 ]; then
  echo "Installation des paquets manquants : ${manquants[*]}"
  sudo_="" ; [ "$(id -u)" -eq 0 ] || sudo_="sudo"
  $sudo_ apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo_ apt-get install -y -q --no-install-recommends "${manquants[@]}"
fi

cmake -S "$racine" -B "$construction" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
cmake --build "$construction" -j "$(nproc)"

# Le serveur d'automation s'inscrit dans le registre de l'utilisateur (~/.config/registre).
"$construction/mapinfo/mapinfow" --regserver
