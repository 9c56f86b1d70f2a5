// How fast the reader splits a setup executable: the shipped one is about 2 MB with 30 files, and
// a large payload (100 MB, 200 files) must not be slower per byte.
#include <benchmark/benchmark.h>

#include "engine/payload.h"

void SplitSetup(benchmark::State& state) {
  std::string setup = std::string(300 * 1024, 'M') + "s/Parcelon/ps/Parcelon/p";  // no marker in M
  for (std::int64_t k = 0; k < state.range(0); ++k) setup += "file" + std::to_string(k) + ".dat/";
  for (std::int64_t k = 0; k < state.range(0); ++k) {
    setup += "p/NewFile/p" + std::string(static_cast<std::size_t>(state.range(1)), 'x');
  }
  setup += "p/NewFile/p\r\n";
  for (auto _ : state) benchmark::DoNotOptimize(tgw::SplitContainer(setup));
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(setup.size()));
}
BENCHMARK(SplitSetup)->Args({30, 60 * 1024})->Args({200, 512 * 1024});
