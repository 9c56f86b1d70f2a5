#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "engine/integrity.h"
#include "engine/markers.h"
#include "engine/sha256.h"
#include "packer/failure.h"
#include "packer/marker_guard.h"
#include "packer_fixture.h"

namespace tgw::pack {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

const Files kFiles = {{"readme.txt", "Read me first.\r\n"},
                      {"languages\\english\\about.lng", std::string(1234, 'a')},
                      {"templates\\empty.htm", ""}};

const std::string kStart = MarkerBytes(kStartMarker);

// The setup as an older packer wrote it: the start marker twice, no integrity record.
std::string WithoutRecord(const std::string& setup) {
  const std::size_t record = setup.find(kStart) + kStart.size();
  return setup.substr(0, record) + setup.substr(record + kRecordSize);
}

// What ListSetup prints, or the message of its refusal.
std::string Listed(const std::string& setup) {
  std::ostringstream out;
  try {
    ListSetup(setup, out);
  } catch (const Failure& failure) {
    return failure.what();
  }
  return out.str();
}

TEST_F(PackerTest, ListPrintsSizesNamesTotalAndTheIntegrityRecord) {
  Pack(Prepare(kFiles));
  const std::string setup = Read("out/setup.exe");
  const std::string body = setup.substr(setup.rfind(kStart) + kStart.size());
  const std::string files =
      "     16  readme.txt\n"
      "   1234  languages\\english\\about.lng\n"
      "      0  templates\\empty.htm\n"
      "   1250  total in 3 files\n";
  const std::string record = "integrity record: the body's " + std::to_string(body.size()) +
                             " bytes match SHA-256 " + ToHex(Sha256Of(body));
  EXPECT_EQ(Listed(Path("out/setup.exe")), files + record + "\n");

  Write("out/setup.exe", setup + "signature");
  EXPECT_EQ(Listed(Path("out/setup.exe")),
            files + record + "; the 9 bytes after it (such as a signature) are ignored\n");

  Write("out/setup.exe", WithoutRecord(setup));
  EXPECT_EQ(Listed(Path("out/setup.exe")),
            files + "no integrity record (an older setup): its body is read unchecked\n");

  EXPECT_EQ(Listed(Path("image.bin")),
            Path("image.bin") + ": holds no container (no start marker)");
}

TEST_F(PackerTest, ListRefusesADamagedSetup) {
  Pack(Prepare(kFiles));
  std::string setup = Read("out/setup.exe");
  Write("out/setup.exe", setup.substr(0, setup.size() - 1));
  EXPECT_THAT(Listed(Path("out/setup.exe")), HasSubstr(": DAMAGED: its body is cut short: "));
  setup[setup.find("Read me")] = 'r';
  Write("out/setup.exe", setup);
  EXPECT_THAT(Listed(Path("out/setup.exe")),
              HasSubstr(": DAMAGED: its body differs from its integrity record"));
}

// Verifies out/setup.exe against the manifest; the report when it fails, "OK" when it passes.
std::string Verified(const PackerTest& test) {
  std::ostringstream out;
  const bool ok =
      VerifySetup(test.Path("out/setup.exe"), test.Path("product"), test.Path("manifest.txt"), out);
  EXPECT_EQ(ok, out.str().starts_with("OK")) << out.str();
  return ok ? "OK" : out.str();
}

TEST_F(PackerTest, VerifyPassesOnTheSetupAsPacked) {
  Pack(Prepare(kFiles));
  EXPECT_EQ(Verified(*this), "OK");
}

TEST_F(PackerTest, VerifyTellsASetupWithoutARecord) {
  Pack(Prepare(kFiles));
  Write("out/setup.exe", WithoutRecord(Read("out/setup.exe")));
  std::ostringstream out;
  EXPECT_TRUE(VerifySetup(Path("out/setup.exe"), Path("product"), Path("manifest.txt"), out));
  EXPECT_THAT(out.str(), HasSubstr("\nno integrity record (an older setup)"));
}

TEST_F(PackerTest, VerifyFindsADamagedSetup) {
  Pack(Prepare(kFiles));
  std::string setup = Read("out/setup.exe");
  setup[setup.find(std::string(1234, 'a')) + 1000] = 'b';
  Write("out/setup.exe", setup);
  EXPECT_THAT(Verified(*this), StartsWith("DAMAGED: " + Path("out/setup.exe") +
                                          ": its body differs from its integrity record"));
}

TEST_F(PackerTest, VerifyFindsAChangedSourceByte) {
  Pack(Prepare(kFiles));
  Write(SourcePath("product", kFiles[1].first), std::string(1000, 'a') + std::string(234, 'b'));
  EXPECT_THAT(Verified(*this), HasSubstr("file 2 'languages\\english\\about.lng' differs from "));
  EXPECT_THAT(Verified(*this), HasSubstr("at byte 1000\n"));
}

TEST_F(PackerTest, VerifyFindsADroppedFileAnAddedFileAndALostTrailer) {
  const std::string differs =
      "DIFFERS: " + Path("out/setup.exe") + " does not match " + Path("manifest.txt") + ":\n";
  Pack(Prepare({kFiles[0], kFiles[2]}));
  Prepare(kFiles);
  std::string report = Verified(*this);
  EXPECT_THAT(report,
              StartsWith(differs +
                         "  holds 2 files, the manifest lists 3\n"
                         "  file 2 is named 'templates\\empty.htm', the manifest's line 2 says "
                         "'languages\\english\\about.lng'\n"
                         "  file 2 'languages\\english\\about.lng' holds 0 bytes, " +
                         Path("product/languages/english/about.lng") +
                         " 1234\n"
                         "  file 3 'templates\\empty.htm' is missing\n"
                         "integrity record: "));

  Pack(Prepare(kFiles));
  Prepare({kFiles[0], kFiles[1]});
  report = Verified(*this);
  EXPECT_THAT(report,
              StartsWith(differs + "  holds 3 files, the manifest lists 2\n"
                                   "  file 3 'templates\\empty.htm' is not in the manifest\n"
                                   "integrity record: "));

  Pack(Prepare(kFiles));
  const std::string setup = WithoutRecord(Read("out/setup.exe"));
  Write("out/setup.exe", setup.substr(0, setup.size() - 2));
  report = Verified(*this);
  EXPECT_NE(report.find("does not end with CR LF"), std::string::npos) << report;
}

// Runs tgwpack with `args`; its exit code.
int RunTool(const std::string& args) {
  const int status =
      std::system((std::string(TGWPACK_PATH) + " " + args + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(PackerTest, CommandLineExitCodes) {
  const PackOptions options = Prepare({{"a.txt", "a"}, {"b.txt", "b" + MarkerBytes(kFileMarker)}});
  const std::string paths = " --root " + options.root + " --manifest " + options.manifest;
  EXPECT_EQ(RunTool("--pack " + options.image + paths + " --output " + options.output), 1);
  EXPECT_EQ(Leftovers(), std::vector<std::string>{});

  Write("product/b.txt", "b");
  EXPECT_EQ(RunTool("--pack " + options.image + paths + " --output " + options.output), 0);
  EXPECT_EQ(RunTool("--list " + options.output), 0);
  EXPECT_EQ(RunTool("--verify " + options.output + paths), 0);
  Write("product/b.txt", "c");
  EXPECT_EQ(RunTool("--verify " + options.output + paths), 1);
  EXPECT_EQ(RunTool("--list"), 2);

  // One flipped byte in a content is damage; bytes after the trailer (a signature) are not.
  Write("product/b.txt", "b");
  const std::string setup = Read("out/setup.exe");
  Write("out/setup.exe", setup + std::string(300, '\x5A'));
  EXPECT_EQ(RunTool("--list " + options.output), 0);
  EXPECT_EQ(RunTool("--verify " + options.output + paths), 0);
  std::string flipped = setup;
  flipped[setup.size() - MarkerBytes(kFileMarker).size() - 3] ^= 0x01;  // the content "b"
  Write("out/setup.exe", flipped);
  EXPECT_EQ(RunTool("--list " + options.output), 1);
  EXPECT_EQ(RunTool("--verify " + options.output + paths), 1);
  EXPECT_EQ(RunTool("--pack " + options.image + paths), 2);
}

}  // namespace
}  // namespace tgw::pack
