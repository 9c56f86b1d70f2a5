#include "engine/shortcuts.h"

#include <gtest/gtest.h>

#include "fakes/recording_shell.h"

namespace tgw {
namespace {

constexpr ShowCommand kNormal = ShowCommand::kNormal;

// The shortcut's path, or nothing when it could not be made.
std::optional<std::wstring> Made(Shell& shell, FileSystem& files, const ShortcutRequest& request) {
  auto path = MakeShortcut(shell, files, request);
  if (!path) return std::nullopt;
  return *path;
}

class Shortcuts : public ::testing::Test {
 protected:
  fakes::MemoryFileSystem files;
  fakes::RecordingShell shell{files};
  const std::wstring programs = L"C:\\Users\\ann\\Start Menu\\Programs";
};

TEST_F(Shortcuts, AFailureAfterTheSubfolderStepGivesNoResult) {
  const ShortcutRequest request{
      ShortcutLocation::kPrograms, L"Tagwright", L"t.exe", L"t.exe,0", L"", L"Tagwright",
      ShowCommand::kNormal};
  for (const wchar_t* member :
       {L"CreateShortcut", L"WindowStyle", L"IconLocation", L"WorkingDirectory", L"Save"}) {
    shell.failing.clear();
    shell.failing.emplace(member, L"Tagwright.lnk");
    EXPECT_EQ(Made(shell, files, request), std::nullopt) << member;
  }
  EXPECT_TRUE(shell.saved.empty());
  EXPECT_TRUE(files.HasFolder(programs + L"\\Tagwright"));  // the subfolder stays

  shell.failing.clear();
  shell.special_folders.erase(L"Programs");
  EXPECT_EQ(Made(shell, files, request), std::nullopt);
}

TEST_F(Shortcuts, SubfolderAndLocationRules) {
  // A subfolder that cannot be made shows only as a failed save.
  files.PutFile(programs + L"\\Blocked", "a file where the folder should be");
  EXPECT_EQ(
      Made(shell, files, {ShortcutLocation::kPrograms, L"x", L"", L"", L"", L"Blocked", kNormal}),
      std::nullopt);
  // An existing subfolder is used; the startup folder is a location too.
  files.AddFolders(L"C:\\Users\\ann\\Start Menu\\Programs\\StartUp\\Group");
  EXPECT_EQ(
      Made(shell, files, {ShortcutLocation::kStartUp, L"x", L"", L"", L"", L"Group", kNormal}),
      L"C:\\Users\\ann\\Start Menu\\Programs\\StartUp\\Group\\x.lnk");
  // A location outside the four asks for no folder.
  shell.folder_requests.clear();
  files.AddFolders(L"\\g");
  EXPECT_EQ(
      Made(shell, files, {static_cast<ShortcutLocation>(7), L"x", L"", L"", L"", L"g", kNormal}),
      L"\\g\\x.lnk");
  EXPECT_TRUE(shell.folder_requests.empty());
}

}  // namespace
}  // namespace tgw
