#include "engine/sha256.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

namespace tgw {
namespace {

// The digest of `bytes` given to the hash in pieces of 1, 2, 3, ... bytes, then the rest.
std::string HexInPieces(std::string_view bytes) {
  Sha256 hash;
  for (std::size_t piece = 1; !bytes.empty(); ++piece) {
    const std::size_t take = std::min(piece % 97, bytes.size());
    hash.Update(bytes.substr(0, take));
    bytes.remove_prefix(take);
  }
  return ToHex(hash.Finish());
}

TEST(Sha256, ExampleVectors) {
  const struct {
    std::string message;
    const char* digest;
  } vectors[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {"abcdefghbcdefghicdefghijdefghijkefghijklfghijklmghijklmnhijklmnoijklmnopjklmnopqklmnopqrlm"
       "nopqrsmnopqrstnopqrstu",
       "cf5b16a778af8380036ce59e7b0492370b249b11e8f07a51afac45037afee9d1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
  };
  for (const auto& v : vectors) {
    EXPECT_EQ(ToHex(Sha256Of(v.message)), v.digest) << v.message.size() << " bytes";
    EXPECT_EQ(HexInPieces(v.message), v.digest) << v.message.size() << " bytes in pieces";
  }
}

// The first words of the lines `command` prints.
std::vector<std::string> FirstWordsOf(const std::string& command) {
  std::vector<std::string> words;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return words;
  std::array<char, 128> line{};
  while (std::fgets(line.data(), line.size(), pipe) != nullptr) {
    const std::string text = line.data();
    words.push_back(text.substr(0, text.find(' ')));
  }
  if (::pclose(pipe) != 0) words.clear();
  return words;
}

// Some megabytes, and every length around the padding's block ends (55, 56, 63, 64, 119, ...).
TEST(Sha256, AgreesWithTheSystemsSha256sum) {
  std::string bytes(3 * 1024 * 1024 + 77, '\0');
  std::uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245U + 12345U;
    c = static_cast<char>(state >> 23);
  }
  std::string path = ::testing::TempDir() + "tgw-sha256-XXXXXX";
  const int fd = ::mkstemp(path.data());
  ASSERT_GE(fd, 0);
  ::close(fd);
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));

  constexpr std::size_t kShort = 140;
  const std::vector<std::string> expected =
      FirstWordsOf("f='" + path + "'; for n in $(seq 0 " + std::to_string(kShort - 1) +
                   "); do head -c $n \"$f\" | sha256sum; done; sha256sum \"$f\"");
  ::unlink(path.c_str());
  ASSERT_EQ(expected.size(), kShort + 1);
  for (std::size_t n = 0; n < kShort; ++n) {
    EXPECT_EQ(ToHex(Sha256Of(std::string_view(bytes).substr(0, n))), expected[n]) << n;
  }
  EXPECT_EQ(ToHex(Sha256Of(bytes)), expected.back());
  EXPECT_EQ(HexInPieces(bytes), expected.back());
}

}  // namespace
}  // namespace tgw
