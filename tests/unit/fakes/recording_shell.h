#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "fakes/memory_file_system.h"
#include "platform/shell.h"

namespace tgw::fakes {

// Records every shortcut saved, with its properties in the order they were set,
// and stores it as a file in the memory file system. It refuses what the Win32 shell
// refuses (tests/contract). `failing`
// names properties ("TargetPath", ..., "Save", "CreateShortcut") that fail, with `failure`,
// for shortcuts whose path contains the given text.
class RecordingShell : public Shell {
 public:
  struct Link {
    std::wstring path;
    std::vector<std::pair<std::wstring, std::wstring>> properties;  // name, value in set order
    std::wstring Get(std::wstring_view name) const;
  };

  explicit RecordingShell(MemoryFileSystem& files);

  // The special_folders entry of the name, in any letter case.
  Result<std::wstring> SpecialFolder(std::wstring_view name) override;
  Result<std::unique_ptr<ShellLink>> CreateShortcut(std::wstring_view path) override;

  bool Fails(const std::wstring& path, std::wstring_view member) const;

  MemoryFileSystem& files;
  std::map<std::wstring, std::wstring> special_folders;
  std::vector<std::wstring> folder_requests;
  std::multimap<std::wstring, std::wstring> failing;  // member -> path fragment
  Error failure{ErrorKind::kAccessDenied, 0x80070005};
  std::vector<Link> saved;
};

}  // namespace tgw::fakes
