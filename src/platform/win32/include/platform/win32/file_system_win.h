#pragma once

#include "platform/file_system.h"

namespace tgw {

// The file system through the Unicode Win32 API. Text files are in the system ANSI code page.
// Output goes straight to the operating system (no buffer of ours), so what was written is kept
// when the program ends through ExitProcess without closing its files.
class Win32FileSystem final : public FileSystem {
 public:
  Status MakeFolder(std::wstring_view path) override;
  Status RemoveFolder(std::wstring_view path) override;
  // DeleteFileW. Refused access to a file that another program holds or runs fails with kInUse.
  Status RemoveFile(std::wstring_view path) override;
  // FILE_ATTRIBUTE_REPARSE_POINT of GetFileAttributesW, which does not follow the last part.
  Result<bool> IsReparsePoint(std::wstring_view path) override;
  Result<bool> FolderExists(std::wstring_view path) override;
  Result<std::uint64_t> FileLength(std::wstring_view path) override;
  // A replacement of a file that is there is written to "~tgw<number>.tmp" in the target's folder,
  // flushed, and moved over the target (MoveFileExW) when closed complete; otherwise that file is
  // deleted. A move refused because another program holds or runs the target fails with kInUse.
  // Where there is no file yet, the target itself is written, under a delete disposition until it
  // is closed complete (see Replacement in file_system_win.cpp).
  Result<std::unique_ptr<OutputFile>> OpenOutput(std::wstring_view path, OpenMode mode) override;
  Result<std::vector<std::wstring>> ReadLines(std::wstring_view path) override;
  Status Copy(std::wstring_view from, std::wstring_view to) override;
  Result<std::vector<char>> ReadWholeFile(std::wstring_view path) override;
  // MapViewOfFile of the whole file (mapped_file_win.cpp). A page that cannot be read raises an
  // in-page error (Wine: an access violation) in the thread that reads it; a handler of the
  // program's catches it, has that page and the rest read as zeros, and ReadStatus() says so.
  Result<std::unique_ptr<MappedFile>> MapFile(std::wstring_view path) override;
  // FlushFileBuffers of the handle of the path's drive ("\\.\D:"), which Windows grants only to
  // administrators; Wine does not flush volumes (ERROR_INVALID_FUNCTION), nor is there a volume
  // handle for a folder on a share.
  Status FlushVolume(std::wstring_view path) override;
  // Through GetShortPathNameW when the path does not pass CP_ACP unchanged.
  Result<std::wstring> RecordablePath(std::wstring_view path) override;
};

}  // namespace tgw
