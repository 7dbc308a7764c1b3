#!/usr/bin/env bash
# Builds the station program with the default preset and starts it.
# Usage: scripts/run.sh [arguments for the program]
# Com n is /dev/ttyS<n-1>; set REMOTE_COM<n> to use another device, for example
#   REMOTE_COM1=/dev/ttyUSB0 scripts/run.sh
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

cmake --preset default >/dev/null
cmake --build --preset default --target remote
exec build/default/bin/remote "$@"
