#include "platform/win32/file_system_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "engine/decimal.h"
#include "engine/names.h"
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

// Used for a closed file: writing to it or closing it again fails with this.
const Error kClosed{ErrorKind::kOther, ERROR_INVALID_HANDLE};

UniqueFile OpenFile(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  return UniqueFile(CreateFileW(path.c_str(), access, share, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Writes all of `bytes`; a write that stores nothing without an error means the disk is full.
Status WriteAll(HANDLE file, std::string_view bytes) {
  while (!bytes.empty()) {
    const auto chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), kMaxTransfer));
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), chunk, &written, nullptr)) return win32::LastError();
    if (written == 0) return win32::ErrorFromCode(ERROR_DISK_FULL);
    bytes.remove_prefix(written);
  }
  return {};
}

// Whether another program holds `path` open, or runs it: a file in use can be neither written
// nor deleted, while one the user may not change fails with access denied instead.
bool HeldByAnother(const std::wstring& path) {
  const UniqueFile probe = OpenFile(path, GENERIC_WRITE | DELETE, 0, OPEN_EXISTING);
  return !probe && GetLastError() == ERROR_SHARING_VIOLATION;
}

// The error of the move or delete that failed just now: the system reports access denied also
// when the file to be replaced or deleted is in use, which the error's kind then says, the code
// kept.
Error MoveError(const std::wstring& target) {
  const Error error = win32::LastError();
  if (error.code == ERROR_ACCESS_DENIED && HeldByAnother(target)) {
    return Error{ErrorKind::kInUse, error.code};
  }
  return error;
}

// A file open for writing through its handle; remembers the first write that failed.
class HandleOutput : public OutputFile {
 public:
  explicit HandleOutput(UniqueFile file) : file_(std::move(file)) {}

  Status WriteLine(std::wstring_view text) override {
    std::string bytes = ToAnsi(text);
    bytes += "\r\n";
    return WriteBytes(bytes);
  }

  Status WriteBytes(std::string_view bytes) override {
    if (!file_) return kClosed;
    Status written = WriteAll(file_.get(), bytes);
    if (!written.ok()) Fail(written.error());
    return written;
  }

 protected:
  HANDLE handle() const { return file_.get(); }
  bool open() const { return static_cast<bool>(file_); }
  const Status& failed() const { return failed_; }
  // Keeps the first failure, for Close.
  void Fail(const Error& error) {
    if (failed_.ok()) failed_ = error;
  }
  // Closes the handle: the first failure of a write or of the close itself.
  Status CloseHandleOnce() {
    if (!CloseHandle(file_.release())) Fail(win32::LastError());
    return failed_;
  }
  void Drop() noexcept { file_.reset(); }

 private:
  UniqueFile file_;
  Status failed_;
};

// Written in place: every write goes straight to the file.
class InPlaceOutput final : public HandleOutput {
 public:
  using HandleOutput::HandleOutput;
  Status Close() override { return open() ? CloseHandleOnce() : kClosed; }
};

// A file written complete or not at all: a new file that takes the target's place when closed
// complete, and is deleted otherwise.
//
// Where there is no target yet, the new file is the target itself, opened with a delete
// disposition for as long as it is written: no other program can open it, and the system deletes
// it when it is closed, or the program ends, before it is complete; Close lifts the disposition.
// Where there is one, the new file is written beside it, flushed, and moved over it: the target
// stays as it was until the complete file takes its place, a power failure included.
//
// A new file is not flushed: after a power failure, what was written in the last seconds before it
// can be missing from the disk (the run was not complete, and the files it did not finish come back
// when the setup runs again), but never a file that was there before. FlushVolume at the end of
// the run puts everything on the disk in one go, where the system allows it.
// (MOVEFILE_WRITE_THROUGH would not do: it waits only for a move that copies, across volumes.)
class Replacement final : public HandleOutput {
 public:
  // `temp_path` empty: `file` is the target itself, with its delete disposition set.
  Replacement(UniqueFile file, std::wstring temp_path, std::wstring target)
      : HandleOutput(std::move(file)),
        temp_path_(std::move(temp_path)),
        target_(std::move(target)) {}
  ~Replacement() override { Discard(); }

  // Copies every byte of `source` to the end of the file.
  Status AppendFrom(HANDLE source) {
    std::vector<char> buffer(64 * 1024);
    for (;;) {
      DWORD read = 0;
      if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr)) {
        const Error error = win32::LastError();
        Fail(error);
        return error;
      }
      if (read == 0) return {};
      if (Status written = WriteBytes({buffer.data(), read}); !written.ok()) return written;
    }
  }

  Status Close() override {
    if (!open()) return kClosed;
    if (temp_path_.empty()) {
      // Kept only when the disposition is lifted, which happens only after every write went in.
      if (failed().ok() && !SetDeleteDisposition(handle(), false)) Fail(win32::LastError());
      return CloseHandleOnce();
    }
    if (!FlushFileBuffers(handle())) Fail(win32::LastError());
    if (Status closed = CloseHandleOnce(); !closed.ok()) {
      Discard();
      return closed;
    }
    if (!MoveFileExW(temp_path_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
      const Error error = MoveError(target_);
      Discard();
      return error;
    }
    temp_path_.clear();
    return {};
  }

  static bool SetDeleteDisposition(HANDLE file, bool delete_it) {
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = delete_it ? TRUE : FALSE;
    return SetFileInformationByHandle(file, FileDispositionInfo, &disposition,
                                      sizeof disposition) != 0;
  }

 private:
  // Closing the target's own handle deletes it while the disposition holds.
  void Discard() noexcept {
    Drop();
    if (temp_path_.empty()) return;
    DeleteFileW(temp_path_.c_str());
    temp_path_.clear();
  }

  std::wstring temp_path_;  // a file beside the target, until it is moved or deleted
  std::wstring target_;
};

// The target itself, made new with its delete disposition set; nothing when there is a file there
// already, when the path cannot be made so, or when its last part is no plain file name (a device
// name such as NUL or COM1 would open the device).
std::unique_ptr<Replacement> OpenNewTarget(const std::wstring& target) {
  const std::wstring_view name = std::wstring_view(target).substr(target.find_last_of(L"\\/") + 1);
  if (CheckName(name, 0) != NameFault::kNone) return nullptr;
  UniqueFile file = OpenFile(target, GENERIC_WRITE | DELETE, 0, CREATE_NEW);
  if (!file || GetFileType(file.get()) != FILE_TYPE_DISK) return nullptr;
  if (!Replacement::SetDeleteDisposition(file.get(), true)) {
    file.reset();
    DeleteFileW(target.c_str());  // made empty just now
    return nullptr;
  }
  return std::make_unique<Replacement>(std::move(file), std::wstring(), target);
}

// A new file beside `target`: "~tgw<number>.tmp" in the target's folder (the same volume, so that
// the move is a rename).
Result<std::unique_ptr<Replacement>> OpenBeside(const std::wstring& target) {
  const std::wstring folder = target.substr(0, target.find_last_of(L"\\/:") + 1);
  static std::atomic<unsigned> counter = 0;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const unsigned number = (GetCurrentProcessId() << 8) + ++counter;
    std::wstring temp = folder + L"~tgw" + Decimal(number) + L".tmp";
    UniqueFile file = OpenFile(temp, GENERIC_WRITE, 0, CREATE_NEW);
    if (file) return std::make_unique<Replacement>(std::move(file), std::move(temp), target);
    if (GetLastError() != ERROR_FILE_EXISTS) return win32::LastError();
  }
  return win32::ErrorFromCode(ERROR_FILE_EXISTS);
}

// A new file of `target`: the target itself when it is not there, else one beside it.
Result<std::unique_ptr<Replacement>> OpenReplacement(const std::wstring& target) {
  if (auto made = OpenNewTarget(target)) return made;
  return OpenBeside(target);
}

// A replacement of `target` that starts with the target's bytes, when it is there.
Result<std::unique_ptr<Replacement>> OpenReplacementAppending(const std::wstring& target) {
  if (auto made = OpenNewTarget(target)) return made;  // nothing there to start with
  auto replacement = OpenBeside(target);
  if (!replacement) return replacement;
  const UniqueFile present = OpenFile(target, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (!present) {
    if (GetLastError() == ERROR_FILE_NOT_FOUND) return replacement;
    return win32::LastError();  // dropping the replacement deletes its file
  }
  if (Status copied = (*replacement)->AppendFrom(present.get()); !copied.ok()) {
    return copied.error();
  }
  return replacement;
}

Result<std::unique_ptr<OutputFile>> AsOutput(Result<std::unique_ptr<Replacement>> replacement) {
  if (!replacement) return replacement.error();
  return std::unique_ptr<OutputFile>(std::move(*replacement));
}

Result<std::unique_ptr<OutputFile>> OpenInPlace(const std::wstring& path, bool append) {
  UniqueFile file =
      OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ, append ? OPEN_ALWAYS : CREATE_ALWAYS);
  if (!file) return win32::LastError();
  if (append && !SetFilePointerEx(file.get(), LARGE_INTEGER{}, nullptr, FILE_END)) {
    return win32::LastError();
  }
  return std::unique_ptr<OutputFile>(std::make_unique<InPlaceOutput>(std::move(file)));
}

// Whether `text` comes back unchanged from the ANSI code page: a character the code page lacks
// would come back as its best fit or as '?'.
bool SurvivesAnsi(const std::wstring& text) { return FromAnsi(ToAnsi(text)) == text; }

// The short (8.3) form of an existing path, which is the path itself where the volume keeps no
// short names.
Result<std::wstring> ShortPath(const std::wstring& path) {
  std::wstring short_path(MAX_PATH, L'\0');
  for (int attempt = 0; attempt < 2; ++attempt) {
    const DWORD length =
        GetShortPathNameW(path.c_str(), short_path.data(), static_cast<DWORD>(short_path.size()));
    if (length == 0) return win32::LastError();
    if (length < short_path.size()) {
      short_path.resize(length);
      return short_path;
    }
    short_path.resize(length);  // too small: the size needed, with the null
  }
  return win32::ErrorFromCode(ERROR_INSUFFICIENT_BUFFER);  // it grew in between
}

// The attributes of a path; FILE_ATTRIBUTE_* of 0 when it is absent.
Result<DWORD> AttributesOf(std::wstring_view path) {
  const std::wstring name = ZeroTerminated(path);
  if (name.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  const DWORD attributes = GetFileAttributesW(name.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return attributes;
  const DWORD error = GetLastError();
  if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return DWORD{0};
  return win32::ErrorFromCode(error);
}

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

Status Win32FileSystem::RemoveFile(std::wstring_view path) {
  const std::wstring name = ZeroTerminated(path);
  if (name.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  if (!DeleteFileW(name.c_str())) return MoveError(name);
  return {};
}

Result<bool> Win32FileSystem::IsReparsePoint(std::wstring_view path) {
  const auto attributes = AttributesOf(path);
  if (!attributes) return attributes.error();
  return (*attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

Result<bool> Win32FileSystem::FolderExists(std::wstring_view path) {
  const auto attributes = AttributesOf(path);
  if (!attributes) return attributes.error();
  return (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

Result<std::uint64_t> Win32FileSystem::FileLength(std::wstring_view path) {
  const std::wstring name = ZeroTerminated(path);
  if (name.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(name.c_str(), GetFileExInfoStandard, &data)) return win32::LastError();
  // As opening a folder for its bytes fails.
  if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return win32::ErrorFromCode(ERROR_ACCESS_DENIED);
  }
  return (std::uint64_t{data.nFileSizeHigh} << 32) | data.nFileSizeLow;
}

Result<std::unique_ptr<OutputFile>> Win32FileSystem::OpenOutput(std::wstring_view path,
                                                                OpenMode mode) {
  const std::wstring target = ZeroTerminated(path);
  if (target.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  switch (mode) {
    case OpenMode::kOutput:
      return OpenInPlace(target, false);
    case OpenMode::kAppend:
      return OpenInPlace(target, true);
    case OpenMode::kReplace:
      return AsOutput(OpenReplacement(target));
    case OpenMode::kReplaceAppending:
      return AsOutput(OpenReplacementAppending(target));
  }
  return win32::ErrorFromCode(ERROR_INVALID_PARAMETER);
}

Result<std::vector<std::wstring>> Win32FileSystem::ReadLines(std::wstring_view path) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return bytes.error();
  return TextLines({bytes->data(), bytes->size()}, FromAnsi);
}

Status Win32FileSystem::Copy(std::wstring_view from, std::wstring_view to) {
  const std::wstring source_path = ZeroTerminated(from);
  const std::wstring target = ZeroTerminated(to);
  if (source_path.empty() || target.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  const UniqueFile source = OpenFile(source_path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING);
  if (!source) return win32::LastError();
  auto copy = OpenReplacement(target);
  if (!copy) return copy.error();
  if (Status copied = (*copy)->AppendFrom(source.get()); !copied.ok()) return copied;
  return (*copy)->Close();
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
    // A file's size is below 2^63: within what a vector can hold, never a length_error.
    bytes.resize(static_cast<std::size_t>(size.QuadPart));
  } catch (const std::bad_alloc&) {
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

Status Win32FileSystem::FlushVolume(std::wstring_view path) {
  // The volume of the path's drive letter ("\\.\D:"); a folder on a share has none here.
  if (!StartsWithDriveRoot(path)) return win32::ErrorFromCode(ERROR_INVALID_FUNCTION);
  wchar_t volume_path[] = L"\\\\.\\?:";
  volume_path[4] = path[0];
  const UniqueFile volume(CreateFileW(volume_path, GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!volume || !FlushFileBuffers(volume.get())) return win32::LastError();
  return {};
}

Result<std::wstring> Win32FileSystem::RecordablePath(std::wstring_view path) {
  const std::wstring name = ZeroTerminated(path);
  if (name.empty()) return win32::ErrorFromCode(ERROR_INVALID_NAME);
  if (SurvivesAnsi(name)) return name;
  auto short_path = ShortPath(name);
  if (short_path && !SurvivesAnsi(*short_path)) {
    return win32::ErrorFromCode(ERROR_NO_UNICODE_TRANSLATION);
  }
  return short_path;
}

}  // namespace tgw
