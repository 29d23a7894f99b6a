#!/usr/bin/env bash
# Measures the launcher under Wine against a minimal window program of the
# same build: start-up, console placement, one lookup of the console search,
# paint and exe size. Writes the figures to docs/PERFORMANCE.md. Builds in
# folders of its own and runs in a Wine prefix of its own, so it can run
# beside the tests.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
"$root/scripts/install-deps.sh"

configure() {
  local folder=$1 arch=$2
  shift 2
  cmake -S "$root" -B "$folder" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" -DTABRIVET_ARCH="$arch" "$@" >/dev/null
}
# The shipped exe where the tests build it; the i686 floor and a link map of
# the same exe in a tree of the benchmark's own.
configure "$build/win-i686" i686
cmake --build "$build/win-i686" --target Tabrivet
configure "$build/bench-i686" i686 -DCMAKE_PROJECT_INCLUDE="$root/bench/i686.cmake"
cmake --build "$build/bench-i686" --target Tabrivet floor_window
configure "$build/bench-x86_64" x86_64
cmake --build "$build/bench-x86_64" --target bench_driver bench_lookup
sections() { i686-w64-mingw32-objdump -h "$1" | tail -n +3; }
if ! diff -q <(sections "$build/win-i686/Tabrivet.exe") <(sections "$build/bench-i686/Tabrivet.exe") >/dev/null; then
  echo "The mapped exe's sections differ from build/win-i686/Tabrivet.exe's; the origin table may not match"
fi

source "$root/scripts/wine-session.sh"
trap wine_session_stop EXIT
wine_session_start "$build/bench"

# TABRIVET_BENCH_RUNS="START-RUNS PLACE-ROUNDS PAINT-BLOCKS PAINTS" shortens a trial run.
samples="$build/bench/samples.txt"
trace="$build/bench/trace.log"
echo "Measuring under Wine (about two minutes)"
# Other work on the machine shows in the spread; the doc says how busy it was.
load=$(cut -d' ' -f1-3 /proc/loadavg)
# The driver reads the launchers' trace from its own standard error.
if ! timeout 600 /usr/lib/wine/wine64 "$build/bench-x86_64/bench_driver.exe" \
    "Z:${trace//\//\\}" ${TABRIVET_BENCH_RUNS:-} > "$samples" 2> "$trace"; then
  grep -v '^sample' "$samples" | tail -n 5
  echo "The benchmark failed; samples in $samples, trace in $trace"
  exit 1
fi
# One lookup of the console search, on the same desktop with its usual
# processes and nothing else started.
bench_console="$build/bench-x86_64/bench_console.exe"
if ! timeout 120 /usr/lib/wine/wine64 "$build/bench-x86_64/bench_lookup.exe" \
    "Z:${bench_console//\//\\}" >> "$samples"; then
  tail -n 3 "$samples"
  echo "The lookup benchmark failed; samples in $samples"
  exit 1
fi

python3 "$root/bench/report.py" --samples "$samples" \
  --header "$root/bench/performance_header.md" --out "$root/docs/PERFORMANCE.md" \
  --date "$(date -u)" --cpus "$(nproc)" --load "$load" \
  --cpu "$(grep -m1 '^model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')" \
  --wine "$(/usr/lib/wine/wine64 --version 2>/dev/null || wine --version)" \
  --i686-exe "$build/win-i686/Tabrivet.exe" --i686-floor "$build/bench-i686/floor_window.exe" \
  --i686-map "$build/bench-i686/Tabrivet.map" \
  --x86_64-exe "$build/bench-x86_64/Tabrivet.exe" \
  --x86_64-floor "$build/bench-x86_64/floor_window.exe" \
  --pictures "$build/win-i686/pictures"
sed -n '/^## Targets/,/^## Start-up/p' "$root/docs/PERFORMANCE.md" | sed '$d'
echo "Written: docs/PERFORMANCE.md"
