#!/usr/bin/env bash
# Fuzzes the DIB reader with libFuzzer (clang) under the address and
# undefined-behaviour sanitizers, starting from the committed corpus.
#   scripts/fuzz.sh [SECONDS]     (default 30)
# New inputs go to build-fuzz/corpus; crashes to build-fuzz/crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
mkdir -p build-fuzz/corpus
clang++ -std=c++20 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    dib/*.cpp tests/fuzz/fuzz_dib_read.cpp -o build-fuzz/fuzz_dib_read
build-fuzz/fuzz_dib_read -max_total_time="$seconds" -rss_limit_mb=2048 -artifact_prefix=build-fuzz/ \
    -print_final_stats=1 build-fuzz/corpus tests/fuzz/corpus/dib 2>&1 | tail -n 12
