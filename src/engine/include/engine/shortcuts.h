#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/error.h"
#include "platform/shell.h"

namespace tgw {

class FileSystem;

enum class ShortcutLocation : std::int32_t {
  kDesktop = 0,
  kPrograms = 1,
  kStartMenu = 2,
  kStartUp = 3
};

struct ShortcutRequest {
  ShortcutLocation location;
  std::wstring_view name;  // file name without ".lnk", also the description
  std::wstring_view target;
  std::wstring_view icon_location;  // "file,index"
  std::wstring_view working_folder;
  std::wstring_view subfolder;  // below the special folder; empty for none
  ShowCommand show;
};

// Makes one shortcut and returns the path of its .lnk file, or why it could not be made.
// A subfolder that cannot be made shows only as the failed save.
Result<std::wstring> MakeShortcut(Shell& shell, FileSystem& files, const ShortcutRequest& request);

}  // namespace tgw
