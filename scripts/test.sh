#!/usr/bin/env bash
# Builds katsort and runs every test, one CMake workflow after the other (each
# also runs alone: cmake --workflow --preset <name>; --list-presets lists them):
#   release       the operator's build from scratch, checked here for warnings,
#                 installed into a staging folder, and its Debian package,
#                 which lintian must pass without errors or warnings
#   fuzz          the fuzz targets, each KATSORT_FUZZ_SECONDS (20 by default)
#   valgrind      a plain build: the demo under valgrind, and a run out of memory
#   test          all unit and end-to-end tests under ASan and UBSan
#   windows       katsort.exe, cross-built as the README gives it
#   windows-test  its unit and end-to-end tests under Wine (needs test's build)
#   arm64         katsort cross-built for arm64 Linux, installed into a staging
#                 folder and started there under qemu, and its Debian package,
#                 which lintian must pass as the release one
#   arm64-test    its unit tests under qemu, its main end-to-end tests under
#                 qemu in test's harness, and its sort keys against test's (the
#                 number of texts compared is printed)
# Installs the Debian packages that are missing first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/pakker.sh test

echo "== the README still gives the builds that the workflows run"
for kommando in 'cmake --preset release && cmake --build --preset release' \
    'cmake --preset windows && cmake --build --preset windows'; do
    grep -qF "$kommando" README.md || { echo "README no longer says: $kommando" >&2; exit 1; }
done

echo "== the sources in the project's format"
scripts/format.sh --check

echo "== the operator's build, without warnings, installed and packaged"
log=$(mktemp)
trap 'rm -rf "$log" "${staging:-}"' EXIT
cmake --workflow --preset release 2>&1 | tee "$log"
if grep -q 'warning:' "$log"; then echo "the operator's build has warnings" >&2; exit 1; fi
staging=$(mktemp -d)
cmake --install build/release --prefix "$staging/usr" >/dev/null
"$staging/usr/bin/katsort" --version
test -f "$staging/usr/share/man/man1/katsort.1.gz"

echo "== the Debian package as Debian's checker sees it"
lintian --fail-on error,warning build/release/katsort_*.deb

cmake --workflow --preset fuzz
cmake --workflow --preset valgrind
cmake --workflow --preset test
cmake --workflow --preset windows
cmake --workflow --preset windows-test
cmake --workflow --preset arm64
cmake --install build/arm64 --prefix "$staging/arm64/usr" >/dev/null
qemu-aarch64 -L /usr/aarch64-linux-gnu "$staging/arm64/usr/bin/katsort" --version
lintian --fail-on error,warning build/arm64/katsort_*_arm64.deb
cmake --workflow --preset arm64-test
grep -h "the same keys of" build/arm64-test/Testing/Temporary/LastTest.log
