#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test: once in the
# Release build, the unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer,
# and the trainer's threaded generations under ThreadSanitizer.
set -euo pipefail
source "$(dirname "$0")/common.sh"
# assimp-testmodels and gimp-data: OBJ models, GIMP palettes and PNG images for tests/real_files.
# clang-format-14 exactly: other versions format some constructs differently.
"$ROOT/scripts/deps.sh" "${BUILD_PACKAGES[@]}" xvfb xdotool xauth assimp-testmodels gimp-data clang-format-14
export SDL_VIDEODRIVER="${SDL_VIDEODRIVER:-dummy}" SDL_AUDIODRIVER="${SDL_AUDIODRIVER:-dummy}"

echo "== Format (clang-format-14)"
unformatted=()
while IFS= read -r -d '' f; do
  clang-format-14 --style=file "$f" | cmp -s - "$f" || unformatted+=("${f#"$ROOT"/}")
done < <(find "$ROOT"/{src,tests,tools,bench,fuzz} -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)
if [ ${#unformatted[@]} -gt 0 ]; then
  echo "these files differ from what clang-format-14 makes of them (run clang-format-14 -i on them):" >&2
  printf '  %s\n' "${unformatted[@]}" >&2
  exit 1
fi

echo "== Release build"
configure_and_build build -DDX_WERROR=ON
(cd "$ROOT/build" && ctest --output-on-failure -j "$JOBS")

echo "== Sanitizer build (unit tests)"
configure_and_build build-asan -DDX_SANITIZE=ON -DDX_BENCHMARKS=OFF -DDX_WERROR=ON
# Leak detection stays on: the unit tests free what they allocate, SDL's dummy drivers included.
(cd "$ROOT/build-asan" && UBSAN_OPTIONS=print_stacktrace=1 \
   ctest --output-on-failure -j "$JOBS" -L unit)

echo "== ThreadSanitizer build (the trainer on 2 threads)"
# Only the trainer runs threads, so only it is built; a short seeded run on a copy of the run
# folder, so its pool and plot never land in the build's own.
configure build-tsan -DDX_TSAN=ON -DDX_TESTS=OFF -DDX_BENCHMARKS=OFF -DDX_WERROR=ON
cmake --build "$ROOT/build-tsan" -j "$JOBS" --target draxen3516-train
run="$(mktemp -d)"
trap 'rm -rf "$run"' EXIT
cp -r "$ROOT/build-tsan/game" "$run/game"
status=0
# Every kind of driver: the racer boosts, so its threads also write particles.
for driver in pid racer neural; do
  XDG_DATA_HOME="$run/home" TSAN_OPTIONS="halt_on_error=1:exitcode=66" \
    "$run/game/draxen3516-train" --generations 2 --seed 5 --threads 2 --driver "$driver" || status=$?
  [ "$status" -eq 0 ] || break
done
if [ "$status" -eq 66 ]; then
  echo "ThreadSanitizer found a problem in the trainer (report above)" >&2
  exit 1
elif [ "$status" -ne 0 ]; then
  echo "the trainer failed under ThreadSanitizer with status $status" >&2
  exit 1
fi
echo "== all tests passed"
