#!/usr/bin/env bash
# Sets up, builds and starts the program.
#   scripts/run.sh             the demo: the program against a simulated lens
#                              (lens-sim, in this terminal) and a local firmware server
#   scripts/run.sh --product   the real program, for a real lens
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
mode="${1:-demo}"
case "$mode" in
    demo|--demo) mode=demo ;;
    --product) mode=product ;;
    *) echo "usage: $0 [--product]" >&2; exit 2 ;;
esac
"$root/scripts/setup.sh"
"$root/scripts/build.sh" build -DLENS_WERROR=ON

headless=0
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    headless=1
fi

if [ "$mode" = product ]; then
    exe="$root/build/app/lens-updater"
    if [ "$headless" = 1 ]; then
        echo "No display found: starting the program in a virtual X server (xvfb-run)."
        exec xvfb-run -a -s "-screen 0 1280x800x24" "$exe"
    fi
    exec "$exe"
fi

# The demo. Paths and the fixed port come from the build.
if [ ! -f "$root/build/tools/demo/demo.env" ]; then
    echo "The demo is not part of this build (configured with LENS_BUILD_TOOLS=OFF?); try --product." >&2
    exit 1
fi
# shellcheck source=/dev/null
. "$root/build/tools/demo/demo.env"
logs="$root/build/demo-logs"
mkdir -p "$logs"
server_pid=""
program_pid=""
cleanup() {
    trap - EXIT INT TERM
    for pid in $program_pid $server_pid; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in $program_pid $server_pid; do
        wait "$pid" 2>/dev/null || true
    done
}
trap cleanup EXIT
trap 'exit 130' INT TERM

"$LENS_DEMO_SERVER" --models "$LENS_DEMO_MODELS" --port "$LENS_DEMO_PORT" \
    --cert "$LENS_DEMO_CERTS/server.pem" --key "$LENS_DEMO_CERTS/server.key" \
    >"$logs/lens-fwserver.log" 2>&1 </dev/null &
server_pid=$!
for _ in $(seq 50); do
    grep -q '^Serving' "$logs/lens-fwserver.log" 2>/dev/null && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
        cat "$logs/lens-fwserver.log" >&2
        echo "The demo's firmware server could not start on port $LENS_DEMO_PORT (is a demo running already?)." >&2
        exit 1
    fi
    sleep 0.1
done

if [ "$headless" = 1 ]; then
    # Nobody can press the buttons in a virtual X server: the demo presses
    # them itself and leaves a picture of the finished page.
    shot="$root/build/demo-finished.png"
    rm -f "$shot"
    echo "No display found: the demo runs in a virtual X server and presses the buttons itself."
    LENS_DEMO_AUTOPILOT=1 LENS_DEMO_AUTOPILOT_SCREENSHOT="$shot" \
        xvfb-run -a -s "-screen 0 1280x800x24" "$LENS_DEMO_PROGRAM" \
        >"$logs/lens-updater-demo.log" 2>&1 </dev/null &
else
    "$LENS_DEMO_PROGRAM" >"$logs/lens-updater-demo.log" 2>&1 </dev/null &
fi
program_pid=$!

echo "Demo: firmware server https://127.0.0.1:$LENS_DEMO_PORT (log: build/demo-logs/)."
echo "This terminal is the simulated lens. Close the program's window or press Ctrl-C to end."
"$LENS_DEMO_SIM" --models "$LENS_DEMO_MODELS" --watch-pid "$program_pid" || true

if [ "$headless" = 1 ]; then
    grep -P '^autopilot\t(pressed|notice|result)' "$logs/lens-updater-demo.log" | cut -f2- | sed 's/^/  program: /' || true
    [ -f "$shot" ] && echo "The finished page: $shot"
fi
# lens-sim ended first (quit): the program runs on until its window closes.
if kill -0 "$program_pid" 2>/dev/null; then
    echo "The simulated lens has gone; close the program's window to end the demo."
fi
wait "$program_pid" 2>/dev/null || true
