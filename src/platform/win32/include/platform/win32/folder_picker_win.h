#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/folder_picker.h"

namespace tgw::win32 {

// The shell's "Browse for Folder" dialog (SHBrowseForFolderW): modal over the owner window, its
// tree starting at the root of the shell namespace, only file-system folders accepted. COM should
// be initialised on the calling thread (apartment threaded).
class Win32FolderPicker final : public FolderPicker {
 public:
  // `owner`: the window the dialog is modal over; null for none.
  explicit Win32FolderPicker(HWND owner = nullptr) noexcept : owner_(owner) {}

  // An empty title shows none. Nothing as well when the chosen item has no file-system path.
  Result<std::optional<std::wstring>> Pick(std::wstring_view title) override;

 private:
  HWND owner_;
};

// A path as the picker gives it: without a final backslash, except at a drive's root ("D:\").
std::wstring WithoutFinalBackslash(std::wstring path);

}  // namespace tgw::win32
