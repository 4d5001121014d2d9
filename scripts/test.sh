#!/usr/bin/env bash
# Installs what is missing, checks the formatting, builds, and runs every test: once in the
# Release build and the unit tests once more under AddressSanitizer and UndefinedBehaviorSanitizer.
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

echo "== all tests passed"
