#include "platform/win32/file_system_win.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <utility>

#include "platform/win32/error_win.h"
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

// Written in place, or (a replacement) into a new file beside the target that takes the
// target's place at Close.
class Win32OutputFile final : public OutputFile {
 public:
  Win32OutputFile(UniqueFile file, std::wstring temp_path, std::wstring target)
      : file_(std::move(file)), temp_path_(std::move(temp_path)), target_(std::move(target)) {}
  ~Win32OutputFile() override {
    if (!temp_path_.empty()) Discard();
  }
  Win32OutputFile(const Win32OutputFile&) = delete;
  Win32OutputFile& operator=(const Win32OutputFile&) = delete;

  Status WriteLine(std::wstring_view text) override {
    std::string bytes = ToAnsi(text);
    bytes += "\r\n";
    return WriteBytes(bytes);
  }

  Status WriteBytes(std::string_view bytes) override {
    if (!file_) return Error{ErrorKind::kOther, ERROR_INVALID_HANDLE};
    while (!bytes.empty()) {
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kMaxTransfer));
      DWORD written = 0;
      if (!WriteFile(file_.get(), bytes.data(), chunk, &written, nullptr)) {
        failed_ = win32::LastError();
        return failed_;
      }
      if (written == 0) {
        failed_ = win32::ErrorFromCode(ERROR_DISK_FULL);
        return failed_;
      }
      bytes.remove_prefix(written);
    }
    return {};
  }

  // Copies every byte of `source` to the end of the file.
  Status AppendFrom(HANDLE source) {
    std::vector<char> buffer(64 * 1024);
    for (;;) {
      DWORD read = 0;
      if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
        return win32::LastError();
      }
      if (read == 0) return {};
      if (Status written = WriteBytes({buffer.data(), read}); !written.ok()) return written;
    }
  }

  // Fails as well when the file was closed already.
  Status Close() override {
    if (!file_) return Error{ErrorKind::kOther, ERROR_INVALID_HANDLE};
    if (!CloseHandle(file_.release()) && failed_.ok()) failed_ = win32::LastError();
    if (temp_path_.empty()) return failed_;
    if (!failed_.ok()) {
      Discard();
      return failed_;
    }
    if (!MoveFileExW(temp_path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      const Error error = win32::LastError();
      Discard();
      return error;
    }
    temp_path_.clear();
    return {};
  }

 private:
  void Discard() noexcept {
    file_.reset();
    DeleteFileW(temp_path_.c_str());
    temp_path_.clear();
  }

  UniqueFile file_;
  std::wstring temp_path_;  // a replacement's own file until it is moved; empty otherwise
  std::wstring target_;
  Status failed_;  // a write failed: something was not stored
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

UniqueFile OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition,
                    DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
  return UniqueFile(
      CreateFileW(path.c_str(), access, share, nullptr, disposition, attributes, nullptr));
}

// A new file in the folder of `target`, for a replacement: "~tgw<number>.tmp".
Result<std::pair<UniqueFile, std::wstring>> OpenTemporaryBeside(const std::wstring& target) {
  const auto slash = target.find_last_of(L"\\/");
  const std::wstring folder = slash == std::wstring::npos ? L"" : target.substr(0, slash + 1);
  static unsigned counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const unsigned number = (GetCurrentProcessId() << 8) + ++counter;
    std::wstring temp = folder + L"~tgw" + std::to_wstring(number) + L".tmp";
    UniqueFile file = OpenFile(temp, GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW,
                               FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_HIDDEN);
    if (file) return std::pair{std::move(file), std::move(temp)};
    if (GetLastError() != ERROR_FILE_EXISTS) return win32::LastError();
  }
  return win32::ErrorFromCode(ERROR_FILE_EXISTS);
}

// Whether `text` passes through the ANSI code page and back unchanged.
bool PassesAnsi(const std::wstring& text) { return FromAnsi(ToAnsi(text)) == text; }

}  // namespace

Status Win32FileSystem::MakeFolder(std::wstring_view path) {
  const std::wstring name = ZeroTerminated(path);
  if (name.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  if (!CreateDirectoryW(name.c_str(), nullptr)) return win32::LastError();
  return {};
}

Status Win32FileSystem::RemoveFolder(std::wstring_view path) {
  const std::wstring name = ZeroTerminated(path);
  if (name.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  if (!RemoveDirectoryW(name.c_str())) return win32::LastError();
  return {};
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

Result<std::unique_ptr<OutputFile>> Win32FileSystem::OpenOutput(std::wstring_view path,
                                                                OpenMode mode) {
  std::wstring target = ZeroTerminated(path);
  if (target.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  if (mode == OpenMode::kOutput || mode == OpenMode::kAppend) {
    const bool append = mode == OpenMode::kAppend;
    UniqueFile file =
        OpenFile(target, GENERIC_WRITE, FILE_SHARE_READ, append ? OPEN_ALWAYS : CREATE_ALWAYS);
    if (!file) return win32::LastError();
    if (append && !SetFilePointerEx(file.get(), LARGE_INTEGER{}, nullptr, FILE_END)) {
      return win32::LastError();
    }
    return std::unique_ptr<OutputFile>(
        std::make_unique<Win32OutputFile>(std::move(file), std::wstring(), std::move(target)));
  }

  auto temp = OpenTemporaryBeside(target);
  if (!temp) return temp.error();
  auto output =
      std::make_unique<Win32OutputFile>(std::move(temp->first), std::move(temp->second), target);
  if (mode == OpenMode::kReplaceAppending) {
    const UniqueFile present = OpenFile(target, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
    if (!present && GetLastError() != ERROR_FILE_NOT_FOUND) return win32::LastError();
    if (present) {
      // Dropping the replacement on a failure removes its file again.
      if (Status copied = output->AppendFrom(present.get()); !copied.ok()) return copied.error();
    }
  }
  return std::unique_ptr<OutputFile>(std::move(output));
}

std::unique_ptr<InputFile> Win32FileSystem::OpenInput(std::wstring_view path) {
  UniqueFile file = OpenFile(ZeroTerminated(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             OPEN_EXISTING);
  if (!file) return nullptr;
  return std::make_unique<Win32InputFile>(std::move(file));
}

Status Win32FileSystem::Copy(std::wstring_view from, std::wstring_view to) {
  const std::wstring source_path = ZeroTerminated(from);
  if (source_path.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  const UniqueFile source = OpenFile(source_path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (!source) return win32::LastError();
  auto copy = OpenOutput(to, OpenMode::kReplace);
  if (!copy) return copy.error();
  auto& file = static_cast<Win32OutputFile&>(**copy);
  if (Status copied = file.AppendFrom(source.get()); !copied.ok()) return copied;
  return file.Close();
}

Result<std::vector<char>> Win32FileSystem::ReadWholeFile(std::wstring_view path) {
  // Sharing delete as well lets this read the running program's own file.
  const UniqueFile file =
      OpenFile(ZeroTerminated(path), GENERIC_READ,
               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
  if (!file) return win32::LastError();
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return win32::LastError();
  std::vector<char> bytes;
  try {
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
    return win32::ErrorFromCode(ERROR_NOT_ENOUGH_MEMORY);
  } catch (const std::length_error&) {
    return win32::ErrorFromCode(ERROR_NOT_ENOUGH_MEMORY);
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, kMaxTransfer));
    DWORD read = 0;
    if (!ReadFile(file.get(), bytes.data() + done, chunk, &read, nullptr)) {
      return win32::LastError();
    }
    if (read == 0) break;  // the file became shorter meanwhile
    done += read;
  }
  bytes.resize(done);
  return bytes;
}

std::optional<std::wstring> Win32FileSystem::RecordablePath(std::wstring_view path) {
  const std::wstring name = ZeroTerminated(path);
  if (name.empty()) return std::nullopt;
  if (PassesAnsi(name)) return name;
  std::wstring short_path(MAX_PATH, L'\0');
  DWORD length =
      GetShortPathNameW(name.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
  if (length >= short_path.size()) {
    short_path.resize(length);
    length =
        GetShortPathNameW(name.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
  }
  if (length == 0 || length >= short_path.size()) return std::nullopt;
  short_path.resize(length);
  if (!PassesAnsi(short_path)) return std::nullopt;
  return short_path;
}

}  // namespace tgw
