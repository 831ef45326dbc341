#!/usr/bin/env bash
# Runs a Windows program under Wine, in a throw-away prefix of the project's
# own (build/wine) unless WINEPREFIX says otherwise.
set -euo pipefail
export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "$0")/.." && pwd)/build/wine}
export WINEDEBUG=${WINEDEBUG:--all}
exec /usr/lib/wine/wine64 "$@"
