#!/usr/bin/env bash
# Installs what is missing, builds the launcher and starts it under Wine in
# the folder demo/, on a virtual display when there is no real one. Saves a
# screenshot of the launcher window there, and one after its automatic start
# has placed the console of cmd.exe.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
demo="$root/demo"
"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build/win-x86_64" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" -DTABRIVET_ARCH=x86_64 >/dev/null
cmake --build "$build/win-x86_64" --target Tabrivet

source "$root/scripts/wine-session.sh"
own_display=
if [ -z "${DISPLAY:-}" ]; then
  own_display=yes
  trap wine_session_stop EXIT
fi
wine_session_start "$build"

mkdir -p "$demo"
cd "$demo"
# Close what an earlier run left open, so that the search finds this run's console.
/usr/lib/wine/wine64 taskkill /f /im cmd.exe >/dev/null 2>&1 || true

screenshot() {
  /usr/bin/import -display "$DISPLAY" -window root "$1" 2>/dev/null || true
}

echo "Starting Tabrivet in $demo (first start there writes Tabrivet.txt with the defaults)"
/usr/lib/wine/wine64 "$build/win-x86_64/Tabrivet.exe" "$@" &
launcher=$!
sleep 0.7
# The desktop is one colour; trimming it leaves the launcher window.
screenshot "$demo/desktop-launcher.png"
/usr/bin/convert "$demo/desktop-launcher.png" -trim +repage "$demo/launcher.png" 2>/dev/null || true
echo "Screenshot of the launcher window: $demo/launcher.png"

if [ -n "$own_display" ]; then
  # Without a screen to look at, let the automatic start run, then show what
  # it did and end.
  wait "$launcher" || true
  sleep 1
  screenshot "$demo/console.png"
  echo "Screenshot after the automatic start: $demo/console.png"
  /usr/lib/wine/wine64 taskkill /f /im cmd.exe >/dev/null 2>&1 || true
else
  wait "$launcher" || true
fi
echo "Tabrivet ended."
