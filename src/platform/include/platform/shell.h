#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace tgw {

// How the program a shortcut starts shows its window.
enum class ShowCommand : std::uint8_t { kNormal, kMaximized };

// One shortcut being made, with no hot key; nothing is written before Save.
class ShellLink {
 public:
  virtual ~ShellLink() = default;
  virtual Status SetWindowStyle(ShowCommand show) = 0;
  virtual Status SetTargetPath(std::wstring_view target) = 0;
  // "file,index"
  virtual Status SetIconLocation(std::wstring_view location) = 0;
  virtual Status SetDescription(std::wstring_view description) = 0;
  virtual Status SetWorkingDirectory(std::wstring_view folder) = 0;
  // Writes the .lnk file, replacing one of the same path.
  virtual Status Save() = 0;
};

// The shell's shortcut service.
class Shell {
 public:
  virtual ~Shell() = default;
  // The current user's "Desktop", "Programs", "StartMenu" or "StartUp" folder,
  // without a trailing backslash.
  virtual Result<std::wstring> SpecialFolder(std::wstring_view name) = 0;
  // A shortcut object for a path ending in ".lnk".
  virtual Result<std::unique_ptr<ShellLink>> CreateShortcut(std::wstring_view path) = 0;
};

}  // namespace tgw
