#!/usr/bin/env bash
# Installe, construit, inscrit le serveur MapInfo, puis démarre Quorvale.
set -euo pipefail
racine="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$racine/scripts/installe.sh"
exec "${QUORVALE_CONSTRUCTION:-$racine/build}/bin/quorvale" "$@"
