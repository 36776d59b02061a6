#!/usr/bin/env bash
# Builds and runs every test suite:
#   - the native build (build/), unit and end-to-end tests;
#   - the same under AddressSanitizer and UndefinedBehaviorSanitizer
#     (build-asan/).
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc 2>/dev/null || echo 2)

echo "== native build =="
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$jobs"
ctest --test-dir build -j"$jobs" --output-on-failure

echo "== sanitizer build =="
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DSITE_SANITIZE=ON
cmake --build build-asan -j"$jobs"
ctest --test-dir build-asan -j"$jobs" --output-on-failure
