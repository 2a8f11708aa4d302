#!/bin/sh
# Runs one fuzz target for a bounded time:
#   run.sh <fuzz target> <seconds> <seed corpus folder> <work folder>
# The target starts from a fresh copy of the seeds in the work folder and adds what it finds
# there, never to the repository. An input that crashes, hangs or breaks one of the target's
# checks is saved in the work folder and fails the run.
set -eu
target=$1 seconds=$2 seeds=$3 work=$4
rm -rf "$work"
mkdir -p "$work/corpus"
cp "$seeds"/* "$work/corpus/"
exec "$target" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$work/" "$work/corpus"
