#!/bin/sh
# Builds everything and runs every test, tries the Debian package (as
# root), then builds the tests again with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them too.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
ctest --test-dir build --output-on-failure -j2
# The Debian package, installed and removed for real (as root only).
sh scripts/deb_test.sh build

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTB_SANITIZE=ON -DTB_BUILD_BENCH=OFF
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j2
