#!/usr/bin/env bash
# Configures and builds Rastelle.
#   scripts/build.sh [--sanitize]
# The normal build goes to build/, the sanitizer build (address and
# undefined behaviour) to build-sanitize/.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
options=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
    build_dir=build-sanitize
    # Line tables are all a sanitizer's stack traces need, and compile
    # faster than full debug information; timings mean nothing here, so
    # the benchmarks are left out.
    options=(-DCMAKE_BUILD_TYPE=Debug -DRASTELLE_SANITIZE=ON -DCMAKE_CXX_FLAGS=-O1
        -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DRASTELLE_BENCHMARKS=OFF)
fi

# A compiler cache, where the machine has one, makes rebuilds of a fresh
# clone quick; nothing needs it.
if command -v ccache >/dev/null; then
    options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

cmake -S . -B "$build_dir" -G Ninja -DRASTELLE_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)"
