#!/bin/sh
# Installs the Debian packages the build needs, when they are missing.
set -eu

PACKAGES="cmake g++ ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev cc65 \
clang libclang-rt-14-dev qt6-base-dev libjpeg-dev libsoxr-dev libsndfile1-dev libsdl2-dev ccache \
dbus-daemon xdg-utils"

missing=""
for package in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $package"
  fi
done
[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q || true
# shellcheck disable=SC2086
$SUDO apt-get install -y -q --no-install-recommends $missing
