#pragma once

// Payloads for the reader's benchmarks, natively (search_bench.cpp) and under Wine
// (search_bench_win.cpp): the same bytes on both sides.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace tgw::bench {

inline constexpr std::string_view kFileMarkerBytes = "p/NewFile/p";

// Bytes of any value, evenly spread: what compressed or binary files look like.
inline std::string RandomBytes(std::size_t size, std::uint64_t seed) {
  std::mt19937_64 random(seed);
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; i += 8) {
    const std::uint64_t word = random();
    std::memcpy(bytes.data() + i, &word, std::min<std::size_t>(8, size - i));
  }
  return bytes;
}

// HTML-like text, full of the markers' letters ('p', 's', '/'): what the product's pages,
// scripts and language files look like.
inline std::string TextBytes(std::size_t size, std::uint64_t seed) {
  static constexpr std::string_view kWords[] = {
      "<p>",     "</p>",      "<a href=\"http://www.example.com/news/page.htm\">",
      "</a>",    "<span>",    "</span>",
      "style",   "script",    "parse",
      "section", "spell",     "people",
      "paper",   "simple",    "upon",
      "sleep",   "speed",     "split",
      "process", "options",   "the",
      "of",      "and",       "to",
      "in",      "is",        "for",
      "editor",  "Tagwright", "files",
      "<br/>",   "\r\n",      "  ",
      "/* ",     " */",       "// ",
  };
  std::mt19937_64 random(seed);
  std::uniform_int_distribution<std::size_t> pick(0, std::size(kWords) - 1);
  std::string text;
  text.reserve(size + 64);
  while (text.size() < size) {
    text.append(kWords[pick(random)]);
    text += ' ';
  }
  text.resize(size);
  return text;
}

// A container body as the reader splits it: `files` pieces of `data` joined by the file marker.
inline std::string Body(const std::string& data, std::size_t files) {
  std::string body;
  const std::size_t each = data.size() / files;
  for (std::size_t k = 0; k < files; ++k) {
    body.append(kFileMarkerBytes);
    body.append(data, k * each, each);
  }
  return body.append(kFileMarkerBytes).append("\r\n");
}

// The reference: the body split on the file marker with memmem, as a C library offers it (`find`
// is memmem, or an equivalent where the library has none). Gives the pieces' count.
template <typename Find>
std::size_t SplitWith(std::string_view body, Find find) {
  std::size_t pieces = 0;
  const char* at = body.data();
  const char* const end = body.data() + body.size();
  for (;;) {
    ++pieces;
    const void* hit = find(at, static_cast<std::size_t>(end - at), kFileMarkerBytes.data(),
                           kFileMarkerBytes.size());
    if (hit == nullptr) return pieces;
    at = static_cast<const char*>(hit) + kFileMarkerBytes.size();
  }
}

}  // namespace tgw::bench
