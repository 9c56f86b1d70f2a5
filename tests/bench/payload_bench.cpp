// How fast the reader splits a setup executable: the shipped one is about 2 MB with
// 30 files, and a large payload must not be slower per byte.
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "engine/payload.h"

namespace {

std::string MakeSetup(std::size_t image_bytes, std::size_t files, std::size_t file_bytes) {
  std::mt19937 random(7);
  std::uniform_int_distribution<int> byte('A', 'z');  // never forms a marker
  std::string setup;
  for (std::size_t i = 0; i < image_bytes; ++i) setup += static_cast<char>(byte(random));
  setup += "s/Parcelon/ps/Parcelon/p";
  for (std::size_t k = 0; k < files; ++k) setup += "file" + std::to_string(k) + ".dat/";
  for (std::size_t k = 0; k < files; ++k) {
    setup += "p/NewFile/p";
    for (std::size_t i = 0; i < file_bytes; ++i) setup += static_cast<char>(byte(random));
  }
  return setup + "p/NewFile/p\r\n";
}

void SplitShippedSizeSetup(benchmark::State& state) {
  const std::string setup = MakeSetup(300 * 1024, 30, 60 * 1024);
  for (auto _ : state) benchmark::DoNotOptimize(tgw::SplitContainer(setup));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * setup.size()));
}
BENCHMARK(SplitShippedSizeSetup);

void SplitLargeSetup(benchmark::State& state) {
  const std::string setup = MakeSetup(1024 * 1024, 200, 512 * 1024);
  for (auto _ : state) benchmark::DoNotOptimize(tgw::SplitContainer(setup));
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * setup.size()));
}
BENCHMARK(SplitLargeSetup);

}  // namespace
