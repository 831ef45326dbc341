#!/usr/bin/env bash
# Starts (start) or ends (stop) the one Wine server that the Windows tests
# share, in the prefix that scripts/wine.sh uses, made first if it is new.
# Usage: scripts/wine_server.sh start|stop
set -euo pipefail
cd "$(dirname "$0")/.."
export WINEPREFIX=${WINEPREFIX:-$PWD/build/wine} WINEDEBUG=${WINEDEBUG:--all}
server=/usr/lib/wine/wineserver
case "${1:-}" in
    start)
        mkdir -p "$WINEPREFIX"
        # It stays until stop, and holds none of our output open: whoever
        # waits for that output to end (ctest, a pipe) would wait for it. One
        # that already runs in the prefix serves as well.
        "$server" -p </dev/null >/dev/null 2>&1 || true
        scripts/wine.sh wineboot --init </dev/null >/dev/null 2>&1
        ;;
    stop) "$server" -k 2>/dev/null || true ;;
    *) echo "usage: $0 start|stop" >&2; exit 2 ;;
esac
