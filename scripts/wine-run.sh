#!/bin/sh
# Runs a Windows program under the 64-bit Wine loader, in the project's prefix
# unless the caller chose another. ctest uses it as the cross-compiling emulator.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
exec /usr/lib/wine/wine64 "$@"
