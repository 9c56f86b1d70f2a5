// How fast the reader finds the file markers under Wine (or Windows), against memmem over the same
// bytes in the same run. The Windows C library has no memmem: the reference is memmem as a C
// library without a special algorithm has it, memchr for the marker's first byte, then memcmp,
// both from the program's own C library.
//
//   search_bench.exe   prints "text READER_S MEMMEM_S" and "random READER_S MEMMEM_S": the best
//                      of 7 runs of each, in seconds, over 64 MiB in 16 files
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "bench_data.h"
#include "engine/markers.h"
#include "engine/payload.h"

namespace {

constexpr std::size_t kBytes = std::size_t{64} << 20;
constexpr std::size_t kFiles = 16;
constexpr int kRuns = 7;

const void* PlainMemmem(const void* haystack, std::size_t size, const void* needle,
                        std::size_t length) {
  const auto* at = static_cast<const char*>(haystack);
  const char* const last = at + size - length;  // the last place a match can start
  if (length == 0 || size < length) return nullptr;
  const char first = *static_cast<const char*>(needle);
  while (at <= last) {
    at = static_cast<const char*>(std::memchr(at, first, static_cast<std::size_t>(last - at) + 1));
    if (at == nullptr) return nullptr;
    if (std::memcmp(at, needle, length) == 0) return at;
    ++at;
  }
  return nullptr;
}

template <typename Run>
double Best(Run run) {
  double best = 1e9;
  for (int i = 0; i < kRuns; ++i) {
    const auto start = std::chrono::steady_clock::now();
    if (run() != kFiles + 2) {
      std::fprintf(stderr, "wrong split\n");
      std::exit(1);
    }
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

void Measure(const char* what, const std::string& body) {
  const double reader = Best([&] { return tgw::Split(body, tgw::kFileMarker).size(); });
  const double reference = Best([&] { return tgw::bench::SplitWith(body, PlainMemmem); });
  std::printf("%s %.6f %.6f\n", what, reader, reference);
}

}  // namespace

int main() {
  Measure("text", tgw::bench::Body(tgw::bench::TextBytes(kBytes, 1), kFiles));
  Measure("random", tgw::bench::Body(tgw::bench::RandomBytes(kBytes, 2), kFiles));
  return 0;
}
