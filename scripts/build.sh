#!/usr/bin/env bash
# Installs the packages of the sets named (scripts/deps.sh; run when none), configures (once) and
# builds into ./build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" "$@"
if [ ! -f "$root/build/build.ninja" ]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$root/build" -j"$(nproc)"
