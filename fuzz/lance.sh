#!/usr/bin/env bash
# Construit les cibles libFuzzer (clang) puis les lance l'une après l'autre.
#   fuzz/lance.sh [secondes par cible, 600 par défaut] [cible...]
# Le corpus qui grandit et les entrées fautives vont dans le dossier de construction (hors git) ;
# les graines de fuzz/corpus/ ne sont que lues.
set -euo pipefail
ici="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
construction="${QUORVALE_FUZZ_CONSTRUCTION:-$ici/../build-fuzz}"
duree="${1:-600}"
shift || true
cibles=("$@")
[ ${#cibles[@]} -gt 0 ] || cibles=(correspondance analyse catalogue assomots e00)

cmake -S "$ici" -B "$construction" -G Ninja -DCMAKE_CXX_COMPILER="${CXX:-clang++}" >/dev/null
cmake --build "$construction" -j2 $(printf -- '--target fuzz_%s ' "${cibles[@]}")

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:${ASAN_OPTIONS:-}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1:${UBSAN_OPTIONS:-}"

bilan=()
echec=0
for cible in "${cibles[@]}"; do
    corpus="$construction/corpus/$cible"
    artefacts="$construction/artefacts/$cible"
    journal="$construction/journal-$cible.txt"
    mkdir -p "$corpus" "$artefacts"
    echo "== $cible : $duree s"
    dico=()
    [ -f "$ici/dict/$cible.dict" ] && dico=(-dict="$ici/dict/$cible.dict")
    code=0
    "$construction/fuzz_$cible" "$corpus" "$ici/corpus/$cible" "${dico[@]}" \
        -max_total_time="$duree" -timeout=10 -rss_limit_mb=2048 -detect_leaks=1 \
        -artifact_prefix="$artefacts/" -print_final_stats=1 >"$journal" 2>&1 || code=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$journal" | tail -1)
    temps=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$journal" | tail -1)
    etat=$(grep -E '^#[0-9]+[[:space:]]+(DONE|pulse|NEW|REDUCE)' "$journal" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+/[0-9]+[a-zA-Z]+' || true)
    if [ "$code" -ne 0 ]; then
        echec=1
        ligne="$cible : ÉCHEC (code $code) après ${execs:-?} exécutions, voir $journal et $artefacts"
    else
        ligne="$cible : ${execs:-?} exécutions en ${temps:-?} s, $etat"
    fi
    echo "$ligne"
    bilan+=("$ligne")
done
echo "== Bilan"
printf '%s\n' "${bilan[@]}"
exit "$echec"
