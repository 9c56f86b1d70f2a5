// The "..." button on the install folder page: the system folder picker, a folder chosen, the
// picker cancelled, a drive root chosen.

#include <gtest/gtest.h>

#include "expected.h"
#include "scenario.h"

namespace tgw::e2e {
namespace {

void WaitForFolderText(const SetupProcess& setup, const std::wstring& expected) {
  WaitUntil([&] { return setup.Text(Control::Text1) == expected; }, 5000);
  EXPECT_EQ(setup.Text(Control::Text1), expected);
}

TEST(FolderPicker, ChoosingCancellingAndADriveRoot) {
  const Scenario scenario;
  const std::wstring chosen = scenario / L"chosen";
  const std::wstring other = scenario / L"other";
  MakeFolders(chosen);
  MakeFolders(other);

  const SetupProcess setup(scenario.Options(SmallSetup()));
  setup.WaitForStage(0);
  NextTo(setup, 2);
  EXPECT_EQ(setup.Text(Control::Text1), kDefaultInstallDir);

  Dialog picker = OpenFolderPicker(setup);
  EXPECT_TRUE(picker.HasItem(IDOK));
  EXPECT_TRUE(picker.HasItem(IDCANCEL));
  ChooseInPicker(setup, picker, chosen, L"chosen");
  setup.Screenshot(ScreenshotPath(L"folder-picker"), {picker.handle()});
  picker.Press(IDOK);
  picker.WaitClosed();
  WaitForFolderText(setup, chosen + L"\\Tagwright\\");

  picker = OpenFolderPicker(setup);
  ChooseInPicker(setup, picker, other, L"other");
  picker.Press(IDCANCEL);
  picker.WaitClosed();
  Send(setup.window(), WM_NULL, 0, 0);
  EXPECT_EQ(setup.Text(Control::Text1), chosen + L"\\Tagwright\\") << "cancelling changes nothing";

  picker = OpenFolderPicker(setup);
  ChooseInPicker(setup, picker, L"C:\\", L"C:");
  picker.Press(IDOK);
  picker.WaitClosed();
  WaitForFolderText(setup, L"C:\\Tagwright\\");  // one backslash after the drive

  EXPECT_EQ(setup.Stage(), 2);
  setup.PostClose();
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

}  // namespace
}  // namespace tgw::e2e
