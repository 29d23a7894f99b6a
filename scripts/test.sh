#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the core
# natively under the sanitizers, then both Windows builds, the x86_64 one
# end to end under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
"$root/scripts/install-deps.sh"

cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$build/native"
cmake -S "$root" -B "$build/fuzz" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DTABRIVET_FUZZ=ON >/dev/null
cmake --build "$build/fuzz" --target command_line_fuzz settings_file_fuzz
for arch in i686 x86_64; do
  cmake -S "$root" -B "$build/win-$arch" -G Ninja -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw.cmake" -DTABRIVET_ARCH=$arch >/dev/null
  cmake --build "$build/win-$arch"
done

source "$root/scripts/wine-session.sh"
# A desktop whose centre is not the launcher's creation place, so that a
# placement that never happened cannot pass for a centred one; an odd height
# makes a wrongly rounded centre show.
export TABRIVET_DESKTOP_SIZE=1100x821
# As root no folder refuses a write but one on a read-only file system; where
# none can be mounted, the test that needs it says so and skips.
readonly_folder="$build/readonly-folder"
mkdir -p "$readonly_folder"
if mountpoint -q "$readonly_folder" ||
    mount -t tmpfs -o ro,size=64k tabrivet-readonly "$readonly_folder" 2>/dev/null; then
  export TABRIVET_READONLY_FOLDER="Z:${readonly_folder//\//\\}"
else
  echo "No read-only folder can be mounted here; its test will be skipped"
fi
trap 'wine_session_stop; umount "$readonly_folder" 2>/dev/null || true' EXIT
wine_session_start "$build" "$build/win-x86_64/desktop_anchor.exe"

status=0
# The shipped 32-bit exe under 32-bit Wine, where the machine can emulate it
# (it says so and passes where it cannot), beside the fuzz targets: neither
# needs this session's desktop, and it is done before the end-to-end tests,
# which want the machine to themselves.
"$root/scripts/check-i686.sh" >"$build/i686-check.log" 2>&1 &
i686_check=$!
# Each fuzz target for a bounded time, one a core, from the seeds in the
# repo; what it finds new goes to the build folder, never into the seeds.
# 0 skips them (libFuzzer itself would take 0 for no limit at all).
fuzz_seconds=${TABRIVET_FUZZ_SECONDS:-60}
fuzz() {
  local target=$1
  mkdir -p "$build/fuzz/corpus-$target"
  "$build/fuzz/${target}_fuzz" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
    -artifact_prefix="$build/fuzz/$target-" "$build/fuzz/corpus-$target" \
    "$root/tests/fuzz/corpus/$target" > "$build/fuzz/$target.log" 2>&1
}
if [ "$fuzz_seconds" -gt 0 ]; then
  echo "Fuzzing command_line and settings_file for $fuzz_seconds s"
  fuzz command_line &
  command_line_fuzz=$!
  fuzz settings_file &
  settings_file_fuzz=$!
  for target in command_line settings_file; do
    pid_of=${target}_fuzz
    if wait "${!pid_of}"; then
      echo "$target: $(grep -E "^stat::number_of_executed_units" "$build/fuzz/$target.log")"
    else
      tail -n 40 "$build/fuzz/$target.log"
      status=1
    fi
  done
fi
ctest --test-dir "$build/native" --output-on-failure -j2 || status=1
ctest --test-dir "$build/win-i686" --output-on-failure || status=1
wait $i686_check || status=1
cat "$build/i686-check.log"
# TABRIVET_E2E_REPEAT=N runs the end-to-end tests N times in this one
# session, stopping at the first red run: the way to see that a test is
# steady before calling it done.
ctest --test-dir "$build/win-x86_64" --output-on-failure \
  --repeat "until-fail:${TABRIVET_E2E_REPEAT:-1}" || status=1
# The placement again on two monitors, which Wine shows only without its
# virtual desktop: in a session of its own.
wine_session_stop
export TABRIVET_MONITORS=2
wine_session_start "$build" "$build/win-x86_64/desktop_anchor.exe"
GTEST_FILTER=LauncherWindowTest.PlacedCentredOrInACorner ctest --test-dir "$build/win-x86_64" \
  --output-on-failure -R window_e2e --repeat "until-fail:${TABRIVET_E2E_REPEAT:-1}" || status=1
"$root/scripts/package.sh" || status=1
"$root/tests/package/check_catches_faults.sh" "$root"/dist/Tabrivet-*-win32.zip || status=1
exit $status
