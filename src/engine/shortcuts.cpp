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

std::optional<std::wstring> MakeShortcut(Shell& shell, FileSystem& files,
                                         const ShortcutRequest& request) {
  std::wstring folder;
  if (const std::wstring_view name = SpecialFolderName(request.location); !name.empty()) {
    auto special = shell.SpecialFolder(name);
    if (!special) return std::nullopt;
    folder = std::move(*special);
  }
  if (!request.subfolder.empty()) {
    folder.append(L"\\").append(request.subfolder);
    if (!files.FolderExists(folder)) files.MakeFolder(folder);
  }

  std::wstring path = folder;
  path.append(L"\\").append(request.name).append(L".lnk");
  const auto link = shell.CreateShortcut(path);
  const bool saved = link && link->SetWindowStyle(request.window_style) &&
                     link->SetHotKey(request.hot_key) && link->SetTargetPath(request.target) &&
                     link->SetIconLocation(request.icon_location) &&
                     link->SetDescription(request.name) &&
                     link->SetWorkingDirectory(request.working_folder) && link->Save();
  if (!saved) return std::nullopt;
  return path;
}

}  // namespace tgw
