#include "engine/shortcuts.h"

#include "platform/file_system.h"
#include "platform/shell.h"

namespace tgw {

namespace {

std::wstring_view SpecialFolderName(ShortcutLocation location) {
  switch (location) {
    case ShortcutLocation::kDesktop:
      return L"Desktop";
    case ShortcutLocation::kPrograms:
      return L"Programs";
    case ShortcutLocation::kStartMenu:
      return L"StartMenu";
    case ShortcutLocation::kStartUp:
      return L"StartUp";
  }
  return {};
}

}  // namespace

Result<std::wstring> MakeShortcut(Shell& shell, FileSystem& files, const ShortcutRequest& request) {
  std::wstring folder;
  if (const std::wstring_view name = SpecialFolderName(request.location); !name.empty()) {
    auto special = shell.SpecialFolder(name);
    if (!special) return special.error();
    folder = std::move(*special);
  }
  if (!request.subfolder.empty()) {
    folder.append(L"\\").append(request.subfolder);
    // Usually there already (kExists); any other failure shows as a failed Save.
    (void)files.MakeFolder(folder);
  }

  std::wstring path = folder;
  path.append(L"\\").append(request.name).append(L".lnk");
  auto link = shell.CreateShortcut(path);
  if (!link) return link.error();
  ShellLink& shortcut = **link;
  // The first failure ends the shortcut; nothing is written before Save.
  Status status = shortcut.SetWindowStyle(request.show);
  if (status.ok()) status = shortcut.SetTargetPath(request.target);
  if (status.ok()) status = shortcut.SetIconLocation(request.icon_location);
  if (status.ok()) status = shortcut.SetDescription(request.name);
  if (status.ok()) status = shortcut.SetWorkingDirectory(request.working_folder);
  if (status.ok()) status = shortcut.Save();
  if (!status.ok()) return status.error();
  return path;
}

}  // namespace tgw
