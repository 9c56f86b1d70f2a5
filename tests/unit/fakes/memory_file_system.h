#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace tgw::fakes {

// An in-memory file system that does what the Win32 one does, failures and their Win32 codes
// included (tests/contract checks both alike). Paths are read as Windows reads them: letter case
// ignored, "/" for "\", runs of separators as one, "." and ".." parts resolved, a part's single
// final dot and the last part's final dots and spaces dropped; a final separator names only a
// folder. A folder is made one level at a time. Text lines go out in Windows-1252 (the ANSI code
// page of the test machines), "?" for a character it lacks. Faults can be injected per path, and
// the disk can be made small.
//
// Unlike Windows: no file is ever held open (a kOpen fault of kInUse stands in for that), there
// are no short names but those of short_names (which name nothing themselves), and "?" stands
// where Windows writes a look-alike (best fit) of a character the code page lacks.
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();  // with the drives C: and D:

  // A kOpen fault of the path fails it.
  Status MakeFolder(std::wstring_view path) override;
  Status RemoveFolder(std::wstring_view path) override;
  // A kOpen fault of the path fails it.
  Status RemoveFile(std::wstring_view path) override;
  // Whether the path (by key) is in reparse_points.
  Result<bool> IsReparsePoint(std::wstring_view path) override;
  Result<bool> FolderExists(std::wstring_view path) override;
  Result<std::uint64_t> FileLength(std::wstring_view path) override;
  Result<std::unique_ptr<OutputFile>> OpenOutput(std::wstring_view path, OpenMode mode) override;
  Result<std::vector<std::wstring>> ReadLines(std::wstring_view path) override;
  Status Copy(std::wstring_view from, std::wstring_view to) override;
  // A kOpen fault of the path fails it.
  Result<std::vector<char>> ReadWholeFile(std::wstring_view path) override;
  // The path itself when it passes through the code page, else the short_names entry of an
  // existing path.
  Result<std::wstring> RecordablePath(std::wstring_view path) override;

  // Test side.
  void AddFolders(std::wstring_view path);  // with every missing parent
  void PutFile(std::wstring_view path, std::string_view bytes);
  std::string Bytes(std::wstring_view path) const;  // "<absent>" when there is no such file
  bool HasFile(std::wstring_view path) const;
  bool HasFolder(std::wstring_view path) const;
  std::set<std::wstring> Files() const;  // keys of every file
  // The path as read: "c:\folder\file.txt" for "C:/Folder//./File.txt".
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
  struct Path;
  friend class MemoryOutputFile;
  static Path Parse(std::wstring_view text);
  const Node* Find(const std::wstring& key) const;
  bool IsFolder(const std::optional<std::wstring>& key) const;
  // The error for a path that names nothing: its file is missing, or a folder on its way.
  Error Missing(const Path& path) const;
  // The file a path names, or why it names none (as opening it to read fails).
  Result<const Node*> ExistingFile(const Path& path) const;
  const Fault* FaultOf(const std::wstring& key, Fault::At at) const;
  // Stores `bytes` at the end of `into` as far as the disk has room.
  Status Store(std::string& into, std::string_view bytes);
  void Free(std::size_t bytes);

  std::map<std::wstring, Node> nodes_;
};

}  // namespace tgw::fakes
