#include "engine/payload.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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
