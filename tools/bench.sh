#!/usr/bin/env bash
# Runs every benchmark program and prints one line per comparison:
#   NAME ratio=R goal<=G
set -euo pipefail
build="$1"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
export QTWEBENGINE_DISABLE_SANDBOX=1
for b in "$build"/bench/bench_*; do
    [ -f "$b" ] && [ -x "$b" ] || continue
    "$b" --benchmark_format=console 2>/dev/null | grep -E '^[a-z0-9_]+ ratio=' || {
        echo "$(basename "$b"): no comparison line" >&2
        exit 1
    }
done
