#!/usr/bin/env bash
# Configures (once) and builds (incrementally) one build tree.
#   scripts/build.sh <build-dir> [cmake options...]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="$1"; shift
case "$dir" in /*) ;; *) dir="$root/$dir" ;; esac
if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -G Ninja "$@"
fi
cmake --build "$dir" --parallel "$(nproc)"
