#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/file_system.h"

namespace tgw::fakes {

// An in-memory file system with Windows semantics: paths ignore letter case and
// repeated or trailing backslashes, a folder is made one level at a time, and text
// lines go out in a single-byte stand-in for the ANSI code page (Latin-1, "?" for
// anything else). Faults can be injected per path.
class MemoryFileSystem : public FileSystem {
 public:
  MemoryFileSystem();  // with the drives C: and D:

  bool MakeFolder(std::wstring_view path) override;
  bool FolderExists(std::wstring_view path) override;
  std::optional<std::uint64_t> FileLength(std::wstring_view path) override;
  std::unique_ptr<OutputFile> OpenOutput(std::wstring_view path, OpenMode mode) override;
  std::unique_ptr<InputFile> OpenInput(std::wstring_view path) override;
  bool Copy(std::wstring_view from, std::wstring_view to) override;
  std::optional<std::vector<char>> ReadWholeFile(std::wstring_view path) override;

  // Test side.
  void AddFolders(std::wstring_view path);  // with every missing parent
  void PutFile(std::wstring_view path, std::string_view bytes);
  std::string Bytes(std::wstring_view path) const;  // "<absent>" when there is no such file
  bool HasFile(std::wstring_view path) const;
  std::set<std::wstring> Files() const;  // keys of every file

  std::set<std::wstring> read_only;       // keys of files that cannot be opened for writing
  std::set<std::wstring> failing_writes;  // keys of files whose writes fail part way
  std::set<std::wstring> failing_closes;  // keys of files whose close reports a failure
  static std::wstring Key(std::wstring_view path);

 private:
  struct Node {
    bool folder = false;
    std::string bytes;
  };
  bool ParentExists(const std::wstring& key) const;
  std::map<std::wstring, Node> nodes_;
};

}  // namespace tgw::fakes
