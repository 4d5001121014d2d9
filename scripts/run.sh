#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game from its run folder.
set -euo pipefail
source "$(dirname "$0")/common.sh"
"$ROOT/scripts/deps.sh" "${BUILD_PACKAGES[@]}"
configure_and_build build -DDX_TESTS=OFF -DDX_BENCHMARKS=OFF
cd "$ROOT/build/game"
exec ./draxen3516 "$@"
