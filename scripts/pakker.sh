#!/usr/bin/env bash
# Installs the Debian packages a task needs, when they are missing: as root
# directly, otherwise through sudo when there is one.
# Usage: scripts/pakker.sh program|windows|arm64|test
set -euo pipefail

# The program, and what its Debian package is made with (cpack's DEB).
program=(cmake make g++ dpkg-dev file)
windows=(cmake ninja-build g++-mingw-w64-x86-64)
# The arm64 cross build, and qemu with the arm64 C and C++ libraries to run it.
arm64=(cmake ninja-build dpkg-dev file g++-aarch64-linux-gnu qemu-user libc6-arm64-cross
       libstdc++6-arm64-cross)
test=("${program[@]}" "${windows[@]}" "${arm64[@]}" pkg-config libgtest-dev libvterm-dev valgrind clang
      libclang-rt-14-dev dpkg-dev wine64 clang-format locales lintian bindfs fuse3
      ncurses-term)

case "${1:-}" in
    program) oenskede=("${program[@]}") ;;
    windows) oenskede=("${windows[@]}") ;;
    arm64) oenskede=("${arm64[@]}") ;;
    test) oenskede=("${test[@]}") ;;
    *) echo "usage: $0 program|windows|arm64|test" >&2; exit 2 ;;
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
