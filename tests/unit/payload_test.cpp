#include "engine/payload.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "engine/integrity.h"
#include "engine/sha256.h"
#include "fakes/fake_runtime.h"
#include "fakes/memory_file_system.h"

namespace tgw {
namespace {

using ::testing::ElementsAre;

constexpr std::string_view kStart = "s/Parcelon/p";
constexpr std::string_view kFile = "p/NewFile/p";

std::string S(std::string_view a) { return std::string(a); }

std::vector<std::string> Strings(const std::vector<std::string_view>& views) {
  return {views.begin(), views.end()};
}

TEST(Split, FollowsTheSplittingRules) {
  EXPECT_TRUE(Split("", u"/").empty());
  EXPECT_THAT(Strings(Split("abc", u"/")), ElementsAre("abc"));
  EXPECT_THAT(Strings(Split("/a//b/", u"/")), ElementsAre("", "a", "", "b", ""));
  // Non-overlapping, left to right.
  EXPECT_THAT(Strings(Split("xaaay", u"aa")), ElementsAre("x", "ay"));
  // Bytes above 127 compare as themselves.
  EXPECT_THAT(Strings(Split("\xE9/\xFF", u"/")), ElementsAre("\xE9", "\xFF"));
}

TEST(SplitContainer, TakesTheBodyAfterTheLastStartMarker) {
  const std::string body =
      "a.txt/b\\c.bin/" + S(kFile) + "AAA" + S(kFile) + "BB" + S(kFile) + "\r\n";
  const std::string image = "MZ image bytes";
  for (const std::string& whole : {image + S(kStart) + body, image + S(kStart) + S(kStart) + body,
                                   S(kStart) + image + S(kStart) + S(kStart) + body}) {
    const Payload payload = SplitContainer(whole);
    EXPECT_THAT(Strings(payload.pieces), ElementsAre("a.txt/b\\c.bin/", "AAA", "BB", "\r\n"));
    EXPECT_THAT(Strings(payload.names), ElementsAre("a.txt", "b\\c.bin", ""));
    EXPECT_EQ(payload.FileCount(), 2u);
  }
}

TEST(SplitContainer, EdgeCases) {
  // No start marker: the whole file is the body and it holds no file.
  EXPECT_EQ(SplitContainer(std::string_view("MZ plain image")).FileCount(), 0u);
  // The marker in other letter case is no marker.
  const std::string lower = "s/parcelon/p" + S(kFile) + "x" + S(kFile);
  EXPECT_EQ(SplitContainer(lower).pieces.front(), "s/parcelon/p");
  // Empty input, and a file that ends on the start marker.
  EXPECT_TRUE(SplitContainer(std::string_view()).pieces.empty());
  const std::string ends_on = "MZ" + S(kStart);
  const Payload ends_on_marker = SplitContainer(ends_on);
  EXPECT_TRUE(ends_on_marker.pieces.empty());
  EXPECT_TRUE(ends_on_marker.names.empty());
  // Back-to-back file markers give an empty content.
  const std::string two_markers = S(kStart) + "e/" + S(kFile) + S(kFile) + "\r\n";
  const Payload empty = SplitContainer(two_markers);
  EXPECT_THAT(Strings(empty.pieces), ElementsAre("e/", "", "\r\n"));
  // Without the closing marker the last content is taken for the trailer.
  const std::string unclosed = S(kStart) + "a/b/" + S(kFile) + "A" + S(kFile) + "B\r\n";
  EXPECT_EQ(SplitContainer(unclosed).FileCount(), 1u);
  // A name list without the final "/" has no empty last name; the pairing holds.
  const std::string names_unclosed = S(kStart) + "a/b" + S(kFile) + "A" + S(kFile) + "B" + S(kFile);
  const Payload no_slash = SplitContainer(names_unclosed);
  EXPECT_THAT(Strings(no_slash.names), ElementsAre("a", "b"));
  EXPECT_EQ(no_slash.Name(2), "b");
  // A body that begins with the file marker has an empty name list.
  const std::string nameless = S(kStart) + S(kFile) + "A" + S(kFile) + "\r\n";
  const Payload no_names = SplitContainer(nameless);
  EXPECT_EQ(no_names.FileCount(), 1u);
  EXPECT_FALSE(no_names.HasName(1));
}

// A container as the packer writes it: image, start marker, integrity record, start marker, body.
std::string Sealed(std::string_view image, std::string_view body) {
  const IntegrityRecord record{body.size(), Sha256Of(body)};
  return S(image) + S(kStart) + FormatIntegrityRecord(record) + S(kStart) + S(body);
}

const std::string kImage = "MZ image bytes";
const std::string kBody =
    "a.txt/b\\c.bin/" + S(kFile) + "AAA" + S(kFile) + "BB" + S(kFile) + "\r\n";

void ExpectTheTwoFiles(const Payload& payload) {
  EXPECT_THAT(Strings(payload.pieces), ElementsAre("a.txt/b\\c.bin/", "AAA", "BB", "\r\n"));
  EXPECT_THAT(Strings(payload.names), ElementsAre("a.txt", "b\\c.bin", ""));
}

TEST(SplitContainer, ASealedContainerReadsIntact) {
  const std::string whole = Sealed(kImage, kBody);
  const Payload payload = SplitContainer(whole);
  EXPECT_EQ(payload.integrity, Integrity::kIntact);
  ExpectTheTwoFiles(payload);
}

TEST(SplitContainer, BytesAfterTheRecordedBodyAreIgnored) {
  for (const std::string& after :
       {std::string("\0\0signature", 11), S(kFile) + "x", S(kStart) + "z/"}) {
    const std::string whole = Sealed(kImage, kBody) + after;
    const Payload payload = SplitContainer(whole);
    EXPECT_EQ(payload.integrity, Integrity::kIntact);
    ExpectTheTwoFiles(payload);
  }
}

TEST(SplitContainer, ALegacyContainerWithoutARecordReadsUnchecked) {
  const std::string whole = kImage + S(kStart) + S(kStart) + kBody;
  const Payload payload = SplitContainer(whole);
  EXPECT_EQ(payload.integrity, Integrity::kUnchecked);
  ExpectTheTwoFiles(payload);
}

TEST(SplitContainer, EveryTruncationAfterTheFirstStartMarkerIsDamaged) {
  const std::string whole = Sealed(kImage, kBody);
  // From inside the record, between the markers, the name list, a content, the closing marker
  // and the trailer.
  for (std::size_t size = kImage.size() + kStart.size() + 1; size < whole.size(); ++size) {
    const Payload payload = SplitContainer(std::string_view(whole).substr(0, size));
    EXPECT_EQ(payload.integrity, Integrity::kDamaged) << size << " of " << whole.size();
    EXPECT_TRUE(payload.pieces.empty()) << size;
    EXPECT_TRUE(payload.names.empty()) << size;
  }
}

TEST(SplitContainer, OneFlippedByteInAnyRegionIsDamaged) {
  const std::string whole = Sealed(kImage, kBody);
  const std::size_t record = kImage.size() + kStart.size();
  const std::size_t body = whole.size() - kBody.size();
  const struct {
    const char* region;
    std::size_t at;
  } flips[] = {
      {"record's first word", record},
      {"record's first word", record + 4},
      {"record length digit", record + kRecordPrefix.size() + 19},
      {"record digest digit", record + kRecordSize - 3},
      {"second start marker", record + kRecordSize + 5},
      {"name list", body + 2},
      {"content", whole.find("BB") + 1},
      {"closing marker", whole.size() - 5},
      {"trailer", whole.size() - 1},
  };
  for (const auto& flip : flips) {
    std::string damaged = whole;
    damaged[flip.at] = static_cast<char>(damaged[flip.at] ^ 0x01);
    const Payload payload = SplitContainer(damaged);
    EXPECT_EQ(payload.integrity, Integrity::kDamaged) << flip.region;
    EXPECT_TRUE(payload.pieces.empty()) << flip.region;
  }
}

TEST(SplitContainer, ANameListOfSeparatorsGivesNoMoreNamesThanFiles) {
  const std::string body = std::string(5000, '/') + S(kFile) + "A" + S(kFile) + "\r\n";
  for (const std::string& whole : {kImage + S(kStart) + S(kStart) + body, Sealed(kImage, body)}) {
    const Payload payload = SplitContainer(whole);
    ASSERT_EQ(payload.FileCount(), 1u);
    ASSERT_EQ(payload.names.size(), 2u);
    EXPECT_EQ(payload.Name(1), "");
    EXPECT_EQ(payload.names.back().size(), 4999u);
  }
}

TEST(ReadPayload, ReadsTheRunningProgramsOwnFile) {
  fakes::MemoryFileSystem files;
  fakes::FakeRuntime runtime;
  runtime.program_file = L"D:\\dist\\setup (2).tmp";
  files.PutFile(L"D:\\dist\\setup (2).tmp",
                "MZ" + S(kStart) + "a/" + S(kFile) + "A" + S(kFile) + "\r\n");
  files.PutFile(L"D:\\dist\\setup (2).exe", "MZ" + S(kStart) + "other/" + S(kFile) + S(kFile));
  Payload payload = ReadPayload(files, runtime);
  ASSERT_EQ(payload.FileCount(), 1u);
  EXPECT_EQ(payload.Name(1), "a");
  EXPECT_EQ(payload.Content(1), "A");

  const Payload moved = std::move(payload);
  EXPECT_EQ(moved.Content(1), "A");  // the views survive a move

  runtime.program_file = L"D:\\dist\\missing.exe";
  EXPECT_EQ(ReadPayload(files, runtime).FileCount(), 0u);
}

}  // namespace
}  // namespace tgw
