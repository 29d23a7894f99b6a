#!/usr/bin/env bash
# Shows that check_package.sh can fail: breaks a good package in one way at a
# time and expects the check to reject each broken copy with the matching
# message, and to pass the good one.
# Usage: tests/package/check_catches_faults.sh GOOD_ZIP
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
good=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
name=$(basename "$good")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
missed=0

# expect_failure LABEL MESSAGE COMMAND...: COMMAND breaks the files in the
# current folder, which are then packed under the good archive's name.
expect_failure() {
  local label=$1 message=$2
  shift 2
  rm -rf "$work/files" "$work/out" && mkdir -p "$work/files" "$work/out"
  unzip -q "$good" -d "$work/files"
  (cd "$work/files" && "$@" && zip -q -r "$work/out/$name" .)
  if output=$("$here/check_package.sh" "$work/out/$name"); then
    echo "MISSED: $label"; missed=$((missed + 1))
  elif [[ $output != *"$message"* ]]; then
    echo "MISSED: $label (failed, but without \"$message\")"; missed=$((missed + 1))
  else
    echo "caught: $label"
  fi
}

"$here/check_package.sh" "$good" >/dev/null || { echo "the good package fails the check"; exit 1; }
expect_failure "a fourth file" "not exactly" touch extra.txt
expect_failure "files in a folder" "not exactly" sh -c 'mkdir sub && mv Tabrivet.* sub/'
expect_failure "no readme" "not exactly" rm README.txt
expect_failure "x86-64 machine type" "not 0x014c" \
  python3 -c 'import struct
d = bytearray(open("Tabrivet.exe", "rb").read())
struct.pack_into("<H", d, struct.unpack_from("<I", d, 0x3C)[0] + 4, 0x8664)
open("Tabrivet.exe", "wb").write(d)'
expect_failure "an import beyond the system DLLs" "imports SHELLXX.dll" \
  python3 -c 'd = open("Tabrivet.exe", "rb").read()
open("Tabrivet.exe", "wb").write(d.replace(b"SHELL32.dll", b"SHELLXX.dll"))'
expect_failure "a manual that is no PDF" "does not start with %PDF" sh -c 'echo text >Tabrivet.pdf'
expect_failure "a one-page manual" "not 2 to 4" sh -c 'pdfseparate -f 1 -l 1 Tabrivet.pdf one.pdf && mv one.pdf Tabrivet.pdf'
expect_failure "a readme without the version" "does not mention" sed -i 's/[0-9]\.[0-9]*//g' README.txt
expect_failure "a readme with LF line ends" "without CR LF" sed -i 's/\r$//' README.txt
expect_failure "an empty readme" "missing or empty" truncate -s 0 README.txt

cp "$good" "$work/Tabrivet-0.0-win32.zip"
if "$here/check_package.sh" "$work/Tabrivet-0.0-win32.zip" >/dev/null; then
  echo "MISSED: an archive named for another version"; missed=$((missed + 1))
else
  echo "caught: an archive named for another version"
fi

[ $missed -eq 0 ] && echo "check_package.sh caught every fault" || exit 1
