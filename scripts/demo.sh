#!/usr/bin/env bash
# Builds katsort (if needed) and starts it on a fresh copy of the bundled
# demo catalogue, so the bundled files never change. The copy stays; after
# the program it is named again, since the screen has covered the first
# notice. The exit status is the program's.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/pakker.sh program
cmake --preset release >/dev/null
cmake --build --preset release

program=$PWD/build/release/app/katsort
mappe=$(mktemp -d /tmp/katsort-demo-XXXXXX)
cp examples/demo/*.txt "$mappe"
echo "Demokataloget ligger i $mappe"
status=0
(cd "$mappe" && "$program") || status=$?
echo "Demokataloget ligger i $mappe"
if [ "$status" = 0 ]; then
    echo "Den gemte liste vises med: cat $mappe/kat_emneliste.txt"
else
    echo "Listen vises med: cat $mappe/kat_emneliste.txt"
fi
echo "Demoen slettes med: rm -r $mappe"
exit "$status"
