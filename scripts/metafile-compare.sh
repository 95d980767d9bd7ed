#!/usr/bin/env bash
# Plays every metafile of a folder with the player and, where a reference
# rendering exists, prints the share of pixels that differ from it (both at
# half size, by more than 64 levels in a channel), then a summary by group.
#   scripts/metafile-compare.sh [METAFILES_DIR] [OUT_DIR]
# METAFILES_DIR holds files/, index.tsv, ref-gdi/ and ref-emfplus/ (default
# ../shared/metafiles). EMF+ dual files, damaged ones too, are compared with ref-emfplus/.
# Each file is played in its own process with a 10 s limit, so a crash or a
# hang is reported for that file and the run goes on.
set -uo pipefail
cd "$(dirname "$0")/.."
dir=${1:-../shared/metafiles}
out=${2:-build/metafile-compare}
tool=build/bin/rastelle-metafile-render
if [ ! -f "$dir/index.tsv" ]; then
    echo "metafile-compare: $dir/index.tsv is absent; nothing compared"
    exit 0
fi
[ -x "$tool" ] || cmake --build build --target rastelle-metafile-render >/dev/null
mkdir -p "$out"
export QT_QPA_PLATFORM=offscreen
results="$out/results.tsv"
: >"$results"
tail -n +2 "$dir/index.tsv" | while IFS=$'\t' read -r file kind width height emfplus refs; do
    case "$file" in
    emf2svg_emf-corrupted_*) group=damaged ;;
    *) if [ "$emfplus" = dual ]; then group=EMF+; elif [[ "$kind" == WMF* ]]; then group=WMF; else group=EMF; fi ;;
    esac
    ref=""
    if [ "$emfplus" = dual ] && [ -f "$dir/ref-emfplus/$file.png" ]; then
        ref="$dir/ref-emfplus/$file.png"
    elif [ -f "$dir/ref-gdi/$file.png" ]; then
        ref="$dir/ref-gdi/$file.png"
    fi
    args=("$dir/files/$file" "$out/$file.png" "$width" "$height")
    [ -n "$ref" ] && args+=("$ref")
    start=$(date +%s%N)
    output=$(timeout 10 "$tool" "${args[@]}" 2>&1)
    status=$?
    ms=$(( ($(date +%s%N) - start) / 1000000 ))
    share=$(echo "$output" | sed -n 's/^differ \([0-9.]*\) %$/\1/p')
    if [ $status -eq 124 ]; then outcome=timeout
    elif [ $status -ge 128 ]; then outcome=crash
    elif [ $status -ne 0 ]; then outcome=refused
    else outcome=drawn
    fi
    printf '%s\t%s\t%s\t%s\t%d.%03d\n' "$group" "$file" "$outcome" "${share:--}" $((ms / 1000)) $((ms % 1000)) | tee -a "$results"
done
echo
echo "group    files drawn refused crash timeout compared within10% median%"
for group in EMF WMF EMF+ damaged; do
    median=$(awk -F'\t' -v g="$group" '$1 == g && $4 != "-" { print $4 }' "$results" | sort -g |
        awk '{ v[NR] = $1 } END { if (NR) print v[int((NR + 1) / 2)]; else print "-" }')
    awk -F'\t' -v g="$group" -v m="$median" '$1 == g {
        n++; o[$3]++
        if ($4 != "-") { c++; if ($4 <= 10) w++ }
    } END {
        printf "%-8s %5d %5d %7d %5d %7d %8d %10d %7s\n", g, n, o["drawn"], o["refused"], o["crash"], o["timeout"], c, w, m
    }' "$results"
done
awk -F'\t' '$4 != "-" { c++; if ($4 <= 10) w++ } END { if (c) printf "all: %d of %d compared files within 10 %% (%.1f %%)\n", w, c, 100 * w / c }' "$results"
echo "worst:"
awk -F'\t' '$4 != "-"' "$results" | sort -t$'\t' -k4,4 -g -r | head -n 12 | awk -F'\t' '{ printf "  %6s %%  %s (%s)\n", $4, $2, $1 }'
