#!/usr/bin/env bash
# Builds the station program and the detector simulator, then starts the station with
# Com1 on the simulator's pseudo-terminal. Type simulator commands (help, alarm 2,
# fault checksum, ...) in this terminal; closing the station ends the simulator.
#
# Usage: scripts/run.sh [--device DEVICE] [--sim-log FILE] [-- arguments for the station]
#   --device DEVICE  a real detector: the station runs alone with Com1 on DEVICE
#   --sim-log FILE   the simulator logs every frame both ways to FILE
# With REMOTE_COM1 already set the station also runs alone, on that device.
set -euo pipefail
cd "$(dirname "$0")/.."

device=""
sim_log=""
while [ $# -gt 0 ]; do
    case "$1" in
        --device) device="${2:?--device needs a device path}"; shift 2 ;;
        --sim-log) sim_log="${2:?--sim-log needs a file}"; shift 2 ;;
        --) shift; break ;;
        *) break ;;
    esac
done

scripts/setup.sh

cmake --preset default >/dev/null
cmake --build --preset default --target remote detector-sim

if [ -n "$device" ]; then
    export REMOTE_COM1="$device"
fi
if [ -n "${REMOTE_COM1:-}" ]; then
    exec build/default/bin/remote "$@"
fi

rundir="$(mktemp -d "${XDG_RUNTIME_DIR:-/tmp}/detector-sim.XXXXXX")"
link="$rundir/com1"
sim_args=(--link "$link")
if [ -n "$sim_log" ]; then
    sim_args+=(--log "$sim_log")
fi

sim_pid=""
cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    rm -rf "$rundir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# The simulator keeps this terminal as its console (a background job would otherwise get
# /dev/null).
build/default/bin/detector-sim "${sim_args[@]}" <&0 &
sim_pid=$!
for _ in $(seq 100); do
    [ -L "$link" ] && break
    kill -0 "$sim_pid" 2>/dev/null || { echo "The detector simulator did not start." >&2; exit 1; }
    sleep 0.05
done

echo "Station on the simulator: turn the Loop switch on to poll; the access code enables the saves."
REMOTE_COM1="$link" build/default/bin/remote "$@"
