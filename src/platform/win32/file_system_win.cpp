#include "platform/win32/file_system_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

#include "platform/win32/handles.h"
#include "platform/win32/text_win.h"

namespace tgw {
namespace {

using win32::FromAnsi;
using win32::ToAnsi;
using win32::UniqueFile;
using win32::ZeroTerminated;

// The most one ReadFile or WriteFile call is asked to move.
constexpr DWORD kMaxTransfer = 1u << 30;

class Win32OutputFile final : public OutputFile {
 public:
  explicit Win32OutputFile(UniqueFile file) : file_(std::move(file)) {}

  bool WriteLine(std::wstring_view text) override {
    std::string bytes = ToAnsi(text);
    bytes += "\r\n";
    return WriteBytes(bytes);
  }

  bool WriteBytes(std::string_view bytes) override {
    if (!file_) return false;
    while (!bytes.empty()) {
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kMaxTransfer));
      DWORD written = 0;
      if (!WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr) || written == 0) {
        failed_ = true;
        return false;
      }
      bytes.remove_prefix(written);
    }
    return true;
  }

  // False as well when the file was closed already.
  bool Close() override {
    if (!file_) return false;
    const bool closed = CloseHandle(file_.release()) != FALSE;
    return closed && !failed_;
  }

 private:
  UniqueFile file_;
  bool failed_ = false;  // a write failed: something was not stored
};

class Win32InputFile final : public InputFile {
 public:
  explicit Win32InputFile(UniqueFile file) : file_(std::move(file)), buffer_(kBufferSize) {}

  std::optional<std::wstring> ReadLine() override {
    if (next_ == end_ && !Fill()) return std::nullopt;
    std::string line;  // the part of the line read before the buffer was refilled
    for (;;) {
      const char* const start = buffer_.data() + next_;
      const std::size_t available = end_ - next_;
      const auto* const cr = static_cast<const char*>(std::memchr(start, '\r', available));
      if (cr == nullptr) {
        line.append(start, available);
        next_ = end_;
        if (!Fill()) return FromAnsi(line);  // the last line, without terminator
        continue;
      }
      line.append(start, cr);
      next_ = static_cast<std::size_t>(cr - buffer_.data()) + 1;
      // A CR LF pair is one terminator, even when the LF is in the next block.
      if (next_ < end_ || Fill()) {
        if (buffer_[next_] == '\n') ++next_;
      }
      return FromAnsi(line);
    }
  }

 private:
  static constexpr std::size_t kBufferSize = 64 * 1024;

  // Reads the next block into the buffer, when all of the last one is used.
  // False at the end of the file (a read error counts as the end).
  bool Fill() {
    if (at_end_) return false;
    DWORD read = 0;
    if (!ReadFile(file_.get(), buffer_.data(), static_cast<DWORD>(buffer_.size()), &read,
                  nullptr) ||
        read == 0) {
      at_end_ = true;
      return false;
    }
    next_ = 0;
    end_ = read;
    return true;
  }

  UniqueFile file_;
  std::vector<char> buffer_;
  std::size_t next_ = 0;  // the first byte of the buffer not yet returned
  std::size_t end_ = 0;   // the end of the bytes in the buffer
  bool at_end_ = false;
};

UniqueFile OpenFile(std::wstring_view path, DWORD access, DWORD share, DWORD disposition) {
  const std::wstring name = ZeroTerminated(path);
  return UniqueFile(CreateFileW(name.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

}  // namespace

bool Win32FileSystem::MakeFolder(std::wstring_view path) {
  return CreateDirectoryW(ZeroTerminated(path).c_str(), nullptr) != FALSE;
}

bool Win32FileSystem::FolderExists(std::wstring_view path) {
  const DWORD attributes = GetFileAttributesW(ZeroTerminated(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::optional<std::uint64_t> Win32FileSystem::FileLength(std::wstring_view path) {
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(ZeroTerminated(path).c_str(), GetFileExInfoStandard, &data) ||
      (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return std::nullopt;
  }
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

std::unique_ptr<OutputFile> Win32FileSystem::OpenOutput(std::wstring_view path, OpenMode mode) {
  const bool append = mode == OpenMode::kAppend;
  UniqueFile file =
      OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ, append ? OPEN_ALWAYS : CREATE_ALWAYS);
  if (!file) return nullptr;
  if (append && !SetFilePointerEx(file.get(), LARGE_INTEGER{}, nullptr, FILE_END)) return nullptr;
  return std::make_unique<Win32OutputFile>(std::move(file));
}

std::unique_ptr<InputFile> Win32FileSystem::OpenInput(std::wstring_view path) {
  UniqueFile file = OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!file) return nullptr;
  return std::make_unique<Win32InputFile>(std::move(file));
}

bool Win32FileSystem::Copy(std::wstring_view from, std::wstring_view to) {
  const std::wstring source = ZeroTerminated(from);
  const std::wstring target = ZeroTerminated(to);
  return CopyFileW(source.c_str(), target.c_str(), /*bFailIfExists=*/FALSE) != FALSE;
}

std::optional<std::vector<char>> Win32FileSystem::ReadWholeFile(std::wstring_view path) {
  // Sharing delete as well lets this read the running program's own file.
  const UniqueFile file = OpenFile(
      path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart < 0) return std::nullopt;
  std::vector<char> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  } catch (const std::length_error&) {
    return std::nullopt;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kMaxTransfer));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) return std::nullopt;
    if (read == 0) break;  // the file became shorter meanwhile
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

}  // namespace tgw
