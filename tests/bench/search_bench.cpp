// How fast the reader finds the file markers in a payload, against glibc's memmem over the same
// bytes in the same run: text-like and random payloads of 64 MiB in 16 files.
#include <benchmark/benchmark.h>
#include <string.h>

#include <string>

#include "bench_data.h"
#include "engine/markers.h"
#include "engine/payload.h"

namespace {

constexpr std::size_t kBytes = std::size_t{64} << 20;
constexpr std::size_t kFiles = 16;

const std::string& TextBody() {
  static const std::string body = tgw::bench::Body(tgw::bench::TextBytes(kBytes, 1), kFiles);
  return body;
}

const std::string& RandomBody() {
  static const std::string body = tgw::bench::Body(tgw::bench::RandomBytes(kBytes, 2), kFiles);
  return body;
}

void Reader(benchmark::State& state, const std::string& (*body)()) {
  const std::string& bytes = body();
  for (auto _ : state) {
    const auto pieces = tgw::Split(bytes, tgw::kFileMarker);
    if (pieces.size() != kFiles + 2) state.SkipWithError("wrong split");
    benchmark::DoNotOptimize(pieces.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

void Memmem(benchmark::State& state, const std::string& (*body)()) {
  const std::string& bytes = body();
  for (auto _ : state) {
    const std::size_t pieces = tgw::bench::SplitWith(bytes, ::memmem);
    if (pieces != kFiles + 2) state.SkipWithError("wrong split");
    benchmark::DoNotOptimize(pieces);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

BENCHMARK_CAPTURE(Reader, text, TextBody)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Memmem, text, TextBody)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Reader, random, RandomBody)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Memmem, random, RandomBody)->Unit(benchmark::kMillisecond);

}  // namespace
