#!/usr/bin/env bash
# scripts/train-shipped-pools.sh run twice, two generations a track to keep it short, writes a
# trained pool for every shipped track and kind of driver, and the same bytes both times.
set -euo pipefail
script="$DX_SOURCE_DIR/scripts/train-shipped-pools.sh"
out="$(mktemp -d)"
trap 'rm -rf "$out"' EXIT
"$script" 2 "$out/first"
"$script" 2 "$out/second" >/dev/null
pools=0
for map in "$DX_SOURCE_DIR"/maps/*.map; do
  slot="$(basename "$map" .map)"
  for pool in "ai-$slot.json" "ai-$slot-racer.json" "ai-$slot-neural.json"; do
    [ "$slot" = 1 ] && pool="${pool/ai-1/ai}"
    grep -q '"score": [1-9]' "$out/first/$pool" || { echo "no trained pool for track $slot: $pool" >&2; exit 1; }
    pools=$((pools + 1))
  done
done
[ "$(ls "$out/first" | wc -l)" -eq "$pools" ] || { echo "files beyond the $pools pools: $(ls "$out/first")" >&2; exit 1; }
diff -r "$out/first" "$out/second"
echo "the same $pools pools both times"
