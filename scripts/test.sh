#!/usr/bin/env bash
# Builds katsort and runs every test: the operator's build as the README
# gives it (installed into a staging folder, and packaged as a .deb), the
# fuzz targets for a short fixed time (clang, libFuzzer), the demo end to end
# under valgrind, and all unit and end-to-end tests under AddressSanitizer and
# UndefinedBehaviorSanitizer. Installs what is missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/pakker.sh test

echo "== the operator's build, exactly as the README gives it"
operatoer_bygning='cmake --preset release && cmake --build --preset release'
grep -qF "$operatoer_bygning" README.md || { echo "README no longer says: $operatoer_bygning" >&2; exit 1; }
log=$(mktemp)
eval "$operatoer_bygning" 2>&1 | tee "$log"
if grep -q 'warning:' "$log"; then echo "the operator's build has warnings" >&2; exit 1; fi
staging=$(mktemp -d)
cmake --install build/release --prefix "$staging/usr" >/dev/null
"$staging/usr/bin/katsort" --version
test -f "$staging/usr/share/man/man1/katsort.1"
rm -rf "$staging" "$log"
(cd build/release && cpack >/dev/null && ls katsort_*.deb)

echo "== fuzz targets"
cmake --preset fuzz -DKATSORT_FUZZ_SECONDS="${KATSORT_FUZZ_SECONDS:-20}" >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

echo "== valgrind on the demo"
cmake --preset valgrind >/dev/null
cmake --build --preset valgrind
KATSORT_VALGRIND=1 build/valgrind/tests/katsort_e2e --gtest_filter='*Valgrind*'

echo "== tests under the sanitizers"
cmake --preset test >/dev/null
cmake --build --preset test
ctest --preset test
