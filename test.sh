#!/usr/bin/env bash
# Builds Corvisent Manager with its tests, runs the whole suite headless, then the fuzz targets
# (tests/fuzz/run.sh) for a bounded time.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/build.sh" test
export QT_QPA_PLATFORM=offscreen
cd "$root/build"
ctest --output-on-failure -j"$(nproc)" "$@"
"$root/tests/fuzz/run.sh"
