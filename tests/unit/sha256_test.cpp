#include "engine/sha256.h"

#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <fstream>
#include <string>

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

// The first word of what `command` prints.
std::string FirstWordOf(const std::string& command) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return "(popen failed)";
  std::array<char, 128> line{};
  const bool got = std::fgets(line.data(), line.size(), pipe) != nullptr;
  const int status = ::pclose(pipe);
  if (!got || status != 0) return "(" + command + " failed)";
  const std::string text = line.data();
  return text.substr(0, text.find(' '));
}

TEST(Sha256, AgreesWithTheSystemsSha256sumOnSomeMegabytes) {
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

  const std::string expected = FirstWordOf("sha256sum '" + path + "'");
  ::unlink(path.c_str());
  ASSERT_EQ(expected.size(), 64U) << expected;
  EXPECT_EQ(ToHex(Sha256Of(bytes)), expected);
  EXPECT_EQ(HexInPieces(bytes), expected);
}

}  // namespace
}  // namespace tgw
