#!/bin/sh
# Installs the Debian packages the build needs, when they are missing.
set -eu

# Beyond the build: the tests start a private session bus (dbus-daemon), an X server with a
# notification area (xvfb, trayer) and the desktop's own tools; cpack uses dpkg-dev and file;
# python3 with numpy and scipy scores renderings against the reference recordings.
PACKAGES="cmake g++ ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev cc65 \
clang libclang-rt-14-dev qt6-base-dev libjpeg-dev libsoxr-dev libsndfile1-dev libsdl2-dev ccache \
python3-numpy python3-scipy dbus-daemon xvfb trayer desktop-file-utils shared-mime-info xdg-utils \
dpkg-dev file"

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
