#!/usr/bin/env bash
# Builds the program and the sensor simulator, then measures them (bench/bench.py) and prints the
# table. Options go to bench.py (--help lists them). Needs Xvfb and xwininfo (scripts/deps.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
if [ ! -f "$root/build/build.ninja" ]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$root/build" --target CorvisentMan sensorsim gstcorvisenttestcams -j"$(nproc)"
exec /usr/bin/python3 "$root/bench/bench.py" "$@"
