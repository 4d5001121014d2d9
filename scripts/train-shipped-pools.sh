#!/usr/bin/env bash
# Trains the gain pools the game ships, so a new user's first generation drives well and a race
# meets tuned drivers: for every track in maps/ and every kind of driver, at level 0, from an
# empty pool, with a fixed seed per track (the
# track's slot), so the same generation count gives the same bytes on any machine and any number
# of threads.
#   scripts/train-shipped-pools.sh [GENERATIONS [OUT]]
# GENERATIONS defaults to 60 (the pools stop improving after about 20; a track takes some ten
# seconds on two cores), OUT to the source tree's assets/, where the pools are committed.
# The trainer comes from the run folder DX_GAME_DIR, or from build/game, built here when unset.
# It trains in a scratch copy of the source tree's assets/ and maps/, never in a run folder.
set -euo pipefail
source "$(dirname "$0")/common.sh"
GENERATIONS="${1:-60}"
OUT="${2:-$ROOT/assets}"

if [ -z "${DX_GAME_DIR:-}" ]; then
  "$ROOT/scripts/deps.sh" "${BUILD_PACKAGES[@]}"
  configure build
  cmake --build "$ROOT/build" -j "$JOBS" --target draxen3516-train >/dev/null
  DX_GAME_DIR="$ROOT/build/game"
fi

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
cp "$DX_GAME_DIR/draxen3516-train" "$scratch/"
cp -r "$ROOT/assets" "$ROOT/maps" "$scratch/"
rm -f "$scratch"/assets/ai.json "$scratch"/assets/ai-*.json
mkdir -p "$OUT"

# ai[-N][-KIND].json, as the game names a track's pool for a kind of driver at level 0.
pool_name() {
  local name="ai"
  [ "$1" = 1 ] || name="$name-$1"
  [ "$2" = pid ] || name="$name-$2"
  echo "$name.json"
}

for map in "$ROOT"/maps/*.map; do
  slot="$(basename "$map" .map)"
  for driver in pid racer neural; do
    pool="$(pool_name "$slot" "$driver")"
    echo "== track $slot, $driver drivers: $GENERATIONS generations, seed $slot -> $OUT/$pool"
    log="$scratch/train-$slot-$driver.log"
    if ! (cd "$scratch" && XDG_DATA_HOME="$scratch/home" ./draxen3516-train --track "$slot" --seed "$slot" \
            --driver "$driver" --generations "$GENERATIONS" --threads "$JOBS") >"$log" 2>&1; then
      cat "$log" >&2
      exit 1
    fi
    grep '^generation ' "$log" | tail -n 1
    cp "$scratch/assets/$pool" "$OUT/$pool"
  done
done
