#!/usr/bin/env bash
# Pictures of the window program for doc/screenshots: the Adjust Halftone window with both
# lists filled, each alert, the name dialog, a help window and the curve editor (one curve,
# four curves, invalid, mid-drag, its help), at 100 % and 200 % scale.
# Everything runs under Xvfb on a copy of the sample root prepared with orvanectl.
#   scripts/screenshots.sh [BUILD_DIR [OUT_DIR]]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${1:-build}
out=${2:-doc/screenshots}
cmake --build "$build" --target orvanectl orvane-screenshots -j 2 >/dev/null

work=$(mktemp -d "${TMPDIR:-/tmp}/orvane-shots.XXXXXX")
trap 'rm -rf "$work"' EXIT
cp -R sample/root "$work/root"
mkdir -p "$work/home" "$work/config" "$work/cache"
export ORVANE_ROOT="$work/root" HOME="$work/home" XDG_CONFIG_HOME="$work/config"
export XDG_CACHE_HOME="$work/cache" ORVANE_ADMIN=user ORVANE_BUNDLE_DIR="$repo/$build/share/orvane"
export LC_ALL=C.UTF-8
unset ORVANE_OS_LEVEL
ctl="$repo/$build/src/cli/orvanectl"
"$ctl" add Portrait --all gamma:1.8 >/dev/null
"$ctl" add "Newsprint – soft" --all gamma:2.4 >/dev/null
"$ctl" add Vivid --cyan levels:0,,,25,,,60,,,,,,100 --magenta gamma:0.9 \
    --yellow gamma:1.5 --black levels:0,,,12,,,38,,,70,,,100 >/dev/null
"$ctl" add "Proof (coated)" --all levels:0,,,18,,,52,,,,,,100 >/dev/null
"$ctl" choose Quillmark_ColorPage_5.ppd >/dev/null
"$ctl" to-ppd Portrait >/dev/null
"$ctl" to-ppd Vivid >/dev/null

mkdir -p "$out"
for scale in 1 2; do
    QT_SCALE_FACTOR=$scale timeout 300 xvfb-run -a -s "-screen 0 1920x1400x24" \
        "$repo/$build/tools/orvane-screenshots" "$out" 2>/dev/null
done
