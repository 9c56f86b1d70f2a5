#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/win32/handles.h"

namespace tgw::testing {

// A fresh folder below the user's temp folder, removed with its contents at destruction.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder, without a trailing backslash.
  const std::wstring& path() const { return path_; }
  // `name` inside the folder.
  std::wstring operator/(std::wstring_view name) const;

 private:
  std::wstring path_;
};

// COM on the calling thread, apartment threaded as in the setup program, for the life of the
// object.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
  HRESULT result() const { return result_; }

 private:
  HRESULT result_;
};

// Files read and written with Win32 calls of their own, independent of the code under test.
bool WriteRaw(const std::wstring& path, std::string_view bytes);
// Nothing when the file cannot be opened.
std::optional<std::string> ReadRaw(const std::wstring& path);

// The tiny drive T: that tests/win32/tiny_drive.sh mounts for the tests of a full disk, emptied:
// its free bytes; nothing when there is no such drive (a test then skips, saying kNoTinyDrive).
std::optional<std::uint64_t> EmptiedTinyDrive();
inline constexpr char kNoTinyDrive[] =
    "no tiny drive T: (tests/win32/tiny_drive.sh mounts one, as root)";

// A program started by a test.
struct StartedProgram {
  win32::UniqueHandle process;  // empty when the program could not be started
  DWORD id = 0;
};

// Starts a program with `arguments` (already quoted as needed). Its output is discarded.
StartedProgram StartProgram(const std::wstring& program, const std::wstring& arguments = {});

// Waits for a process to end: its exit code, or nothing when it did not end within
// `timeout_ms` (it is then terminated).
std::optional<std::uint32_t> WaitForExit(HANDLE process, std::uint32_t timeout_ms);

// A program path from the environment: a Windows path as it is, a Unix path (as CTest passes
// under Wine) translated to the Windows path Wine shows it under. Empty when unset.
std::wstring ProgramPathFromEnvironment(const wchar_t* variable);

}  // namespace tgw::testing
