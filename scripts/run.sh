#!/bin/sh
# Builds the programs and starts the desktop program ostreltbpro2006 with the
# given arguments (a wallet to open, for example). Without a display to show
# it on, the program draws its windows off screen instead and writes a
# picture of each to build/screenshots, then ends; tbwallet (the command
# line) needs no display: build/bin/tbwallet --help.
set -e
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh >&2
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >&2
cmake --build build >&2
if [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ] || [ -n "$QT_QPA_PLATFORM" ]; then
  exec ./build/bin/ostreltbpro2006 "$@"
fi
echo "run.sh: no display; writing pictures of the program's windows to build/screenshots" >&2
mkdir -p build/screenshots
QT_QPA_PLATFORM=offscreen exec ./build/bin/ostreltbpro2006 --screenshot build/screenshots "$@"
