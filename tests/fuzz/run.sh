#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# into build-fuzz/ and runs each from its starting corpus for a bounded time. A crash, a broken
# property, an out-of-bounds access or an input that runs longer than the per-input timeout
# fails the run; the input is kept as build-fuzz/crash-<target>-* for reproduction
# (build-fuzz/fuzz_<target> <file>).
#   CORVISENT_FUZZ_SECONDS   seconds per target (default 20; 0 skips fuzzing)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${CORVISENT_FUZZ_SECONDS:-20}
[ "$seconds" -gt 0 ] || exit 0
build="$root/build-fuzz"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$root/tests/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)"

# Working files in memory where the system offers it: the targets save files, and saves are synced.
work=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
export CORVISENT_FUZZ_DIR="$work"
trap 'rm -rf "$work"' EXIT
status=0
for target in hive ini lines numbers; do
  mkdir -p "$work/$target"
  if (cd "$work" && "$build/fuzz_$target" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
        -rss_limit_mb=2048 -artifact_prefix="$build/crash-$target-" \
        "$work/$target" "$root/tests/fuzz/corpus/$target" >"$work/$target.log" 2>&1); then
    echo "fuzz_$target: $(grep -o 'Done [0-9]* runs' "$work/$target.log" | tail -1 || true)"
  else
    echo "fuzz_$target FAILED:"
    tail -40 "$work/$target.log"
    status=1
  fi
done
exit $status
