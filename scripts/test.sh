#!/usr/bin/env bash
# Builds katsort and runs every test: the operator's build as the README
# gives it (installed into a staging folder, and packaged as a .deb), the
# fuzz targets for a short fixed time (clang, libFuzzer), the demo end to end
# under valgrind, all unit and end-to-end tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and katsort.exe cross-built with its unit and
# end-to-end tests under Wine. Installs what is missing first.
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

echo "== katsort.exe and its tests under Wine"
windows_bygning='cmake --preset windows && cmake --build --preset windows'
grep -qF "$windows_bygning" README.md || { echo "README no longer says: $windows_bygning" >&2; exit 1; }
eval "$windows_bygning"
cmake --preset windows-test >/dev/null
cmake --build --preset windows-test
export WINEPREFIX="$PWD/build/wine" WINEDEBUG=-all
mkdir -p "$WINEPREFIX"
# One server for all the runs below, holding none of our output open.
/usr/lib/wine/wineserver -p </dev/null >/dev/null 2>&1
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true' EXIT
scripts/wine.sh wineboot --init </dev/null >/dev/null 2>&1
# In a pseudo-terminal of 80 x 50, so the tests of the console itself have one.
if ! script -qfec "stty rows 50 cols 80; scripts/wine.sh build/windows-test/tests/katsort_tests.exe \
    --gtest_brief=1 --gtest_output=xml:build/windows-test/enhedstest.xml" /dev/null >/dev/null; then
    grep -A8 '<failure' build/windows-test/enhedstest.xml || echo "katsort_tests.exe did not finish"
    exit 1
fi
grep -m1 '<testsuites' build/windows-test/enhedstest.xml
KATSORT_E2E_WINDOWS="$PWD/build/windows-test/app/katsort.exe" \
    build/test/tests/katsort_e2e --gtest_filter='Windows.*' --gtest_brief=1
