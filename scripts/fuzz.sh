#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on a copy of its seed
# corpus.  Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]   (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build_dir=build-fuzz
CC=clang CXX=clang++ scripts/build.sh "$build_dir" -DORVANE_FUZZ=ON -DORVANE_TESTS=OFF -DORVANE_BENCHMARKS=OFF
status=0
for bin in "$build_dir"/fuzz/fuzz_*; do
    [ -x "$bin" ] || continue
    name=${bin##*/fuzz_}
    work=$(mktemp -d)
    cp -r "fuzz/corpus/$name/." "$work/" 2>/dev/null || true
    echo "fuzzing $name for ${seconds}s"
    if ! (cd "$build_dir" && "./fuzz/fuzz_$name" -max_total_time="$seconds" -max_len=65536 \
            -artifact_prefix="$PWD/crash-$name-" "$work" 2>"$work.log"); then
        tail -n 40 "$work.log"
        echo "fuzz target $name failed; reproducer saved in $build_dir/" >&2
        status=1
    else
        tail -n 1 "$work.log"
    fi
    rm -rf "$work" "$work.log"
done
exit $status
