#pragma once

// Files and folders, through Win32 calls of the driver's own.

#include <string>
#include <string_view>

namespace tgw::automation {

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
// Makes `path` and the folders above it that are missing; throws DriverError when it cannot.
void MakeFolders(const std::wstring& path);
// Writes `bytes` as the whole file `path`; false when it cannot.
bool WriteWholeFile(const std::wstring& path, std::string_view bytes);
// The full path of `path` (relative to the current folder), without a final backslash except
// at a drive's root ("D:\"); empty when the system cannot make one.
std::wstring FullPath(const std::wstring& path);

}  // namespace tgw::automation
