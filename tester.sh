#!/usr/bin/env bash
# Installe, construit, inscrit le serveur MapInfo, puis passe toute la suite de tests.
set -euo pipefail
racine="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
"$racine/scripts/installe.sh"
ctest --test-dir "${QUORVALE_CONSTRUCTION:-$racine/build}" -j 2 --output-on-failure "$@"
