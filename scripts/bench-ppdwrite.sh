#!/usr/bin/env bash
# Saving six four-curve settings into the largest PPD in Debian's packages (Canon iPR C650 of
# openprinting-ppds, 635 695 bytes) against `cp` of the same file followed by `sync` of the
# copy (a durable copy, as a save is): prints the times and their ratios (target: the save
# within 1.5 x the durable copy). WORK_DIR chooses the file system (default /tmp).
#   scripts/bench-ppdwrite.sh [BUILD_DIR]     (builds BUILD_DIR's bench_ppdwrite when needed)
# RUNS (default 20) sets how many times cp is timed; the best time counts, as for the save.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
runs=${RUNS:-20}
driver=/usr/lib/cups/driver/openprinting-ppds
uri=openprinting-ppds:0/ppd/openprinting/Canon/cnprc650x1g.ppd

if [ ! -x "$driver" ]; then
    echo "bench-ppdwrite: needs the package openprinting-ppds (scripts/install-deps.sh)" >&2
    exit 1
fi
if [ ! -d "$build_dir" ]; then
    scripts/build.sh "$build_dir" >/dev/null
fi
cmake --build "$build_dir" --target bench_ppdwrite >/dev/null

# The PPD's folder is on the same file system as the benchmark's temporary root.
work=$(mktemp -d "${WORK_DIR:-/tmp}/orvane-bench-ppdwrite.XXXXXX")
trap 'rm -rf "$work"' EXIT
"$driver" cat "$uri" >"$work/cnprc650x1g.ppd"
size=$(stat -c %s "$work/cnprc650x1g.ppd")

now_ns() { date +%s%N; }

# Best of $runs wall-clock times of a command, in milliseconds.
best_ms() {
    local best="" t0 t1 ms
    for _ in $(seq "$runs"); do
        t0=$(now_ns)
        "$@"
        t1=$(now_ns)
        ms=$(awk -v ns=$((t1 - t0)) 'BEGIN { printf "%.3f", ns / 1e6 }')
        if [ -z "$best" ] || awk -v a="$ms" -v b="$best" 'BEGIN { exit !(a < b) }'; then
            best=$ms
        fi
    done
    echo "$best"
}

cat "$work/cnprc650x1g.ppd" >/dev/null # warm the page cache
cp_ms=$(best_ms cp "$work/cnprc650x1g.ppd" "$work/copy.ppd")
cp_sync_ms=$(best_ms sh -c 'cp "$1" "$2" && sync "$2"' sh "$work/cnprc650x1g.ppd" "$work/copy.ppd")

# The benchmark's own repetitions; the fastest of them counts, like the best cp.
ORVANE_BENCH_PPD="$work/cnprc650x1g.ppd" ORVANE_BUNDLE_DIR="${ORVANE_BUNDLE_DIR:-$build_dir/share/orvane}" \
    "$build_dir/bench/bench_ppdwrite" --benchmark_repetitions=5 \
    --benchmark_out="$work/bench.csv" --benchmark_out_format=csv >"$work/bench.txt" 2>&1 ||
    { cat "$work/bench.txt" >&2; exit 1; }
if grep -q "ERROR OCCURRED" "$work/bench.txt"; then
    cat "$work/bench.txt" >&2
    exit 1
fi
# real_time in ms of a benchmark's fastest repetition.
fastest() {
    awk -F, -v name="\"$1/real_time\"" '$1 == name && (best == "" || $3 < best) { best = $3 }
        END { if (best == "") exit 1; printf "%.3f", best }' "$work/bench.csv"
}
save_ms=$(fastest BM_SaveSixFourCurveSettingsIntoLargestPPD)
replace_ms=$(fastest BM_ReplaceSixFourCurveSettingsInLargestPPD)
copy_ms=$(fastest BM_CopyLargestPPD)

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf 'PPD: Canon/cnprc650x1g.ppd, %s bytes; best of %s runs\n' "$size" "$runs"
printf '%-58s %9s ms\n' "cp (a process)" "$cp_ms"
printf '%-58s %9s ms\n' "cp, then sync of the copy (a durable copy)" "$cp_sync_ms"
printf '%-58s %9s ms\n' "copy within the process (no process, no flush)" "$copy_ms"
printf '%-58s %9s ms\n' "save six four-curve settings (first block)" "$save_ms"
printf '%-58s %9s ms\n' "save six four-curve settings (replacing a block)" "$replace_ms"
printf 'ratio save / cp:            %s\n' "$(ratio "$save_ms" "$cp_ms")"
printf 'ratio save / cp and sync:   %s   (target: at most 1.5)\n' "$(ratio "$save_ms" "$cp_sync_ms")"
printf 'ratio replace / cp:         %s\n' "$(ratio "$replace_ms" "$cp_ms")"
