#!/usr/bin/env bash
# Sets up, builds and runs every test.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/setup.sh"
# Product code formatted as the root .clang-format says, before anything else.
"$root/scripts/format-check.sh"
"$root/scripts/build.sh" build -DLENS_WERROR=ON
(cd "$root/build" && ctest --output-on-failure --timeout 600 -j2)
# Then the sanitizers over the suite, and each fuzz target for about 60 s.
"$root/scripts/sanitize.sh"
"$root/scripts/fuzz.sh"
