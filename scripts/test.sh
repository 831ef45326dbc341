#!/usr/bin/env bash
# Builds katsort and runs every test: the fuzz targets for a short fixed time
# (clang, libFuzzer), the demo end to end under valgrind, and all unit and
# end-to-end tests under AddressSanitizer and UndefinedBehaviorSanitizer.
# As root it first installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

pakker=(cmake ninja-build g++ pkg-config libgtest-dev libvterm-dev valgrind clang libclang-rt-14-dev)
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

echo "== fuzz targets"
CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKATSORT_FUZZ=ON -DKATSORT_FUZZ_SECONDS="${KATSORT_FUZZ_SECONDS:-20}" >/dev/null
cmake --build build/fuzz
ctest --test-dir build/fuzz --output-on-failure -j2

echo "== valgrind on the demo"
cmake -S . -B build/plain -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKATSORT_STEP_DELAY_MS=5 >/dev/null
cmake --build build/plain --target katsort katsort_e2e
KATSORT_VALGRIND=1 build/plain/tests/katsort_e2e --gtest_filter='*Valgrind*'

echo "== tests under the sanitizers"
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKATSORT_SANITIZE=ON -DKATSORT_STEP_DELAY_MS=5 >/dev/null
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j2 -E Valgrind
