#pragma once

#include "platform/file_system.h"

namespace tgw {

// The file system through the Unicode Win32 API. Text files are in the system ANSI code page.
// Output goes straight to the operating system (no buffer of ours), so what was written is kept
// when the program ends through ExitProcess without closing its files.
class Win32FileSystem final : public FileSystem {
 public:
  bool MakeFolder(std::wstring_view path) override;
  bool FolderExists(std::wstring_view path) override;
  std::optional<std::uint64_t> FileLength(std::wstring_view path) override;
  std::unique_ptr<OutputFile> OpenOutput(std::wstring_view path, OpenMode mode) override;
  std::unique_ptr<InputFile> OpenInput(std::wstring_view path) override;
  bool Copy(std::wstring_view from, std::wstring_view to) override;
  std::optional<std::vector<char>> ReadWholeFile(std::wstring_view path) override;
};

}  // namespace tgw
