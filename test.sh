#!/usr/bin/env bash
# Builds Corvisent Manager with its tests and runs the whole suite headless.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/build.sh"
export QT_QPA_PLATFORM=offscreen
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" "$@"
