# Shared by the run and test scripts: the packages the build needs, and a configured build.
BUILD_PACKAGES=(build-essential cmake pkg-config libsdl2-dev libpng-dev libgif-dev libsndfile1-dev
                nlohmann-json3-dev libgtest-dev libbenchmark-dev)
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc 2>/dev/null || echo 2)"

# configure DIR [cmake options...]
configure() {
  local dir="$1"; shift
  cmake -S "$ROOT" -B "$ROOT/$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
  configure "$@"
  cmake --build "$ROOT/$1" -j "$JOBS"
}
