#!/usr/bin/env bash
# Times rastelle-convert beside the peer image tools, case by case, with the
# peers' own script (../shared/bench-peers/run_peers.sh, or PEERS=...).
#
#   bench/peers.sh [RUNS] [CASES] [CONVERT...]
#     RUNS     counted runs per command (default 5)
#     CASES    e.g. "c1 c2 c3 c4 c5 c6" (the default)
#     CONVERT  one or more rastelle-convert binaries (default build-release's);
#              each gets a pass of its own with the peers, so an old and a new
#              build are measured side by side in one run.
#
# The inputs are made once in ${BENCH_DATA:-/tmp/rastelle-bench}. Build with
#   cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
peers=${PEERS:-$root/../shared/bench-peers}
runs=${1:-5}
cases=${2:-"c1 c2 c3 c4 c5 c6"}
shift $(($# > 2 ? 2 : $#))
binaries=("$@")
[ ${#binaries[@]} -gt 0 ] || binaries=("$root/build-release/bin/rastelle-convert")

export BENCH_DATA=${BENCH_DATA:-/tmp/rastelle-bench}
[ -s "$BENCH_DATA/photo24.jpg" ] || bash "$peers/make_inputs.sh" "$BENCH_DATA"

# Our program keeps its settings and language choice in a home of its own.
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
export HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=offscreen

for convert in "${binaries[@]}"; do
    echo "== $convert"
    export R=$convert
    export OURS_C1='"$R" "$D/photo24.jpg" "$O/ours_c1.bmp" --overwrite'
    export OURS_C2='"$R" "$D/photo24.jpg" "$O/ours_c2.bmp" --size 3000x2000 --rotate 90 --overwrite'
    export OURS_C3='"$R" "$D/photo24.jpg" "$O/ours_c3.bmp" --format 8 --overwrite'
    export OURS_C4='"$R" "$D/photo24.jpg" "$O/ours_c4.bmp" --format 32a --overwrite'
    export OURS_C5='"$R" "$D/photo24.jpg" "$O/ours_c5.bmp" --format 1 --overwrite'
    export OURS_C6='"$R" "$D/alpha12.png" "$O/ours_c6.bmp" --format 32a --overwrite'
    SKIP_SLOW=${SKIP_SLOW:-1} NO_PROBES=${NO_PROBES:-1} bash "$peers/run_peers.sh" "$BENCH_DATA" "$runs" "$cases"
done
