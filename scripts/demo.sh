#!/usr/bin/env bash
# Builds katsort (if needed) and starts it on a fresh copy of the bundled
# demo catalogue, so the bundled files never change.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/pakker.sh program
cmake --preset release >/dev/null
cmake --build --preset release

mappe=$(mktemp -d /tmp/katsort-demo-XXXXXX)
cp examples/demo/*.txt "$mappe"
echo "Demokataloget ligger i $mappe"
cd "$mappe"
exec "$OLDPWD/build/release/app/katsort"
