#!/bin/sh
# Runs a Windows program under the 64-bit Wine loader, in the project's prefix
# unless the caller chose another. ctest uses it as the cross-compiling emulator.
#
# Every program that a Windows process starts under Wine inherits its output,
# and Wine detaches it from the process tree. One that a test leaves running
# would hold ctest's pipe open, and ctest would wait for it long after the test
# has ended, past its timeout. So the program writes into a file, which is
# passed on to ctest until the program itself has ended.
here=$(cd "$(dirname "$0")/.." && pwd)
export WINEPREFIX="${WINEPREFIX:-$here/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
output=$(mktemp)
/usr/lib/wine/wine64 "$@" >"$output" 2>&1 </dev/null &
program=$!
tail -n +1 -s 0.2 --pid=$program -f "$output" &
passer=$!
wait $program
status=$?
wait $passer
rm -f "$output"
exit $status
