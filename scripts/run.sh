#!/bin/sh
# Builds the programs and starts the command line with the given arguments.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build build >&2
exec ./build/bin/tbwallet "$@"
