#!/usr/bin/env bash
# Sets up, builds and starts the program.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build -DLENS_WERROR=ON
exe="$root/build/app/lens-updater"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting the program in a virtual X server (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$exe"
fi
exec "$exe"
