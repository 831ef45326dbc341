#!/usr/bin/env bash
# Formats the C++ sources of the tree with clang-format (.clang-format), or,
# with --check, changes nothing and lists the files that are not formatted
# (exit status 1 when there is one).
# Usage: scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
clang_format=$(command -v clang-format-14 || command -v clang-format)
mapfile -t filer < <(git ls-files '*.cpp' '*.h')
case "${1:-}" in
    "") "$clang_format" -i "${filer[@]}" ;;
    --check)
        uformaterede=0
        for f in "${filer[@]}"; do
            if ! "$clang_format" --dry-run --Werror "$f" >/dev/null 2>&1; then
                echo "$f"
                uformaterede=$((uformaterede + 1))
            fi
        done
        [ "$uformaterede" = 0 ] || { echo "$uformaterede files are not clang-formatted" >&2; exit 1; }
        ;;
    *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac
