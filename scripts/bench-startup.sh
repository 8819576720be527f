#!/usr/bin/env bash
# Start-up of the window program: the time from starting `orvane` to its Adjust Halftone
# window shown and painted (with a chosen PPD and settings in both lists), against a minimal Qt Widgets
# program that shows one empty window, both in one run on this machine. Prints the median
# of each and their ratio (target: orvane within 1.3 x the minimal program), and the same
# minimal program with one label and one button, which pays the fonts' set-up as any
# window with text does.
#   scripts/bench-startup.sh [BUILD_DIR]
# RUNS (default 30) sets the number of starts of each; QT_QPA_PLATFORM defaults to
# offscreen (run under xvfb-run with QT_QPA_PLATFORM=xcb to measure with an X server).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${1:-build}
runs=${RUNS:-30}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
cmake --build "$build" --target orvane orvanectl bench_minimal_window -j 2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-bench-startup.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -R sample/root "$work/root"
mkdir -p "$work/home" "$work/config" "$work/cache"
export ORVANE_ROOT="$work/root" HOME="$work/home" XDG_CONFIG_HOME="$work/config"
export XDG_CACHE_HOME="$work/cache" XDG_RUNTIME_DIR="$work" ORVANE_ADMIN=user
export ORVANE_BUNDLE_DIR="$repo/$build/share/orvane"
unset ORVANE_OS_LEVEL
ctl="$repo/$build/src/cli/orvanectl"
for name in Portrait Vivid Newsprint Proof; do "$ctl" add "$name" --all gamma:1.8 >/dev/null; done
"$ctl" choose Quillmark_ColorPage_5.ppd >/dev/null
"$ctl" to-ppd Portrait >/dev/null

# Median over $runs starts of the milliseconds from starting the program to its window
# shown, as the program itself reports them against the starting time handed to it.
median_ms() {
    local times=()
    ORVANE_STARTED_AT=${EPOCHREALTIME/./} "$@" >/dev/null 2>&1 # once to warm the file cache
    for _ in $(seq "$runs"); do
        times+=("$(ORVANE_STARTED_AT=${EPOCHREALTIME/./} "$@" 2>/dev/null)")
    done
    printf '%s\n' "${times[@]}" | sort -g | awk '{ a[NR] = $1 } END {
        m = (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2; printf "%.1f", m }'
}

minimal=$(median_ms "$repo/$build/bench/bench_minimal_window")
text=$(median_ms "$repo/$build/bench/bench_minimal_window" --with-text)
orvane=$(median_ms "$repo/$build/src/gui/orvane" --quit-when-shown)
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "platform $QT_QPA_PLATFORM, median of $runs starts each"
echo "minimal Qt window: $minimal ms"
echo "minimal Qt window with a label and a button: $text ms ($(ratio "$text" "$minimal") x the empty one)"
echo "orvane, window shown: $orvane ms"
echo "ratio: $(ratio "$orvane" "$minimal") (target <= 1.3); against the window with text: $(ratio "$orvane" "$text")"
