#include "engine/integrity.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

namespace tgw {
namespace {

const std::string kZeros(64, '0');
const std::string kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

// A record line with the given length digits and digest digits.
std::string Line(const std::string& length, const std::string& digest,
                 const std::string& end = "\r\n") {
  return "tgw-body " + length + " sha256 " + digest + end;
}

TEST(IntegrityRecord, FormatsAndReadsBack) {
  const struct {
    std::uint64_t length;
    std::string digest_of;
    std::string line;
  } rows[] = {
      {0, "", Line(std::string(20, '0'), ToHex(Sha256Of("")))},
      {3, "abc", Line("00000000000000000003", kAbc)},
      {UINT64_MAX, "abc", Line("18446744073709551615", kAbc)},
  };
  for (const auto& row : rows) {
    const IntegrityRecord record{row.length, Sha256Of(row.digest_of)};
    const std::string line = FormatIntegrityRecord(record);
    EXPECT_EQ(line, row.line);
    EXPECT_EQ(line.size(), kRecordSize);
    // What follows the record (the second start marker) is not read.
    for (const std::string& input : {line, line + "s/Parcelon/p..."}) {
      const auto read = ParseIntegrityRecord(input);
      ASSERT_TRUE(read) << input;
      EXPECT_EQ(read->body_length, row.length);
      EXPECT_EQ(read->digest, record.digest);
    }
  }
}

TEST(IntegrityRecord, RefusesMalformedLines) {
  const std::string good_length = "00000000000000000003";
  const std::string upper = "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
  for (const std::string& bad : {
           std::string(),
           Line(good_length, kAbc).substr(0, kRecordSize - 1),  // one byte short
           Line(good_length, kAbc, "\n"),
           Line(good_length, kAbc, "\n\r"),
           Line(good_length, kAbc, " \r"),
           "TGW-body " + Line(good_length, kAbc).substr(9),
           "tgw-body:" + Line(good_length, kAbc).substr(9),
           Line("0000000000000000000x", kAbc),
           Line(" 0000000000000000003", kAbc),
           Line("+0000000000000000003", kAbc),
           Line("18446744073709551616", kAbc),  // one more than the largest length
           Line("99999999999999999999", kAbc),
           Line("0000000000000000003", kAbc + "0"),  // 19 digits
           Line(good_length, upper),
           Line(good_length, kZeros.substr(1) + "g"),
           Line(good_length, kZeros.substr(1) + " "),
           "tgw-body " + good_length + " sha-256" + kAbc + "\r\n",
           "tgw-body " + good_length + " SHA256 " + kAbc + "\r\n",
           std::string(kRecordSize, '\0'),
       }) {
    EXPECT_FALSE(ParseIntegrityRecord(bad)) << "'" << bad << "'";
  }
}

}  // namespace
}  // namespace tgw
