#!/usr/bin/env bash
# Installs the dependencies, builds Orvane and demonstrates its main job with orvanectl:
# two settings are created, a sample PPD is chosen, the settings are copied into it, and
# the changed part of the PPD is shown. Everything happens on a copy of sample/root in a
# temporary folder, with a preferences folder of its own and the current-user rights
# backend; no system file and nothing of the user's is touched. Then the window program
# opens on the same copy: on the desktop when there is one, otherwise under Xvfb, where a
# screenshot of the window is saved instead.
#
# Usage: scripts/demo.sh [--keep]
#   --keep  leave the temporary copy in place afterwards (its path is printed), so that the
#           changed PPD and its settings record can be looked at, or printed from.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
keep=0
for arg in "$@"; do
    case "$arg" in
    --keep) keep=1 ;;
    -h | --help) sed -n '2,12p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "demo.sh: unknown option $arg (try --help)" >&2; exit 2 ;;
    esac
done
scripts/install-deps.sh
# Only what the demonstration runs (the program and its bundle), configured as
# scripts/build.sh configures the same folder.
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
cmake -S . -B build "${generator[@]}" >/dev/null
cmake --build build --target orvanectl -j "$(nproc)" >/dev/null
gui=0
if grep -q '^ORVANE_GUI:BOOL=ON' build/CMakeCache.txt; then
    cmake --build build --target orvane orvane-screenshots -j "$(nproc)" >/dev/null
    gui=1
fi

demo=$(mktemp -d "${TMPDIR:-/tmp}/orvane-demo.XXXXXX")
if [ "$keep" = 1 ]; then
    trap 'printf "\nThe demonstration'"'"'s copy is kept in %s (remove it when done).\n" "$demo"' EXIT
else
    trap 'rm -rf "$demo"' EXIT
fi
cp -R sample/root "$demo/root"
mkdir -p "$demo/home"
export ORVANE_ROOT="$demo/root"
export XDG_CONFIG_HOME="$demo/config" XDG_CACHE_HOME="$demo/cache" HOME="$demo/home"
export ORVANE_ADMIN=user
export ORVANE_BUNDLE_DIR="$repo/build/share/orvane"
unset ORVANE_OS_LEVEL
orvanectl="$repo/build/src/cli/orvanectl"
ppd=Quillmark_ColorPage_5.ppd

bold='' plain=''
if [ -t 1 ]; then bold=$'\e[1m' plain=$'\e[0m'; fi
say() { printf '\n%s# %s%s\n' "$bold" "$*" "$plain"; }
run() { printf '%s$ orvanectl %s%s\n' "$bold" "$*" "$plain"; "$orvanectl" "$@"; }

say "A sample system root in $demo/root; no settings yet."
run list
say "Two settings: one gamma curve for all inks, and one with its own curve per ink."
run add Portrait --all gamma:1.8
run add Vivid --cyan levels:0,,,25,,,60,,,,,,100 --magenta gamma:0.9
say "Choose the printer's PPD (a bare name is looked for in \$ORVANE_ROOT/etc/cups/ppd)."
run choose "$ppd"
say "Copy both into the PPD. The copy is yours, so Orvane writes it itself; a PPD in /etc/cups/ppd would need an administrator's password once per save."
run to-ppd Portrait
run to-ppd Vivid
run list
say "What changed in the PPD (each 256-number transfer table shortened to its first line):"
diff -u --label "sample/$ppd" --label "demo/$ppd" \
    "sample/root/etc/cups/ppd/$ppd" "$demo/root/etc/cups/ppd/$ppd" |
    awk '
        function flush() { if (table) printf "+        ... %d more lines of numbers\n", more; table = 0 }
        /^\+\(/ { flush(); print; table = 1; more = 0; next }
        table && /^\+[0-9]/ { more++; next }
        { flush(); print }
    ' || true
say "The settings record beside it, for reading them back: ._$ppd ($(wc -c <"$demo/root/etc/cups/ppd/._$ppd") bytes)."

if [ "$gui" = 0 ]; then
    say "The window program was not built (Qt 6 Widgets is missing); the demonstration ends here."
    exit 0
fi
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    say "The same settings in the window program. Close its window to end the demonstration."
    "$repo/build/src/gui/orvane"
else
    shot="$repo/build/demo-window.png"
    say "No display: the window program runs under Xvfb instead."
    timeout 120 xvfb-run -a -s "-screen 0 1280x800x24" "$repo/build/tools/orvane-screenshots" --main-only \
        "$demo/shot" >/dev/null 2>&1
    cp "$demo/shot/main-window.png" "$shot"
    printf 'A screenshot of its window is in %s\n' "$shot"
fi
