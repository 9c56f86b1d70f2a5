#include "fakes/memory_file_system.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace tgw::fakes {

namespace {

// Windows-1252's characters for the bytes 0x80 to 0x9F; the five it leaves undefined stand for
// themselves, as Windows reads them.
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

// Letter case as the system ignores it, beyond ASCII too.
wchar_t Lower(wchar_t c) {
  static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
  return static_cast<wchar_t>(unicode != locale_t{} ? towlower_l(static_cast<wint_t>(c), unicode)
                                                    : towlower(static_cast<wint_t>(c)));
}

// The Win32 errors of the system calls the Win32 file system makes.
constexpr Error kFileNotFound{ErrorKind::kNotFound, 2};
constexpr Error kPathNotFound{ErrorKind::kNotFound, 3};
constexpr Error kAccessDenied{ErrorKind::kAccessDenied, 5};
constexpr Error kClosed{ErrorKind::kOther, 6};  // ERROR_INVALID_HANDLE
constexpr Error kDiskFull{ErrorKind::kDiskFull, 112};
constexpr Error kBadName{ErrorKind::kBadName, 123};
constexpr Error kNotEmpty{ErrorKind::kOther, 145};
constexpr Error kExists{ErrorKind::kExists, 183};
constexpr Error kNotAFolder{ErrorKind::kBadName, 267};    // ERROR_DIRECTORY
constexpr Error kNoMapping{ErrorKind::kNoMapping, 1113};  // ERROR_NO_UNICODE_TRANSLATION
// A copy onto its own source: the move over the source, which the copy holds open, is refused.
constexpr Error kHeldByTheCopy{ErrorKind::kInUse, 5};

}  // namespace

struct MemoryFileSystem::Path {
  std::wstring key;                    // root and parts in lower case, joined with "\"
  std::optional<std::wstring> parent;  // the key of the folder holding it; none for a root
  bool empty = false;                  // empty or with a null character: no path at all
  bool bad_name = false;               // so, or with a character no name may hold
  bool folder_only = false;            // ends in a separator
};

MemoryFileSystem::Path MemoryFileSystem::Parse(std::wstring_view text) {
  Path path;
  if (text.empty() || text.find(L'\0') != std::wstring_view::npos) {
    path.empty = path.bad_name = true;
    return path;
  }
  std::wstring slashed(text);
  std::replace(slashed.begin(), slashed.end(), L'/', L'\\');
  path.folder_only = slashed.back() == L'\\';
  // The root: "c:", "" for "\x" (the current drive), or a relative path's first part.
  const std::size_t first = slashed.find(L'\\');
  std::wstring root = slashed.substr(0, first);
  std::vector<std::wstring> parts;
  for (std::size_t at = first; at < slashed.size();) {
    const std::size_t end = std::min(slashed.find(L'\\', at + 1), slashed.size());
    std::wstring part = slashed.substr(at + 1, end - at - 1);
    at = end;
    if (part.empty() || part == L".") continue;
    if (part == L"..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    if (part.ends_with(L'.') && !part.ends_with(L"..")) part.pop_back();
    parts.push_back(std::move(part));
  }
  if (!path.folder_only && !parts.empty()) {
    parts.back().erase(parts.back().find_last_not_of(L". ") + 1);
    if (parts.back().empty()) parts.pop_back();
  }
  path.key = root;
  for (const std::wstring& part : parts) {
    path.key += L"\\" + part;
    path.bad_name = path.bad_name || std::any_of(part.begin(), part.end(), [](wchar_t c) {
                      return c < 32 || std::wstring_view(L"<>\"|?*").find(c) != std::wstring::npos;
                    });
  }
  std::transform(path.key.begin(), path.key.end(), path.key.begin(), Lower);
  if (!parts.empty()) path.parent = path.key.substr(0, path.key.rfind(L'\\'));
  return path;
}

// Written in place, or (a replacement) into a buffer of its own that takes the file's place
// at Close.
class MemoryOutputFile : public OutputFile {
 public:
  MemoryOutputFile(MemoryFileSystem& files, std::wstring key, bool replace, bool bad_name,
                   std::string start)
      : files_(files),
        key_(std::move(key)),
        replace_(replace),
        bad_name_(bad_name),
        pending_(std::move(start)) {}
  ~MemoryOutputFile() override {
    if (replace_ && !closed_) files_.Free(pending_.size());  // discarded
  }

  Status WriteLine(std::wstring_view text) override { return WriteBytes(ToAnsi(text) + "\r\n"); }
  Status WriteBytes(std::string_view bytes) override {
    if (closed_) return kClosed;
    std::string& into = replace_ ? pending_ : files_.nodes_[key_].bytes;
    if (const auto* fault = files_.FaultOf(key_, MemoryFileSystem::Fault::At::kWrite)) {
      (void)files_.Store(into, bytes.substr(0, bytes.size() / 2));  // a write that stops half way
      failed_ = fault->error;
      return fault->error;
    }
    Status stored = files_.Store(into, bytes);
    if (!stored.ok()) failed_ = stored.error();
    return stored;
  }
  Status Close() override {
    if (closed_) return kClosed;
    closed_ = true;
    Status status = failed_;
    const auto* fault = files_.FaultOf(key_, MemoryFileSystem::Fault::At::kClose);
    if (status.ok() && fault != nullptr) status = fault->error;
    if (!replace_) return status;
    // The move into place.
    const MemoryFileSystem::Node* target = files_.Find(key_);
    if (status.ok() && bad_name_) status = kBadName;
    if (status.ok() && target != nullptr && target->folder) status = kAccessDenied;
    files_.Free(status.ok() ? files_.nodes_[key_].bytes.size() : pending_.size());
    if (status.ok()) files_.nodes_[key_].bytes = std::move(pending_);
    return status;
  }

 private:
  MemoryFileSystem& files_;
  std::wstring key_;
  bool replace_;
  bool bad_name_;  // the move into place fails
  std::string pending_;
  Status failed_;
  bool closed_ = false;
};

MemoryFileSystem::MemoryFileSystem() {
  nodes_[L""].folder = true;  // the current drive's root, which "\x" names
  nodes_[L"c:"].folder = true;
  nodes_[L"d:"].folder = true;
}

std::wstring MemoryFileSystem::Key(std::wstring_view path) { return Parse(path).key; }

const MemoryFileSystem::Node* MemoryFileSystem::Find(const std::wstring& key) const {
  const auto it = nodes_.find(key);
  return it == nodes_.end() ? nullptr : &it->second;
}

bool MemoryFileSystem::IsFolder(const std::optional<std::wstring>& key) const {
  const Node* node = key ? Find(*key) : nullptr;
  return node != nullptr && node->folder;
}

Error MemoryFileSystem::Missing(const Path& path) const {
  return IsFolder(path.parent) ? kFileNotFound : kPathNotFound;
}

Result<const MemoryFileSystem::Node*> MemoryFileSystem::ExistingFile(const Path& path) const {
  if (path.empty) return kPathNotFound;
  if (path.bad_name) return kBadName;
  const Node* node = Find(path.key);
  if (node == nullptr) return Missing(path);
  if (node->folder) return kAccessDenied;
  if (path.folder_only) return kBadName;
  return node;
}

const MemoryFileSystem::Fault* MemoryFileSystem::FaultOf(const std::wstring& key,
                                                         Fault::At at) const {
  const auto it = faults.find(key);
  return it != faults.end() && it->second.at == at ? &it->second : nullptr;
}

Status MemoryFileSystem::Store(std::string& into, std::string_view bytes) {
  if (free_space && bytes.size() > *free_space) {
    into.append(bytes.substr(0, *free_space));
    free_space = 0;
    return kDiskFull;
  }
  into.append(bytes);
  if (free_space) *free_space -= bytes.size();
  return {};
}

void MemoryFileSystem::Free(std::size_t bytes) {
  if (free_space) *free_space += bytes;
}

Status MemoryFileSystem::MakeFolder(std::wstring_view text) {
  const Path path = Parse(text);
  if (path.bad_name) return kBadName;
  if (const Fault* fault = FaultOf(path.key, Fault::At::kOpen)) return fault->error;
  if (Find(path.key) != nullptr) return kExists;
  if (!IsFolder(path.parent)) return kPathNotFound;
  nodes_[path.key].folder = true;
  return {};
}

Status MemoryFileSystem::RemoveFolder(std::wstring_view text) {
  const Path path = Parse(text);
  if (path.bad_name) return kBadName;
  const auto it = nodes_.find(path.key);
  if (it == nodes_.end()) return Missing(path);
  if (!it->second.folder) return kNotAFolder;
  const auto child = nodes_.lower_bound(path.key + L"\\");
  if (child != nodes_.end() && child->first.starts_with(path.key + L"\\")) return kNotEmpty;
  nodes_.erase(it);
  return {};
}

Status MemoryFileSystem::RemoveFile(std::wstring_view text) {
  const Path path = Parse(text);
  if (path.bad_name) return kBadName;
  if (const Fault* fault = FaultOf(path.key, Fault::At::kOpen)) return fault->error;
  const auto it = nodes_.find(path.key);
  if (it == nodes_.end()) return Missing(path);
  if (it->second.folder) return kAccessDenied;
  if (path.folder_only) return kBadName;
  Free(it->second.bytes.size());
  nodes_.erase(it);
  return {};
}

Result<bool> MemoryFileSystem::IsReparsePoint(std::wstring_view text) {
  const Path path = Parse(text);
  if (path.bad_name) return kBadName;
  return reparse_points.count(path.key) != 0;
}

Result<bool> MemoryFileSystem::FolderExists(std::wstring_view text) {
  const Path path = Parse(text);
  if (path.bad_name) return kBadName;
  return IsFolder(path.key);
}

Result<std::uint64_t> MemoryFileSystem::FileLength(std::wstring_view text) {
  const Path path = Parse(text);
  if (path.empty) return kBadName;
  const auto file = ExistingFile(path);
  if (!file) return file.error();
  return (*file)->bytes.size();
}

Result<std::unique_ptr<OutputFile>> MemoryFileSystem::OpenOutput(std::wstring_view text,
                                                                 OpenMode mode) {
  const Path path = Parse(text);
  if (path.empty || path.folder_only) return kBadName;
  if (!IsFolder(path.parent)) return kPathNotFound;
  if (const Fault* fault = FaultOf(path.key, Fault::At::kOpen)) return fault->error;
  // A replacement is made beside the path, and moved there at Close; the others open the path.
  const bool replace = mode == OpenMode::kReplace || mode == OpenMode::kReplaceAppending;
  const Node* existing = Find(path.key);
  if (mode != OpenMode::kReplace) {
    if (path.bad_name) return kBadName;
    if (existing != nullptr && existing->folder) return kAccessDenied;
  }
  std::string start;
  if (mode == OpenMode::kReplaceAppending && existing != nullptr) {
    if (Status copied = Store(start, existing->bytes); !copied.ok()) {
      Free(start.size());
      return copied.error();
    }
  } else if (!replace) {
    Node& node = nodes_[path.key];
    if (mode == OpenMode::kOutput) Free(std::exchange(node.bytes, {}).size());
  }
  return std::unique_ptr<OutputFile>(std::make_unique<MemoryOutputFile>(
      *this, path.key, replace, path.bad_name, std::move(start)));
}

Result<std::vector<std::wstring>> MemoryFileSystem::ReadLines(std::wstring_view path) {
  const auto bytes = ReadWholeFile(path);
  if (!bytes) return bytes.error();
  return TextLines({bytes->data(), bytes->size()}, FromAnsi);
}

Status MemoryFileSystem::Copy(std::wstring_view from, std::wstring_view to) {
  const Path source = Parse(from);
  if (source.empty || Parse(to).empty) return kBadName;
  const auto file = ExistingFile(source);
  if (!file) return file.error();
  const std::string bytes = (*file)->bytes;
  auto copy = OpenOutput(to, OpenMode::kReplace);
  if (!copy) return copy.error();
  if (Status written = (*copy)->WriteBytes(bytes); !written.ok()) return written;
  if (Key(to) == source.key) return kHeldByTheCopy;  // the copy is dropped
  return (*copy)->Close();
}

Result<std::vector<char>> MemoryFileSystem::ReadWholeFile(std::wstring_view text) {
  const Path path = Parse(text);
  if (const Fault* fault = FaultOf(path.key, Fault::At::kOpen)) return fault->error;
  const auto file = ExistingFile(path);
  if (!file) return file.error();
  return std::vector<char>((*file)->bytes.begin(), (*file)->bytes.end());
}

Result<std::wstring> MemoryFileSystem::RecordablePath(std::wstring_view text) {
  const Path path = Parse(text);
  if (path.empty) return kBadName;
  if (FromAnsi(ToAnsi(text)) == text) return std::wstring(text);
  if (Find(path.key) == nullptr) return Missing(path);
  const auto it = short_names.find(path.key);
  if (it == short_names.end()) return kNoMapping;
  return it->second;
}

void MemoryFileSystem::AddFolders(std::wstring_view path) {
  const std::wstring key = Key(path);
  for (auto slash = key.find(L'\\'); slash != std::wstring::npos;
       slash = key.find(L'\\', slash + 1)) {
    nodes_[key.substr(0, slash)].folder = true;
  }
  nodes_[key].folder = true;
}

void MemoryFileSystem::PutFile(std::wstring_view path, std::string_view bytes) {
  const std::wstring key = Key(path);
  AddFolders(key.substr(0, key.rfind(L'\\')));
  nodes_[key] = Node{false, std::string(bytes)};
}

std::string MemoryFileSystem::Bytes(std::wstring_view path) const {
  const Node* node = Find(Key(path));
  return node == nullptr || node->folder ? "<absent>" : node->bytes;
}

bool MemoryFileSystem::HasFile(std::wstring_view path) const { return Bytes(path) != "<absent>"; }

bool MemoryFileSystem::HasFolder(std::wstring_view path) const { return IsFolder(Key(path)); }

std::set<std::wstring> MemoryFileSystem::Files() const {
  std::set<std::wstring> files;
  for (const auto& [key, node] : nodes_) {
    if (!node.folder) files.insert(key);
  }
  return files;
}

}  // namespace tgw::fakes
