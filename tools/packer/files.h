#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// POSIX file access for the packer. Every error throws Failure with the path and the
// system's reason.
namespace tgw::pack {

// Identity and size of a file, links followed.
struct FileStat {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t size = 0;
  unsigned mode = 0;  // permission bits
  bool regular = false;

  bool SameFileAs(const FileStat& other) const {
    return device == other.device && inode == other.inode;
  }
};

// Nothing when `path` does not exist.
std::optional<FileStat> StatIfExists(const std::string& path);

// Refuses, naming `label`, a path that is missing, unreadable or not a regular file.
FileStat StatRegularFile(const std::string& path, const std::string& label);

// Reads a regular file from start to end, handing each chunk of at most `chunk_size`
// bytes to `take`. Gives the file's state once the last chunk is read.
FileStat ForEachChunk(const std::string& path, const std::string& label, std::size_t chunk_size,
                      const std::function<void(std::string_view)>& take);
// The same, each chunk read into the buffer `buffer` gives for it (as large as it is).
FileStat ForEachChunk(const std::string& path, const std::string& label,
                      const std::function<std::span<char>()>& buffer,
                      const std::function<void(std::string_view)>& take);

// A whole small file, such as a manifest.
std::string ReadSmallFile(const std::string& path);

// A file's bytes mapped read-only into memory.
class MappedFile {
 public:
  explicit MappedFile(const std::string& path);
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile();

  std::string_view bytes() const { return {static_cast<const char*>(data_), size_}; }

 private:
  void* data_ = nullptr;
  std::size_t size_ = 0;
};

// An output written to a temporary file in the folder of `path` and renamed onto `path`
// by Commit(). Until then `path` is untouched; when it goes uncommitted the temporary
// file is removed. Small writes are gathered in a buffer of `buffer_size` bytes, larger ones go
// out as they are; the system is asked to start putting what was written on the disk as the
// output grows, so that Commit's sync has little left to wait for.
class TempOutput {
 public:
  TempOutput(std::string path, unsigned mode, std::size_t buffer_size);
  TempOutput(const TempOutput&) = delete;
  TempOutput& operator=(const TempOutput&) = delete;
  ~TempOutput();

  void Write(std::string_view bytes);
  std::uint64_t written() const { return written_; }
  // Overwrites bytes already written, from `offset` on (it must not run past written()).
  void Patch(std::uint64_t offset, std::string_view bytes);
  // Flushes, syncs and closes the temporary file, then renames it onto the path.
  void Commit();

 private:
  void Flush();
  void WriteOut(std::string_view bytes);
  [[noreturn]] void Fail(std::string_view what) const;

  std::string path_;
  std::string temp_path_;
  int fd_ = -1;
  std::vector<char> buffer_;
  std::size_t used_ = 0;
  std::uint64_t written_ = 0;
  std::uint64_t out_ = 0;     // bytes that went out to the file
  std::uint64_t synced_ = 0;  // bytes the system was asked to start storing
};

}  // namespace tgw::pack
