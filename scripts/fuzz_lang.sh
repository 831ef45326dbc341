#!/usr/bin/env bash
# Runs every fuzz target for a long time, one after the other, and reports
# its executions and findings. Usage: scripts/fuzz_lang.sh [minutes] [targets...]
set -euo pipefail
cd "$(dirname "$0")/.."
minutter=${1:-30}
shift || true
maal=("$@")
[ ${#maal[@]} -gt 0 ] || maal=(laesere skriver key_decoder screen)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
for m in "${maal[@]}"; do
    valg=()
    [ "$m" = screen ] && valg=(-max_len=256)
    [ "$m" = laesere ] && valg=(-max_len=1024)
    [ "$m" = key_decoder ] && valg=(-max_len=512)
    korpus="build/fuzz/lang_korpus_$m"
    mkdir -p "$korpus" "build/fuzz/fund_$m"
    log="build/fuzz/lang_$m.log"
    ASAN_OPTIONS=detect_leaks=1 "build/fuzz/tests/fuzz/fuzz_$m" -max_total_time=$((minutter * 60)) \
        -timeout=10 -print_final_stats=1 -artifact_prefix="build/fuzz/fund_$m/" "${valg[@]}" \
        "$korpus" "tests/fuzz/korpus/$m" >"$log" 2>&1 || true
    koert=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{print $2}')
    fund=$(ls "build/fuzz/fund_$m" | wc -l)
    echo "$m: ${koert:-?} executions in $minutter min, $fund findings (log: $log)"
done
