#!/usr/bin/env bash
# Builds the libFuzzer targets (clang 14, AddressSanitizer and UndefinedBehaviorSanitizer) and
# runs each chosen one for the given number of seconds on its seeds in fuzz/corpus/<name>.
#   scripts/fuzz.sh all 20                 every target, 20 s each
#   scripts/fuzz.sh map_source,obj 600     two targets, 10 minutes each
# New inputs go to build-fuzz/corpus/<name>, never into the committed seeds. Prints per target
# the executions, the coverage (cov: edges, ft: features) and the findings, whose inputs are
# kept in build-fuzz/findings/<name>; exits non-zero when any target found something.
set -euo pipefail
source "$(dirname "$0")/common.sh"
TARGETS="${1:-all}"
SECONDS_EACH="${2:-20}"
ALL=(map_source obj palette font png tilemap car item_types pool config keymap track_description)
BUILD="$ROOT/build-fuzz"

declare -A DICT=([car]=json [item_types]=json [pool]=json [tilemap]=json [track_description]=json [obj]=obj
                 [palette]=text [config]=text [keymap]=text)

"$ROOT/scripts/deps.sh" "${BUILD_PACKAGES[@]}" clang-14 libclang-rt-14-dev
if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S "$ROOT" -B "$BUILD" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDX_FUZZ=ON \
    -DDX_TESTS=OFF -DDX_BENCHMARKS=OFF >/dev/null
fi
# Two runs may start together (two targets at a time); one builds while the other waits.
flock "$BUILD/.build-lock" cmake --build "$BUILD" --target fuzzers -j "$JOBS" >/dev/null

if [ "$TARGETS" = all ]; then
  names=("${ALL[@]}")
else
  IFS=, read -r -a names <<<"$TARGETS"
fi

# A small quarantine: ASan's default one alone would pass the memory limit that an input is held to.
export ASAN_OPTIONS="quarantine_size_mb=16:allocator_release_to_os_interval_ms=500${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
status=0
summary=()

# CPU seconds (user + system) that the target spends on one input.
cpu_seconds() {
  local TIMEFORMAT='%U %S' t
  t=$( { time "$1" -timeout=30 -rss_limit_mb=256 -close_fd_mask=3 "$2" >/dev/null 2>&1; } 2>&1 ) || true
  awk '{print $1 + $2}' <<<"$t"
}

for name in "${names[@]}"; do
  bin="$BUILD/fuzz/fuzz_$name"
  [ -x "$bin" ] || { echo "unknown fuzz target: $name (known: ${ALL[*]})" >&2; exit 2; }
  work="$BUILD/corpus/$name"
  found="$BUILD/findings/$name"
  logs="$BUILD/logs"
  mkdir -p "$work" "$found" "$logs"
  echo "== fuzz_$name for ${SECONDS_EACH}s"
  execs=0 new=0 stalls=0 rc=0 part=0
  end=$(( $(date +%s) + SECONDS_EACH ))
  # The time limit is on the wall clock, which a busy machine stretches; a timeout whose input
  # takes less than a second of CPU when replayed is such a stall, and fuzzing resumes.
  while left=$(( end - $(date +%s) )); [ "$left" -gt 0 ]; do
    part=$((part + 1))
    log="$logs/$name.$part.log"
    args=(-max_total_time="$left" -timeout=1 -rss_limit_mb=256 -max_len=65536 -close_fd_mask=3
          -print_final_stats=1 -artifact_prefix="$found/")
    [ -n "${DICT[$name]:-}" ] && args+=(-dict="$ROOT/fuzz/dict/${DICT[$name]}.dict")
    before=$(ls "$found")
    rc=0
    "$bin" "${args[@]}" "$work" "$ROOT/fuzz/corpus/$name" >"$log" 2>&1 || rc=$?
    covline=$(grep -aE '^#[0-9]+.*cov: ' "$log" | tail -1 || true)
    # A run that ends on a finding prints no final stats; its last status line counts then.
    ran=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    [ -z "$ran" ] && ran=$(sed -n 's/^#\([0-9]*\).*/\1/p' <<<"$covline")
    execs=$(( execs + ${ran:-0} ))
    cov=$(sed -n 's/.*cov: \([0-9]*\).*/\1/p' <<<"$covline")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$covline")
    artifact=$(comm -13 <(echo "$before") <(ls "$found") | head -1)
    if [ -z "$artifact" ]; then
      [ "$rc" -eq 0 ] && continue
      new=$((new + 1)) artifact="(none: exit $rc)"
      break
    fi
    if [[ "$artifact" == timeout-* ]]; then
      cpu=$(cpu_seconds "$bin" "$found/$artifact")
      if awk -v c="$cpu" 'BEGIN { exit !(c < 1) }'; then
        stalls=$((stalls + 1))
        rm -f "$found/$artifact"
        continue
      fi
    fi
    new=$((new + 1))
    break
  done
  line="fuzz_$name: $execs executions, cov ${cov:-?}, ft ${ft:-?}, findings $new"
  [ "$stalls" -gt 0 ] && line+=" (resumed after $stalls load stall(s))"
  if [ "$new" -gt 0 ]; then
    status=1
    line+=": $found/$artifact (log $log)"
    grep -aE '^(==[0-9]+==ERROR|SUMMARY|.*runtime error)' "$log" | head -5 || true
  fi
  echo "$line"
  summary+=("$line")
done

echo "== fuzz summary"
printf '%s\n' "${summary[@]}"
exit "$status"
