#!/usr/bin/env bash
# Installs everything the build, the tests and the checks need on a fresh
# Debian 12 machine. Run as root; does nothing for packages already present.
set -euo pipefail
pkgs=(build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev
      qt6-base-dev qt6-base-private-dev qt6-svg-dev libjpeg62-turbo-dev fonts-liberation
      clang clang-format-14 libclang-rt-14-dev xvfb xauth xdotool imagemagick
      libqt6sql6-sqlite
      qt6-httpserver-dev qt6-websockets-dev prometheus systemd
      libcups2-dev cups printer-driver-cups-pdf poppler-utils
      qtkeychain-qt6-dev libsecret-1-0 gnome-keyring dbus libsecret-tools)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
