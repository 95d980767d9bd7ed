#!/usr/bin/env bash
# Fuzzes the DIB reader and the metafile player with libFuzzer (clang) under
# the address and undefined-behaviour sanitizers, starting from the
# committed corpora (and, for metafiles, the shared real files when the
# folder ../shared/metafiles/files exists).
#   scripts/fuzz.sh [SECONDS] [dib|metafile|all]     (default 30 each, all)
# New inputs go to build-fuzz/corpus-*; crashes to build-fuzz/crash-*.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
which=${2:-all}
flags=(-std=c++20 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined)
mkdir -p build-fuzz/corpus-dib build-fuzz/corpus-metafile

if [ "$which" = all ] || [ "$which" = dib ]; then
    clang++ "${flags[@]}" dib/*.cpp tests/fuzz/fuzz_dib_read.cpp -o build-fuzz/fuzz_dib_read
    build-fuzz/fuzz_dib_read -max_total_time="$seconds" -rss_limit_mb=2048 -artifact_prefix=build-fuzz/ \
        -print_final_stats=1 build-fuzz/corpus-dib tests/fuzz/corpus/dib 2>&1 | tail -n 12
fi

if [ "$which" = all ] || [ "$which" = metafile ]; then
    # Qt's headers ask for position-independent code.
    # shellcheck disable=SC2046
    clang++ "${flags[@]}" -fPIC $(pkg-config --cflags Qt6Gui) dib/*.cpp metafile/*.cpp metafile/qt/*.cpp \
        tests/fuzz/fuzz_metafile_play.cpp $(pkg-config --libs Qt6Gui) -o build-fuzz/fuzz_metafile_play
    seeds=(tests/fuzz/corpus/metafile)
    if [ -d ../shared/metafiles/files ]; then
        seeds+=(../shared/metafiles/files)
    else
        echo "fuzz.sh: ../shared/metafiles/files is absent; seeding from the committed corpus only"
    fi
    # A file that is slow to play counts as a finding (-timeout), as a hang would.
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
        build-fuzz/fuzz_metafile_play -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix=build-fuzz/ -print_final_stats=1 build-fuzz/corpus-metafile "${seeds[@]}" 2>&1 |
        tail -n 12
fi
