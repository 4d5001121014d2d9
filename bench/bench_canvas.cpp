// Primitive fill rates beside a memset of the same pixel count, and the presentation's
// palette conversion.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "framework/canvas.h"
#include "framework/palette.h"
#include "framework/presentation.h"
#include "framework/random.h"

namespace {

constexpr int W = 240, H = 136;

void setup() {
  dx::resetDrawState();
  dx::setCanvasSize(W, H);
}

void BM_memset_canvas(benchmark::State& st) {
  std::vector<uint8_t> buf(W * H);
  for (auto _ : st) {
    std::memset(buf.data(), int(st.iterations() & 0xFF), buf.size());
    benchmark::DoNotOptimize(buf.data());
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_memset_canvas);

void BM_cls(benchmark::State& st) {
  setup();
  for (auto _ : st) {
    dx::cls();
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_cls);

void BM_rectfill_canvas(benchmark::State& st) {
  setup();
  dx::setColor(5);
  for (auto _ : st) {
    dx::rectfill(0, 0, W - 1, H - 1);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_rectfill_canvas);

void BM_trifill_canvas_pair(benchmark::State& st) {
  setup();
  dx::setColor(5);
  for (auto _ : st) {
    dx::trifill(0, 0, W - 1, 0, W - 1, H - 1);
    dx::trifill(0, 0, W - 1, H - 1, 0, H - 1);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_trifill_canvas_pair);

void BM_trifill_1000_small(benchmark::State& st) {
  setup();
  dx::seedRandom(1);
  std::vector<int> v(6000);
  for (size_t i = 0; i < v.size(); i += 6) {
    const int x = int(dx::rnd(W)), y = int(dx::rnd(H));
    const int vals[6] = {x, y, x + 8, y + 1, x + 2, y + 9};
    std::copy(vals, vals + 6, v.begin() + long(i));
  }
  for (auto _ : st) {
    for (size_t i = 0; i < v.size(); i += 6) {
      dx::setColor(int(i) & 15);
      dx::trifill(v[i], v[i + 1], v[i + 2], v[i + 3], v[i + 4], v[i + 5]);
    }
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_trifill_1000_small);

void BM_present_conversion(benchmark::State& st) {
  setup();
  std::vector<uint8_t> out(W * H * 4);
  const dx::Palette p = dx::loadPaletteDefault();
  for (auto _ : st) {
    dx::convertCanvas(*dx::drawState().swCanvas, p, dx::drawState().paletteMapDisplay, out.data(), W * 4);
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_present_conversion);

}  // namespace

BENCHMARK_MAIN();
