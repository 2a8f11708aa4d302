#!/usr/bin/env bash
# Runs every benchmark program and prints one line per comparison:
#   NAME ratio=R goal<=G
# The programs run on Qt's offscreen platform. Those whose cost lies in drawing windows (idle
# CPU, page loads) start their children on a private X display, an Xvfb without a window
# manager that this script starts and ends.
set -euo pipefail
build="$1"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export QTWEBENGINE_DISABLE_SANDBOX=1

# Xvfb picks a free display and writes its number once it accepts connections.
tmp=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -dpi 96 -nolisten tcp 3>"$tmp/display" \
    >/dev/null 2>"$tmp/xvfb.log" &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$tmp"' EXIT
for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    kill -0 "$xvfb" 2>/dev/null || break
    sleep 0.1
done
if ! [ -s "$tmp/display" ]; then
    echo "Xvfb does not start:" >&2
    cat "$tmp/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(cat "$tmp/display")"
unset WAYLAND_DISPLAY XAUTHORITY

for b in "$build"/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    "$b" --benchmark_format=console 2>/dev/null | grep -E '^[a-z0-9_]+ ratio=' || {
        echo "$(basename "$b"): no comparison line" >&2
        exit 1
    }
done
