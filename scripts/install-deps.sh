#!/bin/sh
# Installs the Debian packages the project builds, tests and benchmarks with.
# Does nothing when every package is already present.
set -e
PACKAGES="g++ cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev clang libclang-rt-14-dev openssl qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev xvfb fonts-noto-color-emoji libzxcvbn-dev diceware dbus-daemon xclip wl-clipboard dpkg-dev desktop-file-utils shared-mime-info groff-base"
missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends $missing
fi
