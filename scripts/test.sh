#!/usr/bin/env bash
# Builds everything and runs the whole test suite: the normal build, then the same tests
# under AddressSanitizer and UndefinedBehaviorSanitizer.
# Usage: scripts/test.sh [--quick]   (--quick skips the sanitizer build)
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake --preset default >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs" -LE package
# The Debian packages: a Release build of what they hold, then their checks.
ctest --preset default -L package

if [ "${1:-}" != "--quick" ]; then
    cmake --preset sanitize >/dev/null
    cmake --build --preset sanitize -j "$jobs"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    LSAN_OPTIONS=suppressions="$PWD/tests/support/lsan.supp":print_suppressions=0 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --preset sanitize -j "$jobs" -LE package
fi
