// How fast the reader splits a payload on its file markers (tgw::Split), against the C library's
// search over the same bytes in the same run: glibc's memmem natively; under Wine or Windows,
// whose C library has no memmem, memchr for the marker's first byte, then memcmp. Text-like and
// random payloads of 64 MiB in 16 files; the best of 25 runs of each. Built natively and for
// Windows (stream.sh runs both). Prints "text-like READER_MS REFERENCE_MS" and "random ...".
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>

#include "engine/markers.h"
#include "engine/payload.h"

constexpr std::size_t kBytes = std::size_t{64} << 20, kFiles = 16;
constexpr std::string_view kMarker = "p/NewFile/p";

#ifdef _WIN32
const void* Search(const void* haystack, std::size_t size, const void* needle, std::size_t length) {
  const char* at = static_cast<const char*>(haystack);
  const char* const end = at + size;
  for (; static_cast<std::size_t>(end - at) >= length; ++at) {
    at = static_cast<const char*>(std::memchr(at, *static_cast<const char*>(needle),
                                              static_cast<std::size_t>(end - at) - length + 1));
    if (at == nullptr || std::memcmp(at, needle, length) == 0) return at;
  }
  return nullptr;
}
#else
constexpr auto* Search = &::memmem;
#endif

// HTML-like text, full of the markers' letters ('p', 's', '/'), as the product's pages, scripts
// and language files are; or bytes of any value, as compressed or binary files are.
std::string Payload(bool text) {
  // clang-format off
  static constexpr std::string_view kWords[] = {"<p>", "</p>",
      "<a href=\"http://www.example.com/news/page.htm\">", "</a>", "<span>", "</span>", "style",
      "script", "parse", "section", "spell", "people", "paper", "simple", "upon", "sleep", "speed",
      "split", "process", "options", "the", "of", "and", "to", "in", "is", "for", "editor",
      "Tagwright", "files", "<br/>", "\r\n", "  ", "/* ", " */", "// "};
  // clang-format on
  std::mt19937_64 random(text ? 1 : 2);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
  std::string bytes;
  while (text && bytes.size() < kBytes) bytes.append(kWords[pick(random)]) += ' ';
  while (bytes.size() < kBytes) {
    const std::uint64_t word = random();
    bytes.append(reinterpret_cast<const char*>(&word), sizeof word);
  }
  bytes.resize(kBytes);
  // As a container's body: the files joined by the file marker.
  std::string body;
  for (std::size_t k = 0; k < kFiles; ++k) {
    body.append(kMarker).append(bytes, k * (kBytes / kFiles), kBytes / kFiles);
  }
  return body.append(kMarker).append("\r\n");
}

// The pieces of `body` split on the file marker with the C library's search.
std::size_t SplitWithSearch(std::string_view body) {
  for (std::size_t pieces = 1;; ++pieces) {
    const void* const hit = Search(body.data(), body.size(), kMarker.data(), kMarker.size());
    if (hit == nullptr) return pieces;
    body.remove_prefix(static_cast<std::size_t>(static_cast<const char*>(hit) - body.data()) +
                       kMarker.size());
  }
}

// The best of 25 runs of `split`, in milliseconds; each must give the body's 18 pieces.
template <typename Split>
double Best(Split split) {
  double best = 1e12;
  for (int run = 0; run < 25; ++run) {
    const auto start = std::chrono::steady_clock::now();
    if (split() != kFiles + 2) throw std::runtime_error("wrong split");
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

int main() {
  for (const bool text : {true, false}) {
    const std::string body = Payload(text);
    const double reader = Best([&] { return tgw::Split(body, tgw::kFileMarker).size(); });
    const double reference = Best([&] { return SplitWithSearch(body); });
    std::printf("%s %.2f %.2f\n", text ? "text-like" : "random", reader, reference);
  }
  return 0;
}
