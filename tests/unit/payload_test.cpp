// The container a setup carries: SHA-256, the integrity record, and the reader.
#include "engine/payload.h"

#include <gtest/gtest.h>

#include "engine/integrity.h"
#include "engine/sha256.h"

namespace tgw {
namespace {

const std::string kStart = "s/Parcelon/p", kFile = "p/NewFile/p", kImage = "MZ image bytes";
const std::string kBody = "a.txt/b\\c.bin/" + kFile + "AAA" + kFile + "BB" + kFile + "\r\n";
const std::string kTwoFiles = "a.txt/b\\c.bin/|AAA|BB|\r\n|:a.txt,b\\c.bin,,";

std::string Join(const std::vector<std::string_view>& parts, char separator) {
  std::string joined;
  for (const std::string_view part : parts) joined.append(part) += separator;
  return joined;
}

// The payload on one line: U(nchecked), I(ntact) or D(amaged), its pieces, its names.
std::string Shown(const Payload& payload) {
  return "UID"[static_cast<int>(payload.integrity)] +
         (":" + Join(payload.pieces, '|') + ":" + Join(payload.names, ','));
}

// A container as the packer writes it: image, start marker, integrity record, start marker, body.
std::string Sealed(const std::string& body) {
  return kImage + kStart + FormatIntegrityRecord({body.size(), Sha256Of(body)}) + kStart + body;
}

// FIPS 180-4's examples and the lengths around the padding's block ends, whole and given to the
// hash in pieces of 1, 2, 3, ... bytes.
TEST(Sha256, ExampleVectorsWholeAndInPieces) {
  const std::pair<std::string, const char*> rows[] = {
      {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
      {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
      {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
       "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
      {std::string(1000000, 'a'),
       "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
      {std::string(55, 'a'), "9f4390f8d30c2dd92ec9f095b65e2b9ae9b0a925a5258e241c9f1e910f734318"},
      {std::string(63, 'a'), "7d3e74a05d7db15bce4ad9ec0658ea98e3f06eeecf16b4c6fff2da457ddc2f34"},
      {std::string(64, 'a'), "ffe054fe7ae0cb6dc65c3af9b61d5209f439851db43d0ba5997337df154668eb"},
      {std::string(119, 'a'), "31eba51c313a5c08226adf18d4a359cfdfd8d2e816b13f4af952f7ea6584dcfb"},
  };
  for (const auto& [message, digest] : rows) {
    EXPECT_EQ(ToHex(Sha256Of(message)), digest) << message.size() << " bytes";
    Sha256 hash;
    for (std::size_t at = 0, piece = 1; at < message.size(); at += piece++ % 97) {
      hash.Update(std::string_view(message).substr(at, piece % 97));
    }
    EXPECT_EQ(ToHex(hash.Finish()), digest) << message.size() << " bytes in pieces";
  }
}

std::string Record(const std::string& length, const std::string& digest, const char* end = "\r\n") {
  return "tgw-body " + length + " sha256 " + digest + end;
}
const std::string kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const std::string kThree = "00000000000000000003";

TEST(IntegrityRecord, FormatsAndReadsBack) {
  const std::tuple<std::uint64_t, std::string, std::string> rows[] = {
      {0, "", Record(std::string(20, '0'), ToHex(Sha256Of("")))},
      {3, "abc", Record(kThree, kAbc)},
      {UINT64_MAX, "abc", Record("18446744073709551615", kAbc)},
  };
  for (const auto& [length, digest_of, line] : rows) {
    EXPECT_EQ(FormatIntegrityRecord({length, Sha256Of(digest_of)}), line);
    const auto read = ParseIntegrityRecord(line + kStart);  // what follows is not read
    ASSERT_TRUE(read) << line;
    EXPECT_EQ(read->body_length, length);
    EXPECT_EQ(read->digest, Sha256Of(digest_of));
  }
}

TEST(IntegrityRecord, RefusesMalformedLines) {
  const std::string upper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
  const std::string zeros(63, '0'), good = Record(kThree, kAbc);
  for (const std::string& bad :
       {std::string(), good.substr(0, kRecordSize - 1), Record(kThree, kAbc, "\n"),
        Record(kThree, kAbc, "\n\r"), Record(kThree, kAbc, " \r"), "TGW-body " + good.substr(9),
        "tgw-body:" + good.substr(9), Record("0000000000000000000x", kAbc),
        Record(" 0000000000000000003", kAbc), Record("+0000000000000000003", kAbc),
        Record("18446744073709551616", kAbc), Record("99999999999999999999", kAbc),
        Record("0000000000000000003", kAbc + "0"), Record(kThree, upper),
        Record(kThree, zeros + "g"), Record(kThree, zeros + " "),
        "tgw-body " + kThree + " SHA256 " + kAbc + "\r\n", std::string(kRecordSize, '\0')}) {
    EXPECT_FALSE(ParseIntegrityRecord(bad)) << ::testing::PrintToString(bad);
  }
}

TEST(Split, SplitsAtEveryMarkerLeftToRightIntoAtMostSoMany) {
  const std::tuple<std::string, std::u16string, std::size_t, std::string> rows[] = {
      {"", u"/", SIZE_MAX, ""},
      {"a/b", u"/", 0, ""},
      {"abc", u"/", SIZE_MAX, "abc|"},
      {"/a//b/", u"/", SIZE_MAX, "|a||b||"},
      {"xaaay", u"aa", SIZE_MAX, "x|ay|"},
      {"\xE9/\xFF", u"/", SIZE_MAX, "\xE9|\xFF|"},
      {"a/b/c", u"/", 2, "a|b/c|"},
  };
  for (const auto& [data, separator, most, pieces] : rows) {
    EXPECT_EQ(Join(Split(data, separator, most), '|'), pieces) << ::testing::PrintToString(data);
  }
}

// Read after the last start marker, or checked against the integrity record when there is one.
TEST(SplitContainer, ReadsEachKindOfContainer) {
  const std::string slashes = std::string(50, '/') + kFile + "A" + kFile + "\r\n";
  const std::string fifty = std::string(50, '/') + "|A|\r\n|:," + std::string(49, '/') + ",";
  const std::pair<std::string, std::string> rows[] = {
      {kImage + kStart + kBody, "U:" + kTwoFiles},
      {kImage + kStart + kStart + kBody, "U:" + kTwoFiles},
      {kStart + kImage + kStart + kStart + kBody, "U:" + kTwoFiles},
      {"MZ plain image", "U:MZ plain image|:MZ plain image,"},
      {"s/parcelon/p" + kFile + "x" + kFile, "U:s/parcelon/p|x||:s,parcelon/p,"},  // no marker
      {"", "U::"},
      {"MZ" + kStart, "U::"},
      {kStart + "e/" + kFile + kFile + "\r\n", "U:e/||\r\n|:e,,"},
      {kStart + "a/b/" + kFile + "A" + kFile + "B\r\n", "U:a/b/|A|B\r\n|:a,b/,"},  // not closed
      {kStart + "a/b" + kFile + "A" + kFile + "B" + kFile, "U:a/b|A|B||:a,b,"},
      {kStart + kFile + "A" + kFile + "\r\n", "U:|A|\r\n|:"},  // no names
      {kStart + kStart + slashes, "U:" + fifty},
      {Sealed(slashes), "I:" + fifty},
      {Sealed(kBody), "I:" + kTwoFiles},
      // What follows the recorded body (a signature) is not read.
      {Sealed(kBody) + std::string("\0\0signature", 11), "I:" + kTwoFiles},
      {Sealed(kBody) + kFile + "x", "I:" + kTwoFiles},
      {Sealed(kBody) + kStart + "z/", "I:" + kTwoFiles},
  };
  for (const auto& [whole, shown] : rows)
    EXPECT_EQ(Shown(SplitContainer(whole)), shown) << ::testing::PrintToString(whole);
}

TEST(SplitContainer, EveryCutOrFlippedByteAfterTheFirstStartMarkerIsDamage) {
  const std::string whole = Sealed(kBody);
  for (std::size_t at = kImage.size() + kStart.size(); at < whole.size(); ++at) {
    std::string flipped = whole;
    flipped[at] = static_cast<char>(flipped[at] ^ 0x01);
    EXPECT_EQ(Shown(SplitContainer(flipped)), "D::") << "flipped at " << at;
    EXPECT_EQ(Shown(SplitContainer(std::string_view(whole).substr(0, at + 1))),
              at + 1 < whole.size() ? "D::" : "I:" + kTwoFiles)
        << "cut after " << at;
  }
}

}  // namespace
}  // namespace tgw
