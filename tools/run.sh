#!/usr/bin/env bash
# Starts the browser. Without a display it starts it on a virtual X display.
set -euo pipefail
bin="$1"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "No display found: starting Skiff on a virtual X display (xvfb-run)."
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -dpi 96" "$bin"
fi
exec "$bin"
