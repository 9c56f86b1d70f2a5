#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace tgw::fakes {

// An in-memory file system with Windows semantics: paths ignore letter case and
// repeated or trailing backslashes, a folder is made one level at a time, and text
// lines go out in a single-byte stand-in for the ANSI code page (Latin-1, "?" for
// anything else). Faults can be injected per path, and the disk can be made small.
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();  // with the drives C: and D:

  Status MakeFolder(std::wstring_view path) override;
  Status RemoveFolder(std::wstring_view path) override;
  // Fails as Windows does for a folder (access denied); a kOpen fault of the path fails it.
  Status RemoveFile(std::wstring_view path) override;
  // Whether the path (by key) is in reparse_points.
  bool IsReparsePoint(std::wstring_view path) override;
  bool FolderExists(std::wstring_view path) override;
  std::optional<std::uint64_t> FileLength(std::wstring_view path) override;
  Result<std::unique_ptr<OutputFile>> OpenOutput(std::wstring_view path, OpenMode mode) override;
  std::unique_ptr<InputFile> OpenInput(std::wstring_view path) override;
  Status Copy(std::wstring_view from, std::wstring_view to) override;
  Result<std::vector<char>> ReadWholeFile(std::wstring_view path) override;
  // The path itself when every character is Latin-1, else its entry in short_names.
  std::optional<std::wstring> RecordablePath(std::wstring_view path) override;

  // Test side.
  void AddFolders(std::wstring_view path);  // with every missing parent
  void PutFile(std::wstring_view path, std::string_view bytes);
  std::string Bytes(std::wstring_view path) const;  // "<absent>" when there is no such file
  bool HasFile(std::wstring_view path) const;
  std::set<std::wstring> Files() const;  // keys of every file
  static std::wstring Key(std::wstring_view path);

  // A fault of one path (by key): its open (or MakeFolder), a write, or its close (for a
  // replacement, the move into place) fails with `error`. A failing write stores half.
  struct Fault {
    enum class At { kOpen, kWrite, kClose } at;
    Error error;
  };
  std::map<std::wstring, Fault> faults;
  // Bytes that can still be written; a write that does not fit stores what fits and fails
  // with kDiskFull. Nothing: no limit.
  std::optional<std::uint64_t> free_space;
  std::map<std::wstring, std::wstring> short_names;  // key -> short form, for RecordablePath
  std::set<std::wstring> reparse_points;             // keys of junctions and symbolic links

 private:
  struct Node {
    bool folder = false;
    std::string bytes;
  };
  friend class MemoryOutputFile;
  bool ParentExists(const std::wstring& key) const;
  const Fault* FaultOf(const std::wstring& key, Fault::At at) const;
  // Stores `bytes` at the end of `into` as far as the disk has room.
  Status Store(std::string& into, std::string_view bytes);
  void Free(std::size_t bytes);

  std::map<std::wstring, Node> nodes_;
};

}  // namespace tgw::fakes
