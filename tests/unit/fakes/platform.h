#pragma once

#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/file_system.h"
#include "platform/runtime.h"
#include "platform/shell.h"

namespace tgw::fakes {

// An in-memory file system that fails as the Win32 one does, with its Win32 codes (tests/contract
// checks both alike). Paths: letter case ignored (beyond ASCII too), "/" for "\", empty parts
// dropped. Text goes out in Windows-1252 (the test machines' ANSI code page), "?" for a character
// it lacks. Faults can be injected per path. Unlike Windows: nothing is ever held open (a kOpen
// fault of kInUse stands in), and the only short names are short_names.
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();  // with the drives C: and D:

  // A kOpen fault of the path fails MakeFolder, RemoveFile, OpenOutput and ReadWholeFile.
  Status MakeFolder(std::wstring_view path) override;
  Status RemoveFolder(std::wstring_view path) override;
  Status RemoveFile(std::wstring_view path) override;
  bool IsReparsePoint(std::wstring_view path) override;  // the key is in reparse_points
  bool FolderExists(std::wstring_view path) override;
  std::optional<std::uint64_t> FileLength(std::wstring_view path) override;
  Result<std::unique_ptr<OutputFile>> OpenOutput(std::wstring_view path, OpenMode mode) override;
  std::unique_ptr<InputFile> OpenInput(std::wstring_view path) override;
  Status Copy(std::wstring_view from, std::wstring_view to) override;
  Result<std::vector<char>> ReadWholeFile(std::wstring_view path) override;
  // The path when it passes through the code page, else the short_names entry of an existing one.
  std::optional<std::wstring> RecordablePath(std::wstring_view path) override;

  // Test side.
  void AddFolders(std::wstring_view path);  // with every missing parent
  void PutFile(std::wstring_view path, std::string_view bytes);
  std::string Bytes(std::wstring_view path) const;  // "<absent>" when there is no such file
  bool HasFile(std::wstring_view path) const { return Bytes(path) != "<absent>"; }
  std::set<std::wstring> Files() const;             // keys of every file
  static std::wstring Key(std::wstring_view path);  // "c:\a\b.txt" for "C:/A\\B.txt"

  // A fault of one path (by key): its open, a write (which stores half) or its close (for a
  // replacement, the move into place) fails with `error`.
  struct Fault {
    enum class At { kOpen, kWrite, kClose } at;
    Error error;
  };
  std::map<std::wstring, Fault> faults;
  std::map<std::wstring, std::wstring> short_names;  // key -> short form
  std::set<std::wstring> reparse_points;             // keys of junctions and symbolic links

 private:
  friend class MemoryOutputFile;
  std::optional<Error> FaultAt(std::wstring_view path, Fault::At at) const;
  bool IsFolder(const std::wstring& key) const;
  Result<std::string*> ExistingFile(std::wstring_view path);  // or why opening it to read fails

  std::map<std::wstring, std::optional<std::string>> nodes_;  // key -> bytes; nothing: a folder
};

// Records the shortcuts saved as files of the memory file system ("lnk"), so that a fault of the
// path fails Save, with the error as an HRESULT as the Win32 shell reports it.
class RecordingShell : public Shell {
 public:
  explicit RecordingShell(MemoryFileSystem& files);                     // makes the special folders
  Result<std::wstring> SpecialFolder(std::wstring_view name) override;  // in any letter case
  Result<std::unique_ptr<ShellLink>> CreateShortcut(std::wstring_view path) override;

  MemoryFileSystem& files;
  std::map<std::wstring, std::wstring> special_folders;
};

// Thrown by EndProgram so that a test sees the program end where it would have.
struct ProgramEnded {};

// A clock that moves on by `tick` seconds at every reading and falls back to 0 at midnight, a
// fixed program path and environment.
class FakeRuntime : public Runtime {
 public:
  void EndProgram() override {
    ++ends;
    throw ProgramEnded{};
  }
  float Timer() override {
    const double reading = now;
    now = std::fmod(now + tick, 86400.0);
    return static_cast<float>(reading);
  }
  std::wstring ProgramFile() override { return program_file; }
  std::wstring Environment(std::wstring_view name) override {
    return name == L"appdata" ? appdata : L"";
  }

  double now = 36000.0, tick = 0.0;
  int ends = 0;
  std::wstring program_file = L"D:\\dist\\setup.exe";
  std::wstring appdata = L"C:\\Users\\ann\\AppData\\Roaming";
};

}  // namespace tgw::fakes
