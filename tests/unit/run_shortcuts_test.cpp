// The shortcuts the installation run makes, through the recording shell.

#include <gtest/gtest.h>

#include "engine/product.h"
#include "fakes/fake_runtime.h"
#include "fakes/fake_toolkit.h"
#include "fakes/recording_shell.h"
#include "wizard/install_run.h"

namespace tgw {
namespace {

using Properties = std::vector<std::pair<std::wstring, std::wstring>>;

class Shortcuts : public ::testing::Test {
 protected:
  fakes::MemoryFileSystem files;
  fakes::RecordingShell shell{files};
  const std::wstring programs = L"C:\\Users\\ann\\Start Menu\\Programs";
};

TEST_F(Shortcuts, TheRunMakesFourWithTheirProperties) {
  fakes::FakeToolkit ui;
  fakes::FakeRuntime runtime;
  runtime.tick = 0.01;
  ui.texts[Control::Text1] = L"d:\\apps\\Tagwright\\";
  files.AddFolders(L"d:\\apps");
  std::int32_t stage = 4;
  StartInstalation({ui, runtime, files, shell}, stage);

  ASSERT_EQ(shell.saved.size(), 4u);
  const std::wstring dir = L"d:\\apps\\Tagwright\\";
  const Properties app{{L"WindowStyle", L"normal"},
                       {L"TargetPath", dir + L"Tagwright.exe"},
                       {L"IconLocation", dir + L"tagwright.exe,0"},
                       {L"Description", L"Tagwright"},
                       {L"WorkingDirectory", dir}};
  EXPECT_EQ(shell.saved[0].path, L"C:\\Users\\ann\\Desktop\\Tagwright.lnk");
  EXPECT_EQ(shell.saved[0].properties, app);
  EXPECT_EQ(shell.saved[1].path, programs + L"\\Tagwright\\Tagwright.lnk");
  EXPECT_EQ(shell.saved[1].properties, app);
  EXPECT_EQ(shell.saved[2].path, programs + L"\\Tagwright\\Official web site.lnk");
  EXPECT_EQ(shell.saved[2].properties,
            (Properties{{L"WindowStyle", L"maximized"},
                        {L"TargetPath", std::wstring(product::kHomePage)},
                        {L"IconLocation", L"shdocvw.dll,0"},
                        {L"Description", L"Official web site"},
                        {L"WorkingDirectory", L""}}));
  EXPECT_EQ(shell.saved[3].path, programs + L"\\Tagwright\\Uninstall Tagwright.lnk");
  EXPECT_EQ(shell.saved[3].Get(L"TargetPath"), dir + L"uninstall.exe");
  EXPECT_EQ(shell.saved[3].Get(L"IconLocation"), dir + L"uninstall.exe,0");
  EXPECT_EQ(shell.saved[3].Get(L"WorkingDirectory"), dir);
}

}  // namespace
}  // namespace tgw
