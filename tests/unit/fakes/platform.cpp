#include "fakes/platform.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "engine/ascii.h"

namespace tgw::fakes {

namespace {

// Windows-1252's characters for the bytes 0x80 to 0x9F (the five it leaves undefined stand for
// themselves, as Windows reads them).
constexpr std::wstring_view k1252 =
    L"\u20ac\u0081\u201a\u0192\u201e\u2026\u2020\u2021\u02c6\u2030\u0160\u2039\u0152\u008d\u017d"
    L"\u008f\u0090\u2018\u2019\u201c\u201d\u2022\u2013\u2014\u02dc\u2122\u0161\u203a\u0153\u009d"
    L"\u017e\u0178";

std::string ToAnsi(std::wstring_view text) {
  std::string bytes;
  for (const wchar_t c : text) {
    const std::size_t high = k1252.find(c);
    bytes += c < 0x80 || (c >= 0xA0 && c < 0x100) ? static_cast<char>(c)
             : high != std::wstring_view::npos    ? static_cast<char>(0x80 + high)
                                                  : '?';
  }
  return bytes;
}

std::wstring FromAnsi(std::string_view bytes) {
  std::wstring text;
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    text += c >= 0x80 && c < 0xA0 ? k1252[c - 0x80] : static_cast<wchar_t>(c);
  }
  return text;
}

wchar_t Lower(wchar_t c) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return static_cast<wchar_t>(unicode != locale_t{} ? towlower_l(static_cast<wint_t>(c), unicode)
                                                    : towlower(static_cast<wint_t>(c)));
}

// Empty, or with a character no Windows path holds.
bool IsBadName(std::wstring_view path) {
  return path.empty() || std::any_of(path.begin(), path.end(), [](wchar_t c) {
           return c < 32 || std::wstring_view(L"<>\"|?*").find(c) != std::wstring_view::npos;
         });
}

std::wstring ParentOf(const std::wstring& key) { return key.substr(0, key.rfind(L'\\')); }

// The Win32 errors of the calls the Win32 file system makes.
constexpr Error kFileNotFound{ErrorKind::kNotFound, 2};
constexpr Error kPathNotFound{ErrorKind::kNotFound, 3};
constexpr Error kAccessDenied{ErrorKind::kAccessDenied, 5};
constexpr Error kClosed{ErrorKind::kOther, 6};  // ERROR_INVALID_HANDLE
constexpr Error kBadName{ErrorKind::kBadName, 123};
constexpr Error kExists{ErrorKind::kExists, 183};

// Lines end at CR LF or a lone CR.
class MemoryInputFile : public InputFile {
 public:
  explicit MemoryInputFile(std::string bytes) : bytes_(std::move(bytes)) {}
  std::optional<std::wstring> ReadLine() override {
    if (at_ >= bytes_.size()) return std::nullopt;
    const std::size_t end = std::min(bytes_.find('\r', at_), bytes_.size());
    std::wstring line = FromAnsi(std::string_view(bytes_).substr(at_, end - at_));
    at_ = end + 1;
    if (at_ < bytes_.size() && bytes_[at_] == '\n') ++at_;
    return line;
  }

 private:
  std::string bytes_;
  std::size_t at_ = 0;
};

class RecordingLink : public ShellLink {
 public:
  RecordingLink(MemoryFileSystem& files, std::wstring path)
      : files_(files), path_(std::move(path)) {}
  Status SetWindowStyle(ShowCommand) override { return {}; }
  Status SetTargetPath(std::wstring_view) override { return {}; }
  Status SetIconLocation(std::wstring_view) override { return {}; }
  Status SetDescription(std::wstring_view) override { return {}; }
  Status SetWorkingDirectory(std::wstring_view) override { return {}; }
  Status Save() override {
    auto file = files_.OpenOutput(path_, OpenMode::kReplace);
    Status saved = file ? (*file)->WriteBytes("lnk") : file.status();
    if (saved.ok()) saved = (*file)->Close();
    if (saved.ok()) return saved;
    return Error{saved.error().kind, 0x80070000 | (saved.error().code & 0xFFFF)};
  }

 private:
  MemoryFileSystem& files_;
  std::wstring path_;
};

}  // namespace

// Written in place, or (a replacement) into bytes of its own that take the file's place at Close.
class MemoryOutputFile : public OutputFile {
 public:
  MemoryOutputFile(MemoryFileSystem& files, std::wstring key, std::optional<std::string> pending)
      : files_(files), key_(std::move(key)), pending_(std::move(pending)) {}

  Status WriteLine(std::wstring_view text) override { return WriteBytes(ToAnsi(text) + "\r\n"); }
  Status WriteBytes(std::string_view bytes) override {
    if (closed_) return kClosed;
    auto& node = pending_ ? pending_ : files_.nodes_[key_];
    std::string& into = node ? *node : *(node = "");
    const auto fault = files_.FaultAt(key_, MemoryFileSystem::Fault::At::kWrite);
    into.append(bytes.substr(0, fault ? bytes.size() / 2 : bytes.size()));
    if (fault) failed_ = *fault;
    return fault ? Status(*fault) : Status();
  }
  Status Close() override {
    if (closed_) return kClosed;
    closed_ = true;
    Status status = failed_;
    if (const auto fault = files_.FaultAt(key_, MemoryFileSystem::Fault::At::kClose)) {
      status = status.ok() ? *fault : status;
    }
    if (pending_ && status.ok()) files_.nodes_[key_] = std::move(pending_);
    return status;
  }

 private:
  MemoryFileSystem& files_;
  std::wstring key_;
  std::optional<std::string> pending_;  // a replacement's bytes
  Status failed_;
  bool closed_ = false;
};

MemoryFileSystem::MemoryFileSystem() { nodes_[L"c:"] = nodes_[L"d:"] = std::nullopt; }

std::wstring MemoryFileSystem::Key(std::wstring_view path) {
  std::wstring key;
  for (wchar_t c : path) {
    c = c == L'/' ? L'\\' : Lower(c);
    if (c != L'\\' || (!key.empty() && key.back() != L'\\')) key += c;
  }
  if (key.ends_with(L'\\')) key.pop_back();
  return key;
}

std::optional<Error> MemoryFileSystem::FaultAt(std::wstring_view path, Fault::At at) const {
  const auto it = faults.find(Key(path));
  if (it == faults.end() || it->second.at != at) return std::nullopt;
  return it->second.error;
}

bool MemoryFileSystem::IsFolder(const std::wstring& key) const {
  const auto it = nodes_.find(key);
  return it != nodes_.end() && !it->second;
}

Result<std::string*> MemoryFileSystem::ExistingFile(std::wstring_view path) {
  const std::wstring key = Key(path);
  if (IsBadName(path)) return kBadName;
  const auto it = nodes_.find(key);
  if (it == nodes_.end()) return IsFolder(ParentOf(key)) ? kFileNotFound : kPathNotFound;
  if (!it->second) return kAccessDenied;
  return &*it->second;
}

Status MemoryFileSystem::MakeFolder(std::wstring_view path) {
  const std::wstring key = Key(path);
  if (IsBadName(path)) return kBadName;
  if (const auto fault = FaultAt(key, Fault::At::kOpen)) return *fault;
  if (nodes_.count(key) != 0) return kExists;
  if (!IsFolder(ParentOf(key))) return kPathNotFound;
  nodes_[key] = std::nullopt;
  return {};
}

Status MemoryFileSystem::RemoveFolder(std::wstring_view path) {
  const std::wstring key = Key(path);
  if (const auto file = ExistingFile(path); !IsFolder(key)) {
    return file ? Error{ErrorKind::kBadName, 267} : file.error();  // ERROR_DIRECTORY
  }
  const auto child = nodes_.lower_bound(key + L"\\");
  if (child != nodes_.end() && child->first.starts_with(key + L"\\")) {
    return Error{ErrorKind::kOther, 145};  // not empty
  }
  nodes_.erase(key);
  return {};
}

Status MemoryFileSystem::RemoveFile(std::wstring_view path) {
  if (const auto fault = FaultAt(path, Fault::At::kOpen)) return *fault;
  const auto file = ExistingFile(path);
  if (!file) return file.error();
  nodes_.erase(Key(path));
  return {};
}

bool MemoryFileSystem::IsReparsePoint(std::wstring_view path) {
  return reparse_points.count(Key(path)) != 0;
}

bool MemoryFileSystem::FolderExists(std::wstring_view path) { return IsFolder(Key(path)); }

std::optional<std::uint64_t> MemoryFileSystem::FileLength(std::wstring_view path) {
  const auto file = ExistingFile(path);
  return file ? std::optional<std::uint64_t>((*file)->size()) : std::nullopt;
}

Result<std::unique_ptr<OutputFile>> MemoryFileSystem::OpenOutput(std::wstring_view path,
                                                                 OpenMode mode) {
  const std::wstring key = Key(path);
  if (IsBadName(path)) return kBadName;
  if (!IsFolder(ParentOf(key))) return kPathNotFound;
  if (const auto fault = FaultAt(key, Fault::At::kOpen)) return *fault;
  if (IsFolder(key)) return kAccessDenied;
  std::optional<std::string> pending;  // a replacement starts empty, or (appending) as the file
  if (mode == OpenMode::kReplace || mode == OpenMode::kReplaceAppending) {
    pending = mode == OpenMode::kReplace || !nodes_.count(key) ? "" : *nodes_[key];
  } else if (mode == OpenMode::kOutput || !nodes_.count(key)) {
    nodes_[key] = "";
  }
  return std::unique_ptr<OutputFile>(std::make_unique<MemoryOutputFile>(*this, key, pending));
}

std::unique_ptr<InputFile> MemoryFileSystem::OpenInput(std::wstring_view path) {
  const auto file = ExistingFile(path);
  return file ? std::make_unique<MemoryInputFile>(**file) : nullptr;
}

Status MemoryFileSystem::Copy(std::wstring_view from, std::wstring_view to) {
  const auto file = ExistingFile(from);
  if (!file) return file.error();
  // Onto itself: the move over the source, which the copy holds open, is refused.
  if (Key(from) == Key(to)) return Error{ErrorKind::kInUse, 5};
  auto copy = OpenOutput(to, OpenMode::kReplace);
  if (!copy) return copy.error();
  if (Status written = (*copy)->WriteBytes(**file); !written.ok()) return written;
  return (*copy)->Close();
}

Result<std::vector<char>> MemoryFileSystem::ReadWholeFile(std::wstring_view path) {
  if (const auto fault = FaultAt(path, Fault::At::kOpen)) return *fault;
  const auto file = ExistingFile(path);
  if (!file) return file.error();
  return std::vector<char>((*file)->begin(), (*file)->end());
}

std::optional<std::wstring> MemoryFileSystem::RecordablePath(std::wstring_view path) {
  if (IsBadName(path)) return std::nullopt;
  if (FromAnsi(ToAnsi(path)) == path) return std::wstring(path);
  const auto it = short_names.find(Key(path));
  if (!nodes_.count(Key(path)) || it == short_names.end()) return std::nullopt;
  return it->second;
}

void MemoryFileSystem::AddFolders(std::wstring_view path) {
  const std::wstring key = Key(path);
  for (auto at = key.find(L'\\'); at != std::wstring::npos; at = key.find(L'\\', at + 1)) {
    nodes_.try_emplace(key.substr(0, at));
  }
  nodes_.try_emplace(key);
}

void MemoryFileSystem::PutFile(std::wstring_view path, std::string_view bytes) {
  AddFolders(ParentOf(Key(path)));
  nodes_[Key(path)] = std::string(bytes);
}

std::string MemoryFileSystem::Bytes(std::wstring_view path) const {
  const auto it = nodes_.find(Key(path));
  return it == nodes_.end() || !it->second ? "<absent>" : *it->second;
}

std::set<std::wstring> MemoryFileSystem::Files() const {
  std::set<std::wstring> files;
  for (const auto& [key, bytes] : nodes_) {
    if (bytes) files.insert(key);
  }
  return files;
}

RecordingShell::RecordingShell(MemoryFileSystem& file_system)
    : files(file_system),
      special_folders{{L"Desktop", L"C:\\Users\\ann\\Desktop"},
                      {L"Programs", L"C:\\Users\\ann\\Start Menu\\Programs"},
                      {L"StartMenu", L"C:\\Users\\ann\\Start Menu"},
                      {L"StartUp", L"C:\\Users\\ann\\Start Menu\\Programs\\StartUp"}} {
  for (const auto& [name, folder] : special_folders) files.AddFolders(folder);
}

Result<std::wstring> RecordingShell::SpecialFolder(std::wstring_view name) {
  for (const auto& [known, folder] : special_folders) {
    if (ascii::SameIgnoringCase(name, known)) return folder;
  }
  return kBadName;
}

Result<std::unique_ptr<ShellLink>> RecordingShell::CreateShortcut(std::wstring_view path) {
  if (path.empty()) return kBadName;
  return std::unique_ptr<ShellLink>(std::make_unique<RecordingLink>(files, std::wstring(path)));
}

}  // namespace tgw::fakes
