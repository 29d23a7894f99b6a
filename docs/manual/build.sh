#!/usr/bin/env bash
# Renders the user's manual, manual.html with manual.css and the screenshot
# ../launcher.png, into the PDF file named by the one argument. The version
# comes from src/app/version.h and replaces every @VERSION@ of the text.
# Usage: docs/manual/build.sh OUTPUT.pdf
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 OUTPUT.pdf" >&2
  exit 2
fi
here=$(cd "$(dirname "$0")" && pwd)
output=$1
fail() { echo "build.sh: $*" >&2; exit 1; }
command -v weasyprint >/dev/null || fail "weasyprint is missing (apt-get install weasyprint)"

version=$(sed -n 's/^#define TABRIVET_VERSION "\([^"]*\)"$/\1/p' "$here/../../src/app/version.h")
[ -n "$version" ] || fail "no TABRIVET_VERSION in src/app/version.h"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# The screenshot goes in as a data URL: WeasyPrint names a picture after its
# URL, and a file URL would put the checkout's path into the PDF.
picture="data:image/png;base64,$(base64 -w0 "$here/../launcher.png")"
sed "s/@VERSION@/$version/g; s|\.\./launcher\.png|$picture|" "$here/manual.html" >"$work/manual.html"

# The same bytes on every run: a fixed document identifier, the fixed dates
# of the HTML, and a fixed time stamp in the embedded font subsets.
export SOURCE_DATE_EPOCH=1704067200
# WeasyPrint only warns about a missing picture or font and still writes a
# file, so any message at all counts as a failure.
if ! weasyprint --base-url "$here/" --pdf-identifier tabrivet-manual \
       "$work/manual.html" "$output" 2>"$work/log" || [ -s "$work/log" ]; then
  cat "$work/log" >&2
  rm -f "$output"
  fail "rendering the manual failed"
fi
[ "$(head -c 4 "$output")" = "%PDF" ] || fail "$output is no PDF file"
