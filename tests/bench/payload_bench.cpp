// How fast the reader splits a setup executable: the shipped one is about 2 MB with 30 files, and
// a large payload (100 MB, 200 files) must not be slower per byte.
#include <benchmark/benchmark.h>

#include <string>

#include "engine/payload.h"

namespace {

void SplitSetup(benchmark::State& state) {
  const auto files = static_cast<std::size_t>(state.range(0));
  const auto file_bytes = static_cast<std::size_t>(state.range(1));
  std::string setup(300 * 1024, 'M');  // bytes that never form a marker
  setup += "s/Parcelon/ps/Parcelon/p";
  for (std::size_t k = 0; k < files; ++k) setup += "file" + std::to_string(k) + ".dat/";
  for (std::size_t k = 0; k < files; ++k) setup += "p/NewFile/p" + std::string(file_bytes, 'x');
  setup += "p/NewFile/p\r\n";
  for (auto _ : state) benchmark::DoNotOptimize(tgw::SplitContainer(setup));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * setup.size()));
}
BENCHMARK(SplitSetup)->Args({30, 60 * 1024})->Args({200, 512 * 1024});

}  // namespace
