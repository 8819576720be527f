#!/usr/bin/env bash
# Throughput of plain search tools over the same 10 MB file that bench/searchdata_bench.cpp
# searches, so SearchData's MB/s can be put beside them.
#   scripts/bench-search.sh [BUILD_DIR]   (runs BUILD_DIR/bench/bench_searchdata too when built)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
runs=${RUNS:-5}
size=$((10 * 1024 * 1024))
pattern='*OrvaneToneBlockEnd'

work=$(mktemp -d /tmp/orvane-bench-search.XXXXXX)
trap 'rm -rf "$work"' EXIT

# The same bytes as BenchText() in the benchmark: numbered text lines cut at 10 MB; the
# second file ends with the pattern.
awk -v size="$size" 'BEGIN {
    for (i = 0; written < size; i++) {
        line = sprintf("*Line %07d: the quick brown fox jumps over the lazy dog\n", i)
        if (written + length(line) > size) line = substr(line, 1, size - written)
        printf "%s", line
        written += length(line)
    } }' >"$work/absent.txt"
head -c $((size - ${#pattern})) "$work/absent.txt" >"$work/at-end.txt"
printf '%s' "$pattern" >>"$work/at-end.txt"

# A minimal memmem loop: read the whole file, then search it (both timed).
cat >"$work/memmem.cpp" <<'CPP'
#include <chrono>
#include <cstdio>
#include <cstring>
#include <vector>
int main(int argc, char** argv) {
    if (argc != 3)
        return 2;
    auto start = std::chrono::steady_clock::now();
    std::FILE* file = std::fopen(argv[1], "rb");
    if (!file)
        return 1;
    std::fseek(file, 0, SEEK_END);
    std::vector<char> data(static_cast<size_t>(std::ftell(file)));
    std::rewind(file);
    size_t got = std::fread(data.data(), 1, data.size(), file);
    std::fclose(file);
    const void* hit = memmem(data.data(), got, argv[2], std::strlen(argv[2]));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%ld %.6f\n", hit ? long(static_cast<const char*>(hit) - data.data()) : -1L, seconds);
}
CPP
g++ -O2 -std=c++20 -o "$work/memmem" "$work/memmem.cpp"

now_ns() { date +%s%N; }
mb=$(awk -v s="$size" 'BEGIN { printf "%.3f", s / 1048576 }')

# Best of $runs wall-clock times for a command, in MB/s.
best_rate() {
    local best=0 t0 t1 rate
    for _ in $(seq "$runs"); do
        t0=$(now_ns)
        "$@" >/dev/null || true
        t1=$(now_ns)
        rate=$(awk -v mb="$mb" -v ns=$((t1 - t0)) 'BEGIN { printf "%.0f", mb / (ns / 1e9) }')
        [ "$rate" -gt "$best" ] && best=$rate
    done
    echo "$best"
}

memmem_rate() {
    local best=0 out seconds rate
    for _ in $(seq "$runs"); do
        out=$("$work/memmem" "$1" "$pattern")
        seconds=${out#* }
        rate=$(awk -v mb="$mb" -v s="$seconds" 'BEGIN { printf "%.0f", mb / s }')
        [ "$rate" -gt "$best" ] && best=$rate
    done
    echo "$best"
}

cat "$work/absent.txt" "$work/at-end.txt" >/dev/null # warm the page cache
printf '%-28s %12s %12s\n' "tool (10 MB, best of $runs)" "absent MB/s" "at end MB/s"
printf '%-28s %12s %12s\n' "grep -c" \
    "$(best_rate grep -c -- "$pattern" "$work/absent.txt")" \
    "$(best_rate grep -c -- "$pattern" "$work/at-end.txt")"
printf '%-28s %12s %12s\n' "grep -F -c" \
    "$(best_rate grep -F -c -- "$pattern" "$work/absent.txt")" \
    "$(best_rate grep -F -c -- "$pattern" "$work/at-end.txt")"
printf '%-28s %12s %12s\n' "memmem (read + search)" \
    "$(memmem_rate "$work/absent.txt")" "$(memmem_rate "$work/at-end.txt")"

if [ -x "$build_dir/bench/bench_searchdata" ]; then
    echo
    echo "SearchData (bytes_per_second uses CPU time; MB/s by wall clock = 10 / Time in s)"
    "$build_dir/bench/bench_searchdata" --benchmark_repetitions="$runs" \
        --benchmark_report_aggregates_only=true
fi
