#!/usr/bin/env bash
# Builds one libFuzzer target with clang and runs it for a given time.
# Usage: scripts/fuzz.sh [seconds] [target]   (default 60 s and monitorlink_fuzz, the
# protocol core; raster_fuzz drives the drawing entry points, recording_fuzz the line
# recording's reader and replay, commandreader_fuzz the simulator's command reader,
# propertybag_fuzz the property file reader and buttonload_fuzz an image button loaded from
# it, automation_fuzz the automation socket's line buffer and command parser. The corpus
# grows in build/fuzz/corpus/<name>, kept example inputs are read from fuzz/seeds/<name>, a
# failing input is kept in build/fuzz/artifacts)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
target=${2:-monitorlink_fuzz}
name=${target%_fuzz}
dict=()
if [ -f "fuzz/$name.dict" ]; then
    dict=(-dict="fuzz/$name.dict")
fi
# Kept example inputs (read, never written: new inputs go to the corpus below).
seeds=()
if [ -d "fuzz/seeds/$name" ]; then
    seeds=("fuzz/seeds/$name")
fi

scripts/setup.sh
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "$target"

corpus=build/fuzz/corpus/$name
artifacts=build/fuzz/artifacts/
mkdir -p "$corpus" "$artifacts"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/support/lsan.supp":print_suppressions=0 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build/fuzz/fuzz/$target" "$corpus" "${seeds[@]}" \
        "${dict[@]}" \
        -artifact_prefix="$artifacts" \
        -max_total_time="$seconds" \
        -print_final_stats=1
