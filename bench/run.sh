#!/usr/bin/env bash
# Builds the program and the sensor simulator, then measures them (bench/bench.py) and prints the
# table. Options go to bench.py (--help lists them). Installs what it needs (scripts/deps.sh bench: Xvfb,
# xwininfo, xdotool, perf); the paint counts also need root for perf's uprobes.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh" bench
if [ ! -f "$root/build/build.ninja" ]; then
  cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$root/build" --target CorvisentMan sensorsim gstcorvisenttestcams benchref benchlinepoll -j"$(nproc)"
exec /usr/bin/python3 "$root/bench/bench.py" "$@"
