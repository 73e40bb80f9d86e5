#!/usr/bin/env bash
# Builds Corvisent Manager and starts it; arguments are passed on as its command line.
set -euo pipefail
root=$(cd "$(dirname "$0")" && pwd)
"$root/scripts/build.sh" run
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "No display found: starting on Qt's offscreen platform (no window will be visible)."
  export QT_QPA_PLATFORM=offscreen
fi
exec "$root/build/bin/CorvisentMan" "$@"
