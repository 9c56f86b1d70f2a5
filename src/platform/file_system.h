#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tgw {

// A file open for writing. Text lines are written in the system's ANSI code page,
// each followed by CR LF, with no byte-order mark. The destructor closes the file.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual bool WriteLine(std::wstring_view text) = 0;
  virtual bool WriteBytes(std::string_view bytes) = 0;
  // Flushes and closes; false when something written was not stored.
  virtual bool Close() = 0;
};

// A text file open for reading, line by line in the ANSI code page. A line ends at
// CR LF (the pair is one terminator) or at the end of the file; a lone LF is text.
class InputFile {
 public:
  virtual ~InputFile() = default;
  // The next line, or nothing at the end of the file.
  virtual std::optional<std::wstring> ReadLine() = 0;
};

enum class OpenMode {
  kOutput,  // created, or emptied if present
  kAppend,  // created when absent, written at the end when present
};

// The file system. Paths are Windows paths; letter case does not matter.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Makes one folder; fails when it exists or its parent is missing.
  virtual bool MakeFolder(std::wstring_view path) = 0;
  virtual bool FolderExists(std::wstring_view path) = 0;
  // The length of a file; nothing when it is absent.
  virtual std::optional<std::uint64_t> FileLength(std::wstring_view path) = 0;
  // Nothing when the file cannot be opened (folder missing, no access).
  virtual std::unique_ptr<OutputFile> OpenOutput(std::wstring_view path, OpenMode mode) = 0;
  virtual std::unique_ptr<InputFile> OpenInput(std::wstring_view path) = 0;
  // Copies a file, replacing an existing destination.
  virtual bool Copy(std::wstring_view from, std::wstring_view to) = 0;
  // A whole file's bytes; nothing when it cannot be read.
  virtual std::optional<std::vector<char>> ReadWholeFile(std::wstring_view path) = 0;
};

}  // namespace tgw
