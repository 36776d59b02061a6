#!/usr/bin/env bash
# Builds and runs every test suite:
#   - the check that every include goes down the layers (tools/check_layers.py)
#     and that every source file is formatted as .clang-format says
#     (tools/check_format.sh), each first tried on trees with a planted fault
#     (tests/tool_checks_test.py);
#   - the Windows programs, cross-compiled with MinGW-w64 (build-win/ with the
#     built-in interpreter, build-win-cmd/ with the system() route), and their
#     release package;
#   - the unit tests, cross-compiled in build-win/, under Wine;
#   - the native build (build/): unit tests, end-to-end tests, and the same
#     end-to-end tests against both Windows builds under Wine;
#   - the release package installed and upgraded under Wine, and its command
#     files run with Wine's cmd on logs at, under and over their size limit;
#   - the end-to-end and kill tests with the sites on exFAT (exfat-fuse) and
#     NTFS (ntfs-3g), each on a loop image, natively and under Wine
#     (tests/on_other_file_systems.sh);
#   - the native tests again under AddressSanitizer and
#     UndefinedBehaviorSanitizer (build-asan/);
#   - each libFuzzer target for FUZZ_SECONDS seconds (default 20) from its
#     seed corpus in tests/fuzz/corpus, built with clang under the same
#     sanitizers (build-fuzz/).
# Every build treats warnings as errors (SITE_WERROR).
# Without MinGW-w64 or Wine the Windows suites are skipped, and said to be;
# in CI (CI=true) that is a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc 2>/dev/null || echo 2)
wine_options=()
windows_suites=

if ! command -v strace >/dev/null; then
  echo "SKIPPED: the kill tests (install strace to run them: they kill the programs at chosen system calls)"
  if [ "${CI:-}" = true ]; then
    echo "CI needs the kill tests: failing"
    exit 1
  fi
fi

echo "== layers and format =="
# The two checks are first tried on small trees with a planted fault each.
python3 tests/tool_checks_test.py
python3 tools/check_layers.py
if command -v clang-format >/dev/null; then
  bash tools/check_format.sh
else
  echo "SKIPPED: the format check (install clang-format to run it)"
  if [ "${CI:-}" = true ]; then
    echo "CI needs the format check: failing"
    exit 1
  fi
fi

if command -v x86_64-w64-mingw32-g++ >/dev/null && command -v wine >/dev/null; then
  echo "== Windows builds =="
  # build-win holds the unit tests too, the only tests that a Windows build
  # has (tests/CMakeLists.txt); the system() route changes none of them.
  for variant in "build-win OFF ON" "build-win-cmd ON OFF"; do
    set -- $variant
    cmake -S . -B "$1" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DCMAKE_BUILD_TYPE=Release \
      -DSITE_BUILD_TESTS="$3" -DSITE_SYSTEM_INTERPRETER="$2" -DSITE_WERROR=ON
    cmake --build "$1" -j"$jobs"
  done
  (cd build-win && cpack -G ZIP)
  export WINEPREFIX="$root/build-wine-prefix" WINEDEBUG=-all
  # One Wine server for all the runs, with its services started here: a
  # service started by a test would hold that test's output open, and ctest
  # would wait for it for ever.
  wineserver -p 2>/dev/null || true  # already running: that one serves
  trap 'wineserver -k 2>/dev/null || true' EXIT
  wine wineboot -i </dev/null >/dev/null 2>&1 || true
  mkdir -p "$WINEPREFIX/drive_c/Program Files (x86)/ASTPWin/PAR"
  echo "== unit tests under Wine =="
  # The Windows rules of the in-memory file system, the name rule and the
  # Windows platform layer, tested on the platform they describe. The tests
  # give the passes a machine of their own (clock, time zone, environment),
  # so they hold whatever the time zone of this one.
  wine build-win/tests/unit_tests.exe >build-win/unit_tests.log 2>&1 || { cat build-win/unit_tests.log; exit 1; }
  grep -a -E '^\[==========\] [0-9]+ tests? from .* ran|^\[  (PASSED  |SKIPPED )\]' build-win/unit_tests.log |
    grep -av '[0-9] ms)'
  windows_suites=yes
  wine_options=(-DSITE_WINE_BUILTIN_BUILD="$root/build-win" -DSITE_WINE_SYSTEM_BUILD="$root/build-win-cmd"
                -DSITE_WINEPREFIX="$WINEPREFIX")
else
  echo "SKIPPED: the Windows builds and their tests under Wine (install g++-mingw-w64-x86-64 and wine to run them)"
  if [ "${CI:-}" = true ]; then
    echo "CI needs the Windows suites: failing"
    exit 1
  fi
  wine_options=(-DSITE_WINE_BUILTIN_BUILD= -DSITE_WINE_SYSTEM_BUILD=)
fi

echo "== native build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSITE_WERROR=ON "${wine_options[@]}"
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure
# Where the kills landed (files done at each kill), for the reliability figures.
grep -a -h -E 'killed [0-9]+ of [0-9]+ during the run' build/Testing/Temporary/LastTest.log || true
# sitecheck against the real cycle (places and reasons), for each build.
grep -a -h -E 'Testing: .*Prediction\.SitecheckForetells|^\[ prediction \]' build/Testing/Temporary/LastTest.log || true
# The end-to-end and kill tests once more on exFAT and NTFS (FUSE, loop
# images), natively and with the Windows build under Wine.
wine_settings=()
[ -n "$windows_suites" ] && wine_settings=(build/tests/wine-builtin.settings)
bash tests/on_other_file_systems.sh build "${wine_settings[@]}"
if [ -n "$windows_suites" ]; then
  # Shows which program each Windows suite really ran.
  for suite in wine-builtin wine-system; do
    ctest --test-dir build -V -R "^$suite\.StamperEndToEnd\.K7WorkedExampleWholeTrace\$" | grep -o '\[ program \].*'
  done
  echo "== release package under Wine =="
  release_zip=$(ls -t build-win/tolvik-brasko-*-win64.zip | head -n 1)
  bash tests/release_under_wine.sh "$release_zip" build
  bash tests/log_rotation_under_wine.sh "$release_zip" build-win/tests/hold_open.exe
fi

if command -v clang++ >/dev/null; then
  echo "== fuzzing =="
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Debug -DSITE_FUZZ=ON -DSITE_SANITIZE=ON \
    -DSITE_BUILD_TESTS=OFF -DSITE_WERROR=ON
  cmake --build build-fuzz -j"$jobs"
  for corpus in tests/fuzz/corpus/*/; do
    target=$(basename "$corpus")
    work=$(mktemp -d)
    build-fuzz/tests/fuzz/fuzz_"$target" -max_total_time="${FUZZ_SECONDS:-20}" -print_final_stats=1 \
      "$work" "$corpus" > "$work.log" 2>&1 || { cat "$work.log"; exit 1; }
    echo "fuzz_$target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$work.log") executions, no failure"
    rm -rf "$work" "$work.log"
  done
else
  echo "SKIPPED: fuzzing (install clang and libclang-rt-14-dev to run it)"
  if [ "${CI:-}" = true ]; then
    echo "CI needs the fuzzers: failing"
    exit 1
  fi
fi

echo "== sanitizer build =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DSITE_SANITIZE=ON -DSITE_WERROR=ON
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan -j"$jobs" --output-on-failure
