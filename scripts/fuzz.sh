#!/usr/bin/env bash
# Builds the protocol core's libFuzzer target with clang and runs it for a given time.
# Usage: scripts/fuzz.sh [seconds]   (default 60; the corpus grows in build/fuzz/corpus,
# a failing input is kept in build/fuzz/artifacts)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target monitorlink_fuzz

corpus=build/fuzz/corpus/monitorlink
artifacts=build/fuzz/artifacts/
mkdir -p "$corpus" "$artifacts"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    build/fuzz/fuzz/monitorlink_fuzz "$corpus" \
        -dict=fuzz/monitorlink.dict \
        -artifact_prefix="$artifacts" \
        -max_total_time="$seconds" \
        -print_final_stats=1
