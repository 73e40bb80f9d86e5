#!/usr/bin/env bash
# Installs the Debian packages of the sets named, only when some are missing:
#   run    what the program needs to build (with its sensor simulator and test helpers) and run
#   test   run, and what the test suite and the fuzz targets need
#   bench  run, and what bench/bench.py needs
# With no set named: run.
set -euo pipefail
run=(build-essential cmake ninja-build ccache pkg-config
     qt6-base-dev qt6-serialport-dev qt6-multimedia-dev qcoro-qt6-dev libcurl4-openssl-dev libxslt1-dev libxcb1-dev
     gstreamer1.0-plugins-base gstreamer1.0-plugins-good libgstreamer1.0-dev)
test=(python3 python3-pyftpdlib python3-aiosmtpd socat xvfb xauth xsltproc libxml2-utils
      msmtp x11-utils xdotool jwm chromium clang libclang-rt-14-dev strace)
bench=(python3 xvfb x11-utils xdotool linux-perf)
pkgs=("${run[@]}")
for set in "${@:-run}"; do
  case "$set" in
    run) ;;
    test) pkgs+=("${test[@]}") ;;
    bench) pkgs+=("${bench[@]}") ;;
    *) echo "deps.sh: unknown set \"$set\" (run, test or bench)" >&2; exit 2 ;;
  esac
done
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
