#!/usr/bin/env bash
# Checks a release package: exactly Tabrivet.exe, Tabrivet.pdf and README.txt
# at the top level; a 32-bit x86 exe that imports only DLLs every Windows has;
# a manual of 2 to 4 pages; a CR LF readme; the version of src/app/version.h
# in the archive's name, the manual and the readme.
# Usage: tests/package/check_package.sh ZIP
set -uo pipefail
if [ $# -ne 1 ] || [ ! -f "$1" ]; then
  echo "usage: $0 ZIP (an existing file)" >&2
  exit 2
fi
zip_file=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
root=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^#define TABRIVET_VERSION "\([^"]*\)"$/\1/p' "$root/src/app/version.h")
problems=0
fail() { echo "FAIL: $*"; problems=$((problems + 1)); }

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
[ -n "$version" ] || fail "no TABRIVET_VERSION in src/app/version.h"
[ "$(basename "$zip_file")" = "Tabrivet-$version-win32.zip" ] ||
  fail "the archive is named $(basename "$zip_file"), not Tabrivet-$version-win32.zip"

names=$(unzip -Z1 "$zip_file" 2>/dev/null | LC_ALL=C sort | tr '\n' ' ')
[ "$names" = "README.txt Tabrivet.exe Tabrivet.pdf " ] ||
  fail "the archive holds [${names% }], not exactly README.txt Tabrivet.exe Tabrivet.pdf"
unzip -q "$zip_file" -d "$unpacked" 2>/dev/null || fail "the archive cannot be unpacked"
exe=$unpacked/Tabrivet.exe pdf=$unpacked/Tabrivet.pdf readme=$unpacked/README.txt

if [ -f "$exe" ]; then
  # The DOS header's e_lfanew (offset 0x3C) points at "PE\0\0"; the machine
  # field behind it is 0x014c for i386.
  machine=$(python3 - "$exe" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
if data[:2] != b"MZ" or len(data) < 0x40:
    print("no MZ header"); sys.exit()
pe = struct.unpack_from("<I", data, 0x3C)[0]
if data[pe:pe + 4] != b"PE\0\0":
    print("no PE signature at e_lfanew"); sys.exit()
print("0x%04x" % struct.unpack_from("<H", data, pe + 4)[0])
EOF
)
  [ "$machine" = "0x014c" ] || fail "Tabrivet.exe machine type is $machine, not 0x014c (i386)"

  imports=$(i686-w64-mingw32-objdump -p "$exe" 2>/dev/null | sed -n 's/^[[:space:]]*DLL Name: //p')
  [ -n "$imports" ] || fail "Tabrivet.exe lists no imported DLLs"
  for dll in $imports; do
    case " KERNEL32.dll USER32.dll GDI32.dll SHELL32.dll ole32.dll msvcrt.dll " in
      *" $dll "*) ;;
      *) fail "Tabrivet.exe imports $dll, which not every Windows has" ;;
    esac
  done
else
  fail "no Tabrivet.exe"
fi

if [ -f "$pdf" ]; then
  [ "$(head -c 4 "$pdf")" = "%PDF" ] || fail "Tabrivet.pdf does not start with %PDF"
  pages=$(pdfinfo "$pdf" 2>/dev/null | sed -n 's/^Pages:[[:space:]]*//p')
  [ -n "$pages" ] && [ "$pages" -ge 2 ] && [ "$pages" -le 4 ] ||
    fail "Tabrivet.pdf has ${pages:-no readable} pages, not 2 to 4"
  text=$(pdftotext "$pdf" - 2>/dev/null)
  [[ $text == *"Tabrivet $version"* ]] || fail "Tabrivet.pdf does not name Tabrivet $version"
else
  fail "no Tabrivet.pdf"
fi

if [ -s "$readme" ]; then
  grep -qF "$version" "$readme" || fail "README.txt does not mention version $version"
  ! grep -q "@VERSION@" "$readme" || fail "README.txt still holds the @VERSION@ placeholder"
  ! grep -qv $'\r$' "$readme" || fail "README.txt has lines without CR LF"
else
  fail "README.txt is missing or empty"
fi

if [ $problems -ne 0 ]; then
  echo "package BROKEN: $problems problem(s) in $(basename "$zip_file")"
  exit 1
fi
echo "package OK: $(basename "$zip_file") (i386 exe, $pages-page manual, README for $version)"
