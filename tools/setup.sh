#!/bin/sh
# Installs what a fresh Debian 12 machine lacks to build, run and test Quorvex.
set -e
PACKAGES="cmake ninja-build g++ pkg-config python3 clang clang-format libclang-rt-14-dev lld \
  libsdl2-dev liblua5.1-0-dev libepoxy-dev libmpg123-dev \
  libgl1-mesa-dri libegl-mesa0 libegl1 libgl1 libgles2 \
  googletest libgtest-dev libbenchmark-dev"
MISSING=""
for package in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || MISSING="$MISSING $package"
done
if [ -n "$MISSING" ]; then
  SUDO=""
  [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends $MISSING
fi
