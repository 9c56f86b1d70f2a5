#include "files.h"

#include <windows.h>

#include "driver.h"
#include "engine/names.h"
#include "platform/win32/handles.h"

namespace tgw::automation {

bool FileExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void MakeFolders(const std::wstring& path) {
  const std::wstring full = FullPath(path);
  if (full.empty()) throw DriverError(L"cannot make the folder " + path + L": not a path");
  // Each folder below the root ("D:\", "\\server\share\") in turn, from the top.
  for (std::size_t end = full.find(L'\\', full.starts_with(L"\\\\") ? 2 : 0);;
       end = full.find(L'\\', end + 1)) {
    const std::wstring part = full.substr(0, end);
    if (!part.empty() && part.back() != L':' && !FolderExists(part)) {
      CreateDirectoryW(part.c_str(), nullptr);
    }
    if (end == std::wstring::npos) break;
  }
  if (!FolderExists(full)) {
    throw DriverError(L"cannot make the folder " + full + L" (" + SystemErrorText(GetLastError()) +
                      L")");
  }
}

bool WriteWholeFile(const std::wstring& path, std::string_view bytes) {
  const win32::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return false;
  DWORD written = 0;
  return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::wstring FullPath(const std::wstring& path) {
  if (path.empty() || path.find(L'\0') != std::wstring::npos) return {};
  const DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(path.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) return {};
  full.resize(length);
  while (!IsDriveRoot(full) && full.size() > 1 && full.back() == L'\\') full.pop_back();
  return full;
}

}  // namespace tgw::automation
