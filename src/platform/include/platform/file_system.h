#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"

namespace tgw {

// A file open for writing. Text lines are written in the system's ANSI code page,
// each followed by CR LF, with no byte-order mark.
//
// Dropped without Close, a file written in place is closed as far as it got, and a
// replacement (OpenMode::kReplace...) is discarded: the file it was to replace stays.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  virtual Status WriteLine(std::wstring_view text) = 0;
  virtual Status WriteBytes(std::string_view bytes) = 0;
  // Flushes and closes; a replacement then takes the place of the file it replaces.
  // Fails (again) when an earlier write failed: something written was not stored, and a
  // replacement is then discarded.
  virtual Status Close() = 0;
};

// A file's bytes mapped into memory, read-only, for as long as the object lives: the system reads
// each page from the file when it is first touched, and the pages are no private memory of the
// program, so a file of any size can be read through it.
class MappedFile {
 public:
  virtual ~MappedFile() = default;
  virtual std::string_view Bytes() const = 0;
  // Whether every byte read from Bytes() so far came from the file. When a page cannot be read
  // (the drive or network share that holds the file went away, the file was cut short), Bytes()
  // reads as zeros from then on, and this gives the error: check it after reading.
  virtual Status ReadStatus() const = 0;
};

enum class OpenMode {
  kOutput,  // written in place: created, or emptied if present
  kAppend,  // written in place: created when absent, written at the end when present
  // Written to a new file that takes the path's place at Close, complete; until then a file
  // already there stays as it was, and no other program can open the new one. Never leaves a cut
  // file: not on a failure, nor when the program ends before Close.
  kReplace,
  // As kReplace, starting with the bytes of the file already there (if any): appends to it
  // without putting what it holds at risk.
  kReplaceAppending,
};

// The file system. Paths are Windows paths; letter case does not matter.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Makes one folder; fails (kExists) when it exists, or when its parent is missing.
  virtual Status MakeFolder(std::wstring_view path) = 0;
  // Removes a folder that is empty; fails when it holds anything.
  virtual Status RemoveFolder(std::wstring_view path) = 0;
  // Deletes a file; fails (kNotFound) when there is none, and for a folder.
  virtual Status RemoveFile(std::wstring_view path) = 0;
  // Whether the path is a reparse point (a junction, a symbolic link, a mount point): what it
  // holds lies elsewhere. False when it is absent (kNotFound is no failure here). A reparse point
  // on a folder above the path is followed here: check the parts from the top down to know that
  // none is one.
  virtual Result<bool> IsReparsePoint(std::wstring_view path) = 0;
  // Whether the path is a folder; false when it is absent or a file.
  virtual Result<bool> FolderExists(std::wstring_view path) = 0;
  // The length of a file; fails with kNotFound when it is absent, as opening a folder fails for a
  // folder.
  virtual Result<std::uint64_t> FileLength(std::wstring_view path) = 0;
  // Fails when the file cannot be opened (folder missing, no access, in use).
  virtual Result<std::unique_ptr<OutputFile>> OpenOutput(std::wstring_view path, OpenMode mode) = 0;
  // A text file's lines, read in the ANSI code page. A line ends at CR LF (the pair is one
  // terminator), at a lone CR, or at the end of the file; a lone LF is text. An empty file has
  // no lines.
  virtual Result<std::vector<std::wstring>> ReadLines(std::wstring_view path) = 0;
  // Copies a file. An existing destination is replaced only by a complete copy: as kReplace.
  virtual Status Copy(std::wstring_view from, std::wstring_view to) = 0;
  // A whole file's bytes, read into memory: for small files (records, logs).
  virtual Result<std::vector<char>> ReadWholeFile(std::wstring_view path) = 0;
  // A whole file's bytes, mapped (see MappedFile): for large files. An empty file maps to no bytes.
  virtual Result<std::unique_ptr<MappedFile>> MapFile(std::wstring_view path) = 0;
  // Asks the system to put everything written so far to the volume that holds `path` onto the
  // disk, in one go (Windows allows it only to administrators). Best effort: nothing depends on
  // it succeeding.
  virtual Status FlushVolume(std::wstring_view path) = 0;
  // An existing path in a form that passes through the ANSI code page unchanged, so that a
  // text record can name it truly: the path itself when it does, else its short (8.3) form
  // when that does. Fails with kNoMapping when neither does (the volume keeps no short names).
  virtual Result<std::wstring> RecordablePath(std::wstring_view path) = 0;
};

// The lines of a text file's bytes, split as FileSystem::ReadLines splits them, each decoded.
std::vector<std::wstring> TextLines(std::string_view bytes,
                                    std::wstring (*decode)(std::string_view line));

}  // namespace tgw
