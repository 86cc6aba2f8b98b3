#!/usr/bin/env bash
# Times a whole trk2scene run against a plain `cp` of the same model library,
# and compares the peak memory of runs with a small and a large library.
#
#   bench/compare.sh [path/to/trk2scene]     (default: build/default/src/trk2scene)
#
# Environment: RUNS (timed runs per command, default 600), ROUNDS (hyperfine
# rounds the runs are split into, default 30), WARMUP (warm-up runs per
# command and round, default 3), NO_HYPERFINE=1 (time with $EPOCHREALTIME even when
# hyperfine is installed), VERBOSE=1 (print the medians of every round),
# TMPDIR (where the scratch directory is made; both
# commands write there).
#
# 1. Time: the full-grid sample converted with a 1 MiB model library, in a
#    scratch directory with the layout trk2scene expects (src/zuxlist,
#    src/mdls4zu), against `cp src/mdls4zu out.copy` in the same directory.
#    Both commands write a new file on every run (the old one is removed
#    first, untimed). hyperfine measures when it is installed (apt-get install
#    hyperfine), in rounds in which the two commands take turns; otherwise
#    each run is timed with bash's $EPOCHREALTIME (the resolution of
#    /usr/bin/time, 10 ms, is too coarse for runs of a few milliseconds).
#    Prints both medians and their ratio.
# 2. Memory: /usr/bin/time -v reports the "Maximum resident set size" of a run
#    with a 1 MiB and with a 100 MiB model library; prints both and the
#    difference. The library is streamed, so the difference stays small.
#
# Exit status 0 when both targets are met (ratio at most 1.5, RSS difference
# at most 1024 KiB), 1 when one is missed, 2 on a setup error.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bin=${1:-$root/build/default/src/trk2scene}
runs=${RUNS:-600}
rounds=${ROUNDS:-30}
warmup=${WARMUP:-3}
track=$root/samples/full-grid.trk

if [[ ! -x $bin ]]; then
    echo "no trk2scene binary at $bin (build it first, or pass its path)" >&2
    exit 2
fi
bin=$(cd "$(dirname "$bin")" && pwd)/$(basename "$bin")
if [[ ! -x /usr/bin/time ]]; then
    echo "/usr/bin/time is needed for the memory measurement (apt-get install time)" >&2
    exit 2
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/t2s-compare-XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# A model library of exactly $2 bytes in $1: our own library repeated, cut
# to size, ending in a line feed.
make_library() {
    local out=$1 size=$2
    cp "$root/src/mdls4zu" "$out.part"
    while (($(stat -c %s "$out.part") < size)); do
        cat "$out.part" "$out.part" >"$out.grow"
        mv "$out.grow" "$out.part"
    done
    head -c $((size - 1)) "$out.part" >"$out"
    printf '\n' >>"$out"
    rm -f "$out.part"
}

# A working directory with src/zuxlist and a model library of $2 bytes.
make_workdir() {
    local dir=$1 size=$2
    mkdir -p "$dir/src"
    cp "$root/src/zuxlist" "$dir/src/zuxlist"
    make_library "$dir/src/mdls4zu" "$size"
}

# Every run must succeed before its time or size means anything.
check_run() {
    if ! (cd "$1" && "$bin" "$track" out.scene >/dev/null); then
        echo "trk2scene failed in $1" >&2
        exit 2
    fi
    rm -f "$1/out.scene"
}

mib=$((1 << 20))
make_workdir "$scratch/small" $mib
check_run "$scratch/small"
# The large library is made only after the timing: the write-back of a
# hundred freshly written megabytes would run alongside the timed commands.
sync

median_of() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Median wall time in seconds of $runs runs of the command "$@", each after
# removing out.scene and out.copy; in the current directory.
median_epoch() {
    local i t0 t1
    for ((i = 0; i < warmup + runs; i++)); do
        rm -f out.scene out.copy
        t0=$EPOCHREALTIME
        "$@" >/dev/null
        t1=$EPOCHREALTIME
        if ((i >= warmup)); then
            echo "$t0 $t1"
        fi
    done | awk '{ printf "%.9f\n", $2 - $1 }' | median_of
}

echo "== time: full-grid.trk with a 1 MiB model library vs cp of that library"
conv_cmd="$bin $track out.scene"
copy_cmd="cp src/mdls4zu out.copy"
cd "$scratch/small"
if [[ -z ${NO_HYPERFINE:-} ]] && command -v hyperfine >/dev/null; then
    # Many short rounds, the two commands taking turns, so that a phase of
    # load on the machine (on a virtual machine they come and go within a
    # second) falls on both alike; the medians are taken over the runs of
    # all rounds.
    echo "timer: $(hyperfine --version), $rounds rounds of $((runs / rounds)) runs per command (no shell), $warmup warm-up runs per round"
    for ((r = 1; r <= rounds; r++)); do
        hyperfine -N --style none --warmup "$warmup" --runs $((runs / rounds)) \
            --prepare "rm -f out.scene out.copy" \
            --export-json "$scratch/times-$r.json" "$conv_cmd" "$copy_cmd" >/dev/null 2>&1
        if [[ -n ${VERBOSE:-} ]]; then
            grep -o '"median": *[0-9.eE+-]*' "$scratch/times-$r.json" | sed 's/.*: *//' |
                awk -v r="$r" '{ m[NR] = $1 * 1000 } END {
                    printf "  round %d: trk2scene %.3f ms, cp %.3f ms\n", r, m[1], m[2] }'
        fi
    done
    # The "times" arrays of the first (trk2scene) and second (cp) result.
    times_of() {
        awk -v want="$1" '
            FNR == 1 { n = 0 }
            /"command":/ { n++ }
            /"times":/ { inside = (n == want); next }
            inside && /\]/ { inside = 0 }
            inside { gsub(/[ ,]/, ""); print }' "$scratch"/times-*.json
    }
    conv=$(times_of 1 | median_of)
    copy=$(times_of 2 | median_of)
else
    echo "timer: bash \$EPOCHREALTIME (hyperfine not installed or NO_HYPERFINE set), $runs runs, $warmup warm-up runs"
    conv=$(median_epoch "$bin" "$track" out.scene)
    copy=$(median_epoch cp src/mdls4zu out.copy)
fi
cd "$root"

ratio=$(awk -v a="$conv" -v b="$copy" 'BEGIN { printf "%.3f", a / b }')
awk -v a="$conv" -v b="$copy" -v r="$ratio" 'BEGIN {
    printf "median trk2scene: %.3f ms\nmedian cp:        %.3f ms\nratio:            %s (target: at most 1.5)\n", a * 1000, b * 1000, r }'

echo
echo "== peak memory: 1 MiB vs 100 MiB model library (/usr/bin/time -v)"
make_workdir "$scratch/large" $((100 * mib))
check_run "$scratch/large"
# The largest of three runs each, to be safe against a lucky run.
peak_rss() {
    local dir=$1 best=0 kb i
    for i in 1 2 3; do
        rm -f "$dir/out.scene"
        kb=$(cd "$dir" && /usr/bin/time -v "$bin" "$track" out.scene 2>&1 >/dev/null |
            awk -F': *' '/Maximum resident set size/ { print $2 }')
        if ((kb > best)); then
            best=$kb
        fi
    done
    rm -f "$dir/out.scene"
    echo "$best"
}
small_kb=$(peak_rss "$scratch/small")
large_kb=$(peak_rss "$scratch/large")
diff_kb=$((large_kb - small_kb))
echo "peak RSS, 1 MiB library:   $small_kb KiB"
echo "peak RSS, 100 MiB library: $large_kb KiB"
echo "difference:                $diff_kb KiB (target: at most 1024)"

echo
status=0
if awk -v r="$ratio" 'BEGIN { exit !(r <= 1.5) }'; then
    echo "time target met"
else
    echo "time target MISSED"
    status=1
fi
if ((diff_kb <= 1024)); then
    echo "memory target met"
else
    echo "memory target MISSED"
    status=1
fi
exit $status
