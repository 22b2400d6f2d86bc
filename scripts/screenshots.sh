#!/usr/bin/env bash
# Builds the screenshot programs and writes the pictures to look at:
#
#   scripts/screenshots.sh          into build/screenshots/ (LENS_SHOTS_DIR overrides the build tree)
#
#   form-scale1/   the window's pages in Chinese and English at scale 1 (960 x 540)
#   form-scale2/   the same at a desktop scale of 2 (QT_SCALE_FACTOR=2, 1920 x 1080 pixels)
#   widgets/       update guide, warning page, notices, busy indicators
#   window/        the running window on every page, overlay, question box and
#                  notice, reached through the real flows, in both languages
#                  (zh-20-question-rewrite.png and en-20-question-rewrite.png:
#                  the question box with Qt's buttons in Chinese and in English)
#
# The U-disk shots mount a small tmpfs volume and need root; without it they
# are left out.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
dir="${LENS_SHOTS_DIR:-$root/build}"
case "$dir" in /*) ;; *) dir="$root/$dir" ;; esac
if [ ! -f "$dir/CMakeCache.txt" ]; then
    "$root/scripts/setup.sh"
    cmake -S "$root" -B "$dir" -G Ninja -DLENS_WERROR=ON
fi
cmake --build "$dir" --parallel "$(nproc)" --target lens-shots-form lens-shots-widgets lens-shots-window

out="$dir/screenshots"
rm -rf "$out"
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=/usr/share/fonts LANG=C.UTF-8
unset QT_SCALE_FACTOR LANGUAGE

failed=0
# shoot <name> <folder with shots/> <program> [environment...]
shoot() {
    local name=$1 folder=$2 program=$3
    shift 3
    rm -rf "$folder/shots"
    if env "$@" "$program" >"$out/$name.log" 2>&1; then
        echo "$name: ok"
    else
        echo "$name: FAILED (see $out/$name.log)"
        failed=1
    fi
    if [ -d "$folder/shots" ]; then
        cp -r "$folder/shots" "$out/$name"
        echo "    $(find "$out/$name" -name '*.png' | wc -l) pictures in $out/$name"
    fi
}

shoot form-scale1 "$dir/tests/system/screenshots" "$dir/tests/system/screenshots/lens-shots-form"
shoot form-scale2 "$dir/tests/system/screenshots" "$dir/tests/system/screenshots/lens-shots-form" QT_SCALE_FACTOR=2
shoot widgets "$dir/tests/system/widgetscreenshots" "$dir/tests/system/widgetscreenshots/lens-shots-widgets"
shoot window "$dir/tests/system/windowscreenshots" "$dir/tests/system/windowscreenshots/lens-shots-window"
exit $failed
