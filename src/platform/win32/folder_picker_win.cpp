#include "platform/win32/folder_picker_win.h"

// objbase.h before shlobj.h: the shell headers need the COM declarations.
#include <objbase.h>
#include <shlobj.h>

#include <utility>

#include "engine/names.h"
#include "platform/win32/error_win.h"
#include "platform/win32/handles.h"
#include "platform/win32/text_win.h"

namespace tgw::win32 {

Result<std::optional<std::wstring>> Win32FolderPicker::Pick(std::wstring_view title) {
  // A title holding a null character shows none rather than a cut one.
  const std::wstring text = ZeroTerminated(title);
  BROWSEINFOW browse{};
  browse.hwndOwner = owner_;
  browse.pidlRoot = nullptr;  // the root of the shell namespace
  browse.pszDisplayName = nullptr;
  browse.lpszTitle = text.empty() ? nullptr : text.c_str();
  browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
  const UniqueCoTaskMem<ITEMIDLIST> chosen(SHBrowseForFolderW(&browse));
  if (!chosen) return std::optional<std::wstring>();  // cancelled

  // The longest path, with the "\\?\" prefix, and its null.
  std::wstring path(32768, L'\0');
  if (!SHGetPathFromIDListEx(chosen.get(), path.data(), static_cast<DWORD>(path.size()),
                             GPFIDL_DEFAULT)) {
    return ErrorFromCode(ERROR_BAD_PATHNAME);  // not a file-system folder
  }
  path.resize(path.find(L'\0'));
  if (path.empty()) return ErrorFromCode(ERROR_BAD_PATHNAME);
  return std::optional(WithoutFinalBackslash(std::move(path)));
}

std::wstring WithoutFinalBackslash(std::wstring path) {
  if (!IsDriveRoot(path) && path.size() > 1 && path.back() == L'\\') path.pop_back();
  return path;
}

}  // namespace tgw::win32
