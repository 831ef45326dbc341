#!/usr/bin/env bash
# Runs the end-to-end tests many times in a row on a loaded machine (two
# CPU-bound processes beside them), to catch timing assumptions in the tests.
# Usage: scripts/e2e_belastet.sh [build folder] [rounds]
set -euo pipefail
cd "$(dirname "$0")/.."
bygning=${1:-build/test}
runder=${2:-20}
for _ in 1 2; do (while :; do :; done) & done
trap 'kill $(jobs -p) 2>/dev/null' EXIT
ok=0
for r in $(seq 1 "$runder"); do
    if "$bygning/tests/katsort_e2e" --gtest_brief=1 >"/tmp/katsort-e2e-runde-$r.log" 2>&1; then
        ok=$((ok + 1))
    else
        echo "round $r failed:"; grep -E '^\[  FAILED|Failure|Expected|Which is' "/tmp/katsort-e2e-runde-$r.log" | head -20
    fi
done
echo "$ok of $runder rounds passed"
[ "$ok" = "$runder" ]
