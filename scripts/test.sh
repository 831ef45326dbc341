#!/usr/bin/env bash
# Builds katsort with AddressSanitizer and UndefinedBehaviorSanitizer and runs
# every test. As root it first installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

pakker=(cmake ninja-build g++ pkg-config libgtest-dev libvterm-dev)
if [ "$(id -u)" = 0 ]; then
    mangler=()
    for p in "${pakker[@]}"; do
        dpkg -s "$p" >/dev/null 2>&1 || mangler+=("$p")
    done
    if [ ${#mangler[@]} -gt 0 ]; then
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${mangler[@]}"
    fi
fi

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKATSORT_SANITIZE=ON -DKATSORT_STEP_DELAY_MS=5
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j2
