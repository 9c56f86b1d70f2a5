#include "packer/manifest.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/markers.h"
#include "engine/names.h"
#include "packer/failure.h"
#include "packer/marker_guard.h"

namespace tgw::pack {
namespace {

TEST(NameProblem, AcceptsPlainRelativeWindowsNames) {
  for (const char* name : {"Tagwright.exe", "languages\\english\\about.lng", "a b\\c-d_e (2).txt",
                           ".hidden", "config.sys.bak", " leading space"}) {
    EXPECT_EQ(NameProblem(name), "") << name;
  }
}

// The packer's own refusals first, then the setup's name rule (tested with the engine) for the
// default install folder.
TEST(NameProblem, RefusesWhatTheContainerOrWindowsCannotHold) {
  const std::string start = MarkerBytes(kStartMarker);
  const std::string file = MarkerBytes(kFileMarker);
  const struct {
    std::string name;
    std::string says;
  } cases[] = {
      {"x" + start, "holds the container's start marker"},
      {file + ".txt", "holds the container's file marker"},
      {"caf\xC3\xA9.txt", "holds the byte 0xC3, outside printable ASCII"},
      {"a\tb", "holds the byte 0x09, outside printable ASCII"},
      {"a\x7F", "holds the byte 0x7F, outside printable ASCII"},
      {"", std::string(DescribeNameFault(NameFault::kEmpty))},
      {"a/b.txt", std::string(DescribeNameFault(NameFault::kReservedCharacter))},
      {"a\\AUX.txt\\b", std::string(DescribeNameFault(NameFault::kDeviceName))},
      {std::string(232, 'a'), ""},
      {std::string(233, 'a'), std::string(DescribeNameFault(NameFault::kPathTooLong))},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NameProblem(c.name), c.says) << "'" << c.name << "'";
  }
}

TEST(ParseManifest, ToleratesCrLfAndLfAndSkipsBlankLines) {
  const auto entries = ParseManifest("a.txt\r\n\r\nb\\c.txt\n\n \t\r\nd", "m.txt");
  ASSERT_EQ(entries.size(), 3U);
  EXPECT_EQ(entries[0].name, "a.txt");
  EXPECT_EQ(entries[1].name, "b\\c.txt");
  EXPECT_EQ(entries[1].line, 3U);
  EXPECT_EQ(entries[2].name, "d");
  EXPECT_EQ(entries[2].line, 6U);
}

// The message of the refusal of `text`.
std::string Refusal(const std::string& text) {
  try {
    ParseManifest(text, "m.txt");
  } catch (const Failure& failure) {
    return failure.what();
  }
  return "(accepted)";
}

TEST(ParseManifest, RefusalsNameTheLineAndTheOtherLine) {
  EXPECT_EQ(Refusal("ok.txt\nbad/name\n"),
            "m.txt:2: 'bad/name' " + std::string(DescribeNameFault(NameFault::kReservedCharacter)));
  const std::string twice = Refusal("Docs\\AZ.txt\nb\r\ndocs\\az.TXT\n");
  EXPECT_NE(twice.find("m.txt:3: 'docs\\az.TXT'"), std::string::npos) << twice;
  EXPECT_NE(twice.find("line 1"), std::string::npos) << twice;
  const std::string clash = Refusal("x\\y.txt\nX\n");
  EXPECT_NE(clash.find("m.txt:2: 'X'"), std::string::npos) << clash;
  EXPECT_NE(clash.find("line 1"), std::string::npos) << clash;
  EXPECT_NE(Refusal("\n\r\n").find("lists no files"), std::string::npos);
  EXPECT_NE(Refusal("\xEF\xBB\xBF"
                    "a.txt")
                .find("byte order mark"),
            std::string::npos);
}

}  // namespace
}  // namespace tgw::pack
