#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only when some are missing.
set -euo pipefail
pkgs=(build-essential cmake ninja-build ccache pkg-config
      qt6-base-dev qt6-serialport-dev qt6-multimedia-dev libcurl4-openssl-dev
      python3 python3-pyftpdlib python3-aiosmtpd socat xvfb xauth xsltproc libxml2-utils
      msmtp x11-utils xdotool jwm chromium libxslt1-dev
      gstreamer1.0-plugins-base gstreamer1.0-plugins-good libgstreamer1.0-dev
      clang libclang-rt-14-dev strace libxcb1-dev)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
