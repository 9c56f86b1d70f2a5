// The "..." button on the install folder page: the system folder picker, a folder chosen, the
// picker cancelled, a drive root chosen.

#include <gtest/gtest.h>

#include "expected.h"
#include "scenario.h"

namespace tgw::e2e {
namespace {

constexpr wchar_t kPickerTitle[] = L"Browse for Folder";

// Clicks "..." and waits for the picker to be ready: its tree filled (nothing is selected).
Dialog OpenPicker(const SetupProcess& setup) {
  setup.PostClick(Control::Command4);  // the picker is modal: the click returns when it closes
  const Dialog picker = setup.WaitForDialog(kPickerTitle);
  if (!WaitUntil([&] { return PickerShowsFolders(picker); }, 10000)) {
    throw DriverError(L"the folder picker shows no folders");
  }
  return picker;
}

// Selects `folder` until the tree shows it selected: an item whose name holds `shown_name` ("C:"
// for the drive, whose item has a longer name). Wine's picker goes on filling its tree for a
// moment after it shows, and ignores a selection it cannot find in it yet.
void Choose(const SetupProcess& setup, const Dialog& picker, const std::wstring& folder,
            std::wstring_view shown_name) {
  const auto selected = [&] {
    setup.SelectInPicker(picker, folder);
    return setup.PickerSelection(picker).find(shown_name) != std::wstring::npos;
  };
  if (!WaitUntil(selected, 10000, 100)) {
    throw DriverError(L"the folder picker did not select " + folder + L"; selected: " +
                      setup.PickerSelection(picker));
  }
}

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

  Dialog picker = OpenPicker(setup);
  EXPECT_TRUE(picker.HasItem(IDOK));
  EXPECT_TRUE(picker.HasItem(IDCANCEL));
  Choose(setup, picker, chosen, L"chosen");
  setup.Screenshot(ScreenshotPath(L"folder-picker"), {picker.handle()});
  picker.Press(IDOK);
  picker.WaitClosed();
  WaitForFolderText(setup, chosen + L"\\Tagwright\\");

  picker = OpenPicker(setup);
  Choose(setup, picker, other, L"other");
  picker.Press(IDCANCEL);
  picker.WaitClosed();
  Send(setup.window(), WM_NULL, 0, 0);
  EXPECT_EQ(setup.Text(Control::Text1), chosen + L"\\Tagwright\\") << "cancelling changes nothing";

  picker = OpenPicker(setup);
  Choose(setup, picker, L"C:\\", L"C:");
  picker.Press(IDOK);
  picker.WaitClosed();
  WaitForFolderText(setup, L"C:\\Tagwright\\");  // one backslash after the drive

  EXPECT_EQ(setup.Stage(), 2);
  setup.PostClose();
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

}  // namespace
}  // namespace tgw::e2e
