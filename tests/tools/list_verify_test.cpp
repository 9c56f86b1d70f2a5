#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "engine/markers.h"
#include "packer/failure.h"
#include "packer/marker_guard.h"
#include "packer_fixture.h"

namespace tgw::pack {
namespace {

const Files kFiles = {{"readme.txt", "Read me first.\r\n"},
                      {"languages\\english\\about.lng", std::string(1234, 'a')},
                      {"templates\\empty.htm", ""}};

TEST_F(PackerTest, ListPrintsSizesNamesAndTotal) {
  Pack(Prepare(kFiles));
  std::ostringstream out;
  ListSetup(Path("out/setup.exe"), out);
  EXPECT_EQ(out.str(),
            "     16  readme.txt\n"
            "   1234  languages\\english\\about.lng\n"
            "      0  templates\\empty.htm\n"
            "   1250  total in 3 files\n");
  std::ostringstream ignored;
  EXPECT_THROW(ListSetup(Path("image.bin"), ignored), Failure);
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

TEST_F(PackerTest, VerifyFindsAChangedByte) {
  Pack(Prepare(kFiles));
  std::string setup = Read("out/setup.exe");
  const std::size_t at = setup.find(std::string(1234, 'a')) + 1000;
  setup[at] = 'b';
  Write("out/setup.exe", setup);
  EXPECT_NE(Verified(*this).find("file 2 'languages\\english\\about.lng' differs from "),
            std::string::npos);
  EXPECT_NE(Verified(*this).find("at byte 1000\n"), std::string::npos);
}

TEST_F(PackerTest, VerifyFindsADroppedFileAndALostTrailer) {
  Pack(Prepare({kFiles[0], kFiles[2]}));
  Prepare(kFiles);
  std::string report = Verified(*this);
  EXPECT_NE(report.find("holds 2 files, the manifest lists 3"), std::string::npos) << report;
  EXPECT_NE(report.find("file 2 is named 'templates\\empty.htm', the manifest's line 2 says"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("file 3 'templates\\empty.htm' is missing"), std::string::npos) << report;

  Pack(Prepare(kFiles));
  std::string setup = Read("out/setup.exe");
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
  EXPECT_EQ(RunTool("--pack " + options.image + paths), 2);
}

}  // namespace
}  // namespace tgw::pack
