#!/usr/bin/env bash
# Installs the dependencies, builds Orvane and runs its main job on the bundled sample
# data. No system file is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build >/dev/null
build/src/cli/orvanectl table
