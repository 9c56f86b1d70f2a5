#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tgw {

// One shortcut being made; nothing is written before Save. Every setter and Save
// return false on failure.
class ShellLink {
 public:
  virtual ~ShellLink() = default;
  virtual bool SetWindowStyle(std::int16_t style) = 0;  // 1 normal, 3 maximised
  virtual bool SetHotKey(std::wstring_view hot_key) = 0;
  virtual bool SetTargetPath(std::wstring_view target) = 0;
  // "file,index"
  virtual bool SetIconLocation(std::wstring_view location) = 0;
  virtual bool SetDescription(std::wstring_view description) = 0;
  virtual bool SetWorkingDirectory(std::wstring_view folder) = 0;
  // Writes the .lnk file, replacing one of the same path.
  virtual bool Save() = 0;
};

// The shell's shortcut service.
class Shell {
 public:
  virtual ~Shell() = default;
  // The current user's "Desktop", "Programs", "StartMenu" or "StartUp" folder,
  // without a trailing backslash; nothing on failure.
  virtual std::optional<std::wstring> SpecialFolder(std::wstring_view name) = 0;
  // A shortcut object for a path ending in ".lnk"; nothing on failure.
  virtual std::unique_ptr<ShellLink> CreateShortcut(std::wstring_view path) = 0;
};

}  // namespace tgw
