#!/usr/bin/env bash
# Builds (incrementally) and runs the test suite under the sanitizers, with
# clang:
#   build-asan  AddressSanitizer + UndefinedBehaviorSanitizer (leaks
#               included): every test but the package test;
#   build-tsan  ThreadSanitizer: the tests labelled "threaded" (HID reader
#               thread, U-disk thread, the window end to end).
# Any sanitizer report fails it, also one from a child process whose output
# a test keeps to itself: reports are written to files, collected at the end.
#
#   scripts/sanitize.sh            both
#   scripts/sanitize.sh asan       only one of them (asan or tsan)
#
# LENS_ASAN_DIR and LENS_TSAN_DIR override the build trees.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
supp="$root/scripts/sanitizers"
modes=("$@")
[ ${#modes[@]} -gt 0 ] || modes=(asan tsan)

abs() { case "$1" in /*) echo "$1" ;; *) echo "$root/$1" ;; esac; }

configure() { # <dir> <sanitizers>
    if [ ! -f "$1/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$1" -G Ninja \
            -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
            -DLENS_WERROR=ON -DLENS_SANITIZE="$2" -DLENS_BUILD_BENCH=OFF
    fi
}

# Fails when the run left any report behind, and shows them. (A file can
# also hold only warnings about the symbolizer, e.g. from a child started
# with a preloaded library; those are not reports.)
check_reports() { # <report dir> <name>
    local files
    files="$(grep -lE 'ERROR: (Address|Leak|Thread|UndefinedBehavior)Sanitizer|WARNING: ThreadSanitizer|runtime error:|SUMMARY: ' -r "$1" 2>/dev/null | sort || true)"
    if [ -n "$files" ]; then
        echo "$2: sanitizer reports:"
        for f in $files; do
            echo "---- $f"
            head -80 "$f"
        done
        return 1
    fi
}

common_env() { # <report dir>
    export QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=/usr/share/fonts
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:log_path=$1/ubsan"
}

run_asan() {
    local dir reports
    dir="$(abs "${LENS_ASAN_DIR:-build-asan}")"
    reports="$dir/sanitizer-reports"
    rm -rf "$reports"
    mkdir -p "$reports"
    common_env "$reports"
    export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:strict_string_checks=1:check_initialization_order=1:log_path=$reports/asan"
    export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
    configure "$dir" address,undefined || return 1
    # Build steps that run a program of the tree run it instrumented too.
    cmake --build "$dir" --parallel "$(nproc)" || return 1
    local status=0
    # The shipped program under umockdev's preload cannot carry the sanitizer
    # runtime (it must come first in the preload list); those runs test the
    # system hidapi path, which the plain suite covers.
    (cd "$dir" && ctest --output-on-failure --timeout 900 -j2 -LE "package|preload") || status=$?
    check_reports "$reports" "AddressSanitizer/UndefinedBehaviorSanitizer" || status=1
    [ $status -eq 0 ] && echo "asan+ubsan: the whole suite passes without reports"
    return $status
}

run_tsan() {
    local dir reports
    dir="$(abs "${LENS_TSAN_DIR:-build-tsan}")"
    reports="$dir/sanitizer-reports"
    rm -rf "$reports"
    mkdir -p "$reports"
    common_env "$reports"
    # Qt is not built with TSan; see tsan.supp.
    export TSAN_OPTIONS="halt_on_error=0:ignore_noninstrumented_modules=1:second_deadlock_stack=1:history_size=4:suppressions=$supp/tsan.supp:log_path=$reports/tsan"
    configure "$dir" thread || return 1
    local targets
    targets="$(cd "$dir" && ctest -N -L threaded | sed -n 's/^ *Test *#[0-9]*: //p')"
    if [ -z "$targets" ]; then
        echo "no tests labelled threaded"
        return 1
    fi
    # shellcheck disable=SC2086
    cmake --build "$dir" --parallel "$(nproc)" --target $targets || return 1
    local status=0
    (cd "$dir" && ctest --output-on-failure --timeout 900 -j2 -L threaded) || status=$?
    check_reports "$reports" "ThreadSanitizer" || status=1
    [ $status -eq 0 ] && echo "tsan: the threaded tests pass without reports ($(echo $targets | wc -w) programs)"
    return $status
}

failed=0
for mode in "${modes[@]}"; do
    case "$mode" in
        asan) run_asan || failed=1 ;;
        tsan) run_tsan || failed=1 ;;
        *) echo "unknown mode: $mode (asan or tsan)" >&2; exit 2 ;;
    esac
done
exit $failed
