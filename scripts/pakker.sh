#!/usr/bin/env bash
# Installs the Debian packages a task needs, when they are missing: as root
# directly, otherwise through sudo when there is one.
# Usage: scripts/pakker.sh program|windows|test
set -euo pipefail

program=(cmake make g++)
windows=(cmake ninja-build g++-mingw-w64-x86-64)
test=("${program[@]}" "${windows[@]}" pkg-config libgtest-dev libvterm-dev valgrind clang
      libclang-rt-14-dev dpkg-dev wine64 clang-format locales lintian)

case "${1:-}" in
    program) oenskede=("${program[@]}") ;;
    windows) oenskede=("${windows[@]}") ;;
    test) oenskede=("${test[@]}") ;;
    *) echo "usage: $0 program|windows|test" >&2; exit 2 ;;
esac

mangler=()
for p in "${oenskede[@]}"; do
    dpkg -s "$p" >/dev/null 2>&1 || mangler+=("$p")
done
[ ${#mangler[@]} -eq 0 ] && exit 0

if [ "$(id -u)" = 0 ]; then
    som_root=()
elif command -v sudo >/dev/null; then
    som_root=(sudo)
else
    echo "missing Debian packages (install them as root): ${mangler[*]}" >&2
    exit 1
fi
echo "installing: ${mangler[*]}"
"${som_root[@]}" apt-get update -qq
"${som_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${mangler[@]}"
