#!/usr/bin/env bash
# Installs what is missing, builds Rastelle and runs the whole test suite.
#   scripts/test.sh [--sanitize]
# Tests run on Qt's offscreen platform: no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh "$@"

build_dir=build
if [ "${1:-}" = "--sanitize" ]; then
    build_dir=build-sanitize
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
fi

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
