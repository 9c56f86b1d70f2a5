#include "platform/runtime.h"

namespace tgw {

std::wstring FolderOf(std::wstring_view path) {
  const auto slash = path.find_last_of(L"\\/");
  if (slash == std::wstring_view::npos) return {};
  // "C:\setup.exe" keeps its backslash: "C:" alone would mean the drive's current folder.
  if (slash == 2 && path[1] == L':') return std::wstring(path.substr(0, 3));
  return std::wstring(path.substr(0, slash));
}

}  // namespace tgw
