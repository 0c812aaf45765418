#!/usr/bin/env bash
# Runs every test of Tamberlin: installs what is missing, builds the program with warnings as
# errors, runs the whole suite through CTest (including an install into a temporary DESTDIR and
# the Debian package, checked with the desktop's validators and lintian), then runs the core's
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer and gives each fuzz target a
# short run.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
jobs=$(nproc)

bash scripts/deps.sh test

export QT_QPA_PLATFORM=offscreen

echo "== Build and test (warnings are errors)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTAMBERLIN_WERROR=ON \
    -DTAMBERLIN_TESTS=ON >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Core tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTAMBERLIN_CORE_ONLY=ON \
    -DTAMBERLIN_SANITIZE=ON -DTAMBERLIN_WERROR=ON -DTAMBERLIN_TESTS=ON >/dev/null
cmake --build build-sanitize -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

if [ -d fuzz ] && command -v clang++ >/dev/null 2>&1; then
    echo "== Fuzz targets, a short run each"
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DTAMBERLIN_CORE_ONLY=ON -DTAMBERLIN_FUZZ=ON >/dev/null
    cmake --build build-fuzz -j "$jobs"
    ctest --test-dir build-fuzz --output-on-failure -L fuzz
fi
