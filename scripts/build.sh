#!/usr/bin/env bash
# Configures and builds Orvane.  Usage: scripts/build.sh [BUILD_DIR] [extra cmake options]
# ORVANE_WERROR=1 in the environment turns warnings into errors.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
shift || true
generator=()
command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
werror=OFF
[ "${ORVANE_WERROR:-0}" = 1 ] && werror=ON
cmake -S . -B "$build_dir" "${generator[@]}" -DORVANE_WERROR="$werror" "$@" >/dev/null
cmake --build "$build_dir" -j "$(nproc)"
