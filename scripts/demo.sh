#!/usr/bin/env bash
# Builds katsort (if needed) and starts it on a fresh copy of the bundled
# demo catalogue, so the bundled files never change.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v cmake >/dev/null || ! command -v ninja >/dev/null; then
    if [ "$(id -u)" = 0 ]; then
        apt-get update -qq && DEBIAN_FRONTEND=noninteractive apt-get install -y -qq cmake ninja-build g++
    fi
fi
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKATSORT_TESTS=OFF >/dev/null
cmake --build build/release

mappe=$(mktemp -d /tmp/katsort-demo-XXXXXX)
cp examples/demo/*.txt "$mappe"
echo "Demokataloget ligger i $mappe"
cd "$mappe"
exec "$OLDPWD/build/release/katsort"
