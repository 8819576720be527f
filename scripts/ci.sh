#!/usr/bin/env bash
# What CI runs: the README's test command with warnings as errors, the same tests under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
export ORVANE_WERROR=1
# The PPD tests skip where openprinting-ppds, cupstestppd or Ghostscript are missing; in CI,
# where scripts/install-deps.sh installs them, a missing one is a failure.
export ORVANE_REQUIRE_PRINTING_TOOLS=1
scripts/test.sh build
scripts/test.sh build-asan -DCMAKE_BUILD_TYPE=Debug -DORVANE_SANITIZE=ON -DORVANE_BENCHMARKS=OFF
scripts/fuzz.sh "${ORVANE_FUZZ_SECONDS:-60}"
