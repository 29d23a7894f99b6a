#!/usr/bin/env bash
# Builds the release package dist/Tabrivet-VERSION-win32.zip: the i686
# Tabrivet.exe, the manual Tabrivet.pdf and README.txt, side by side. The
# version is the one src/app/version.h defines. Checks the package at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build/win-i686"
"$root/scripts/install-deps.sh"

version=$(sed -n 's/^#define TABRIVET_VERSION "\([^"]*\)"$/\1/p' "$root/src/app/version.h")
if [ -z "$version" ]; then
  echo "package.sh: no TABRIVET_VERSION in src/app/version.h" >&2
  exit 1
fi

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" -DTABRIVET_ARCH=i686 >/dev/null
cmake --build "$build" --target Tabrivet

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
cp "$build/Tabrivet.exe" "$stage/Tabrivet.exe"
"$root/docs/manual/build.sh" "$stage/Tabrivet.pdf"
# CR LF whatever line ends the checkout gave the file: older Notepads show
# a text with bare line feeds as one long line.
sed "s/@VERSION@/$version/g; s/\r\$//; s/\$/\r/" "$root/docs/README.txt" >"$stage/README.txt"

# Fixed times and order, so that the same three files give the same archive.
touch -d @1704067200 "$stage"/*
zip_file="$root/dist/Tabrivet-$version-win32.zip"
mkdir -p "$root/dist"
# Only the current package stays, so that dist/Tabrivet-*-win32.zip names it.
rm -f "$root"/dist/Tabrivet-*-win32.zip
(cd "$stage" && TZ=UTC zip -q -X -D "$zip_file" Tabrivet.exe Tabrivet.pdf README.txt)

"$root/tests/package/check_package.sh" "$zip_file"
