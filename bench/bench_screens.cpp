// One frame of the race screen — camera, track layers, cars, particles, gauges and, unless the
// second argument is 0, the status panel — around the user's car with a field of ethereal
// training cars all in view; and one frame of the editor.
#include <benchmark/benchmark.h>

#include "app/editor.h"
#include "app/race_screen.h"
#include "app/view_controls.h"
#include "screen_fixtures.h"

namespace {

void prepare(int field) {
  dx::screens::resetScreens(DX_SOURCE_DIR);
  dx::screens::loadArt(DX_SOURCE_DIR);
  dx::screens::raceScene(DX_SOURCE_DIR, dx::CityNight, field);
}

void BM_RaceFrame(benchmark::State& state) {
  prepare(int(state.range(0)));
  dx::viewState().panel = state.range(1) != 0;
  for (auto _ : state) {
    dx::sharedRecords().frame += 1;
    dx::gameDrawRace();
    benchmark::DoNotOptimize(dx::drawState().swCanvas->data.data());
  }
}
BENCHMARK(BM_RaceFrame)->Args({0, 1})->Args({100, 1})->Args({100, 0})->Unit(benchmark::kMillisecond);

void BM_EditorFrame(benchmark::State& state) {
  prepare(0);
  for (auto _ : state) {
    dx::sharedRecords().frame += 1;
    dx::gameDrawEdit();
    benchmark::DoNotOptimize(dx::drawState().swCanvas->data.data());
  }
}
BENCHMARK(BM_EditorFrame)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
