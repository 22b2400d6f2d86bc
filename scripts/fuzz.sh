#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, address and undefined behaviour
# sanitizers) and runs each for a bounded time; fails on any crash, leak,
# sanitizer report or broken check.
#
#   scripts/fuzz.sh            about 60 s per target (what the test command runs)
#   scripts/fuzz.sh 3600       an hour per target
#   scripts/fuzz.sh 600 cmdreceive replybody    only these targets
#
# The build tree is build-fuzz (LENS_FUZZ_DIR overrides). Each target's
# corpus grows in <tree>/corpus/<target>, starting from fuzz/corpus/<target>;
# inputs that fail land in <tree>/artifacts/<target>/. Two targets run at a
# time (LENS_FUZZ_JOBS).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(cmdreceive replybody imagemodelname deviceinformation compareversion)
dir="${LENS_FUZZ_DIR:-$root/build-fuzz}"
case "$dir" in /*) ;; *) dir="$root/$dir" ;; esac
jobs="${LENS_FUZZ_JOBS:-2}"

if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -G Ninja \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
        -DLENS_WERROR=ON -DLENS_FUZZ=ON -DLENS_SANITIZE=address,undefined \
        -DLENS_BUILD_BENCH=OFF
fi
cmake --build "$dir" --target lens_fuzzers --parallel "$(nproc)"

supp="$root/scripts/sanitizers"
export ASAN_OPTIONS="halt_on_error=1:detect_leaks=1:abort_on_error=0:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="suppressions=$supp/lsan.supp:print_suppressions=0"
export QT_QPA_PLATFORM=offscreen QT_QPA_FONTDIR=/usr/share/fonts LANG=C.UTF-8

# Per target: libFuzzer options. The network harnesses leave the per-input
# leak check off: their network thread frees an input's last allocations
# after the input has ended, so every input would look like a leak and cost
# a full leak scan. Leaks there are still caught by the leak check at exit,
# which sees everything the whole run left unreachable.
options_for() {
    case "$1" in
        cmdreceive)        echo "-max_len=4096" ;;
        replybody)         echo "-max_len=8192 -detect_leaks=0 -dict=$root/fuzz/dict/replybody.dict" ;;
        imagemodelname)    echo "-max_len=1024 -detect_leaks=0" ;;
        deviceinformation) echo "-max_len=12000 -dict=$root/fuzz/dict/deviceinformation.dict" ;;
        compareversion)    echo "-max_len=256 -dict=$root/fuzz/dict/compareversion.dict" ;;
        *) echo "unknown fuzz target: $1" >&2; return 1 ;;
    esac
}

run_one() {
    local target="$1" exe="$dir/fuzz/$1/fuzz_$1"
    local corpus="$dir/corpus/$target" artifacts="$dir/artifacts/$target/" log="$dir/fuzz-$target.log"
    local options
    options="$(options_for "$target")"
    mkdir -p "$corpus" "$artifacts"
    cp -n "$root/fuzz/corpus/$target/"* "$corpus/" 2>/dev/null || true
    local status=0 lsan="$LSAN_OPTIONS"
    case "$target" in
        replybody|imagemodelname) lsan="suppressions=$supp/lsan-network.supp:print_suppressions=0" ;;
    esac
    # shellcheck disable=SC2086
    LSAN_OPTIONS="$lsan" "$exe" $options -max_total_time="$seconds" -timeout=60 -rss_limit_mb=3072 \
        -print_final_stats=1 -artifact_prefix="$artifacts" "$corpus" >"$log" 2>&1 || status=$?
    echo $status >"$dir/fuzz-$target.status"
    if [ $status -ne 0 ] || grep -qE 'ERROR: (Address|Leak|UndefinedBehavior)Sanitizer|runtime error:|fuzz check failed|==ERROR' "$log"; then
        echo "FAIL $target (exit $status); log: $log"
        grep -E -m5 -A20 'ERROR|runtime error:|fuzz check failed|deadly signal|Test unit written' "$log" || tail -40 "$log"
        echo 1 >"$dir/fuzz-$target.status"
        return 1
    fi
    local runs cov
    runs="$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)"
    cov="$(grep -oE 'cov: [0-9]+ ft: [0-9]+ corp: [0-9]+' "$log" | tail -1)"
    printf 'ok   %-18s %10s executions in %ss (%s)\n' "$target" "$runs" "$seconds" "$cov"
}

for target in "${targets[@]}"; do
    options_for "$target" >/dev/null || exit 2
    rm -f "$dir/fuzz-$target.status"
done
for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge "$jobs" ]; do
        wait -n || true
    done
    run_one "$target" &
done
wait || true
failed=0
for target in "${targets[@]}"; do
    [ "$(cat "$dir/fuzz-$target.status" 2>/dev/null)" = 0 ] || failed=1
done
if [ $failed -ne 0 ]; then
    echo "fuzzing found faults"
    exit 1
fi
echo "fuzzing: no faults in ${#targets[@]} targets"
