#!/usr/bin/env bash
# Fails when product code is not formatted with the root .clang-format.
#   scripts/format-check.sh          check
#   scripts/format-check.sh --fix    format in place
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
mapfile -t files < <(git ls-files -- 'app/*' 'hid/*' 'protocol/*' 'catalogue/*' 'net/*' 'udisk/*' 'widgets/*' 'cli/*' \
    | grep -E '\.(cpp|h)$')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run -Werror "${files[@]}"
    echo "format: ${#files[@]} files as .clang-format wants them"
fi
