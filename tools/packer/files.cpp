#include "packer/files.h"

#include <fcntl.h>  // sync_file_range (Linux)
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "packer/failure.h"

namespace tgw::pack {

namespace {

[[noreturn]] void FailErrno(const std::string& label, std::string_view what,
                            const std::string& path, int error) {
  throw Failure(label + ": " + std::string(what) + " " + path + ": " + std::strerror(error));
}

FileStat ToFileStat(const struct stat& st) {
  FileStat out;
  out.device = static_cast<std::uint64_t>(st.st_dev);
  out.inode = static_cast<std::uint64_t>(st.st_ino);
  out.size = static_cast<std::uint64_t>(st.st_size);
  out.mode = static_cast<unsigned>(st.st_mode) & 07777U;
  out.regular = S_ISREG(st.st_mode);
  return out;
}

// A descriptor closed when it goes; for reading only, where close errors do not matter.
class ReadFd {
 public:
  ReadFd(const std::string& path, const std::string& label)
      : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)) {
    // O_NONBLOCK keeps a FIFO from blocking the open; it has no effect on regular files.
    if (fd_ < 0) FailErrno(label, "cannot open", path, errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) FailErrno(label, "cannot read", path, errno);
    stat_ = ToFileStat(st);
    if (!stat_.regular) throw Failure(label + ": " + path + " is not a regular file");
  }
  ReadFd(const ReadFd&) = delete;
  ReadFd& operator=(const ReadFd&) = delete;
  ~ReadFd() { ::close(fd_); }

  int fd() const { return fd_; }
  const FileStat& stat() const { return stat_; }

 private:
  int fd_;
  FileStat stat_;
};

}  // namespace

std::optional<FileStat> StatIfExists(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return ToFileStat(st);
}

FileStat StatRegularFile(const std::string& path, const std::string& label) {
  return ReadFd(path, label).stat();
}

FileStat ForEachChunk(const std::string& path, const std::string& label, std::size_t chunk_size,
                      const std::function<void(std::string_view)>& take) {
  std::vector<char> buffer(std::max<std::size_t>(chunk_size, 1));
  return ForEachChunk(
      path, label, [&buffer] { return std::span<char>(buffer); }, take);
}

FileStat ForEachChunk(const std::string& path, const std::string& label,
                      const std::function<std::span<char>()>& buffer,
                      const std::function<void(std::string_view)>& take) {
  const ReadFd file(path, label);
  for (;;) {
    const std::span<char> into = buffer();
    const ssize_t got = ::read(file.fd(), into.data(), into.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      FailErrno(label, "cannot read", path, errno);
    }
    if (got == 0) break;
    take({into.data(), static_cast<std::size_t>(got)});
  }
  struct stat st {};
  if (::fstat(file.fd(), &st) != 0) FailErrno(label, "cannot read", path, errno);
  return ToFileStat(st);
}

std::string ReadSmallFile(const std::string& path) {
  std::string text;
  ForEachChunk(path, path, 64 * 1024, [&](std::string_view chunk) { text.append(chunk); });
  return text;
}

MappedFile::MappedFile(const std::string& path) {
  const ReadFd file(path, path);
  if (file.stat().size == 0) return;
  size_ = static_cast<std::size_t>(file.stat().size);
  data_ = ::mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, file.fd(), 0);
  if (data_ == MAP_FAILED) {
    data_ = nullptr;
    FailErrno(path, "cannot map", path, errno);
  }
}

MappedFile::~MappedFile() {
  if (data_ != nullptr) ::munmap(data_, size_);
}

TempOutput::TempOutput(std::string path, unsigned mode, std::size_t buffer_size)
    : path_(std::move(path)), buffer_(std::max<std::size_t>(buffer_size, 1)) {
  std::string pattern = path_ + ".tmp-XXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) FailErrno(path_, "cannot create a temporary file", pattern, errno);
  temp_path_ = std::move(pattern);
  if (::fchmod(fd_, static_cast<mode_t>(mode & 0777U)) != 0) Fail("cannot set the mode of");
}

TempOutput::~TempOutput() {
  if (fd_ >= 0) ::close(fd_);
  if (!temp_path_.empty()) ::unlink(temp_path_.c_str());
}

void TempOutput::Fail(std::string_view what) const { FailErrno(path_, what, temp_path_, errno); }

void TempOutput::WriteOut(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(fd_, bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write");
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
    out_ += static_cast<std::uint64_t>(put);
  }
#ifdef SYNC_FILE_RANGE_WRITE
  // The disk works while the rest is read, checked and hashed (best effort: a file system that
  // cannot is synced at Commit all the same).
  constexpr std::uint64_t kWritebackStep = std::uint64_t{16} << 20;
  if (out_ - synced_ >= kWritebackStep) {
    (void)::sync_file_range(fd_, static_cast<off_t>(synced_), static_cast<off_t>(out_ - synced_),
                            SYNC_FILE_RANGE_WRITE);
    synced_ = out_;
  }
#endif
}

void TempOutput::Flush() {
  WriteOut({buffer_.data(), used_});
  used_ = 0;
}

void TempOutput::Write(std::string_view bytes) {
  written_ += bytes.size();
  if (bytes.size() >= buffer_.size()) {
    Flush();
    WriteOut(bytes);  // a whole chunk goes out without a copy
    return;
  }
  while (!bytes.empty()) {
    const std::size_t take = std::min(bytes.size(), buffer_.size() - used_);
    std::memcpy(buffer_.data() + used_, bytes.data(), take);
    used_ += take;
    bytes.remove_prefix(take);
    if (used_ == buffer_.size()) Flush();
  }
}

void TempOutput::Patch(std::uint64_t offset, std::string_view bytes) {
  if (offset > written_ || bytes.size() > written_ - offset) {
    throw Failure(path_ + ": cannot patch past the end of " + temp_path_);
  }
  Flush();
  while (!bytes.empty()) {
    const ssize_t put = ::pwrite(fd_, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (put < 0) {
      if (errno == EINTR) continue;
      Fail("cannot write");
    }
    bytes.remove_prefix(static_cast<std::size_t>(put));
    offset += static_cast<std::uint64_t>(put);
  }
}

void TempOutput::Commit() {
  Flush();
  if (::fsync(fd_) != 0) Fail("cannot store");
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) Fail("cannot close");
  if (::rename(temp_path_.c_str(), path_.c_str()) != 0) Fail("cannot rename");
  temp_path_.clear();
  // Make the rename itself durable; best effort, as some file systems refuse to sync folders.
  const auto slash = path_.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : path_.substr(0, slash + 1);
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

}  // namespace tgw::pack
