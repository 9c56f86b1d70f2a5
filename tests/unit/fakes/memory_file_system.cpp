#include "fakes/memory_file_system.h"

#include <cwctype>

namespace tgw::fakes {

namespace {

std::string ToAnsi(std::wstring_view text) {
  std::string bytes;
  for (const wchar_t c : text) bytes += c < 256 ? static_cast<char>(c) : '?';
  return bytes;
}

const Error kNotFound{ErrorKind::kNotFound, 3};
const Error kAccessDenied{ErrorKind::kAccessDenied, 5};

class MemoryInputFile : public InputFile {
 public:
  explicit MemoryInputFile(std::string bytes) : bytes_(std::move(bytes)) {}
  std::optional<std::wstring> ReadLine() override {
    if (at_ >= bytes_.size()) return std::nullopt;
    std::wstring line;
    while (at_ < bytes_.size() && bytes_[at_] != '\r') {
      line += static_cast<wchar_t>(static_cast<unsigned char>(bytes_[at_++]));
    }
    if (at_ < bytes_.size()) ++at_;                         // the CR
    if (at_ < bytes_.size() && bytes_[at_] == '\n') ++at_;  // and its LF
    return line;
  }

 private:
  std::string bytes_;
  std::size_t at_ = 0;
};

}  // namespace

// Written in place, or (a replacement) into a buffer of its own that takes the file's place
// at Close.
class MemoryOutputFile : public OutputFile {
 public:
  MemoryOutputFile(MemoryFileSystem& files, std::wstring key, bool replace, std::string start)
      : files_(files), key_(std::move(key)), replace_(replace), pending_(std::move(start)) {}
  ~MemoryOutputFile() override {
    if (replace_ && !closed_) files_.Free(pending_.size());  // discarded
  }

  Status WriteLine(std::wstring_view text) override { return WriteBytes(ToAnsi(text) + "\r\n"); }
  Status WriteBytes(std::string_view bytes) override {
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
    closed_ = true;
    if (!failed_.ok() || files_.FaultOf(key_, MemoryFileSystem::Fault::At::kClose) != nullptr) {
      if (replace_) files_.Free(pending_.size());
      if (!failed_.ok()) return failed_;
      return files_.FaultOf(key_, MemoryFileSystem::Fault::At::kClose)->error;
    }
    if (replace_) {
      std::string& target = files_.nodes_[key_].bytes;
      files_.Free(target.size());
      target = std::move(pending_);
    }
    return {};
  }

 private:
  MemoryFileSystem& files_;
  std::wstring key_;
  bool replace_;
  std::string pending_;
  Status failed_;
  bool closed_ = false;
};

MemoryFileSystem::MemoryFileSystem() {
  nodes_[L""].folder = true;  // the current drive's root, which "\\x" names
  nodes_[L"c:"].folder = true;
  nodes_[L"d:"].folder = true;
}

std::wstring MemoryFileSystem::Key(std::wstring_view path) {
  std::wstring key;
  for (const wchar_t c : path) {
    if (c == L'\\' && !key.empty() && key.back() == L'\\') continue;
    key += static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  }
  if (!key.empty() && key.back() == L'\\') key.pop_back();
  return key;
}

bool MemoryFileSystem::ParentExists(const std::wstring& key) const {
  const auto slash = key.rfind(L'\\');
  if (slash == std::wstring::npos) return false;
  const auto parent = nodes_.find(key.substr(0, slash));
  return parent != nodes_.end() && parent->second.folder;
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
    return Error{ErrorKind::kDiskFull, 112};
  }
  into.append(bytes);
  if (free_space) *free_space -= bytes.size();
  return {};
}

void MemoryFileSystem::Free(std::size_t bytes) {
  if (free_space) *free_space += bytes;
}

Status MemoryFileSystem::MakeFolder(std::wstring_view path) {
  const std::wstring key = Key(path);
  if (const Fault* fault = FaultOf(key, Fault::At::kOpen)) return fault->error;
  if (nodes_.count(key) != 0) return Error{ErrorKind::kExists, 183};
  if (!ParentExists(key)) return kNotFound;
  nodes_[key].folder = true;
  return {};
}

Status MemoryFileSystem::RemoveFolder(std::wstring_view path) {
  const std::wstring key = Key(path);
  const auto it = nodes_.find(key);
  if (it == nodes_.end() || !it->second.folder) return kNotFound;
  const auto child = nodes_.lower_bound(key + L"\\");
  if (child != nodes_.end() && child->first.starts_with(key + L"\\")) {
    return Error{ErrorKind::kOther, 145};  // not empty
  }
  nodes_.erase(it);
  return {};
}

Status MemoryFileSystem::RemoveFile(std::wstring_view path) {
  const std::wstring key = Key(path);
  if (const Fault* fault = FaultOf(key, Fault::At::kOpen)) return fault->error;
  const auto it = nodes_.find(key);
  if (it == nodes_.end()) return kNotFound;
  if (it->second.folder) return kAccessDenied;
  Free(it->second.bytes.size());
  nodes_.erase(it);
  return {};
}

bool MemoryFileSystem::IsReparsePoint(std::wstring_view path) {
  return reparse_points.count(Key(path)) != 0;
}

bool MemoryFileSystem::FolderExists(std::wstring_view path) {
  const auto it = nodes_.find(Key(path));
  return it != nodes_.end() && it->second.folder;
}

std::optional<std::uint64_t> MemoryFileSystem::FileLength(std::wstring_view path) {
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second.folder) return std::nullopt;
  return it->second.bytes.size();
}

Result<std::unique_ptr<OutputFile>> MemoryFileSystem::OpenOutput(std::wstring_view path,
                                                                 OpenMode mode) {
  const std::wstring key = Key(path);
  if (!ParentExists(key)) return kNotFound;
  if (const Fault* fault = FaultOf(key, Fault::At::kOpen)) return fault->error;
  const auto existing = nodes_.find(key);
  if (existing != nodes_.end() && existing->second.folder) return kAccessDenied;
  const bool replace = mode == OpenMode::kReplace || mode == OpenMode::kReplaceAppending;
  std::string start;
  if (replace) {
    if (mode == OpenMode::kReplaceAppending && existing != nodes_.end()) {
      if (Status copied = Store(start, existing->second.bytes); !copied.ok()) {
        Free(start.size());
        return copied.error();
      }
    }
  } else {
    Node& node = nodes_[key];
    if (mode == OpenMode::kOutput) {
      Free(node.bytes.size());
      node.bytes.clear();
    }
  }
  return std::unique_ptr<OutputFile>(
      std::make_unique<MemoryOutputFile>(*this, key, replace, std::move(start)));
}

std::unique_ptr<InputFile> MemoryFileSystem::OpenInput(std::wstring_view path) {
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second.folder) return nullptr;
  return std::make_unique<MemoryInputFile>(it->second.bytes);
}

Status MemoryFileSystem::Copy(std::wstring_view from, std::wstring_view to) {
  const auto source = nodes_.find(Key(from));
  if (source == nodes_.end() || source->second.folder) return kNotFound;
  const std::string bytes = source->second.bytes;
  auto file = OpenOutput(to, OpenMode::kReplace);
  if (!file) return file.error();
  if (Status written = (*file)->WriteBytes(bytes); !written.ok()) return written;
  return (*file)->Close();
}

Result<std::vector<char>> MemoryFileSystem::ReadWholeFile(std::wstring_view path) {
  const std::wstring key = Key(path);
  if (const Fault* fault = FaultOf(key, Fault::At::kOpen)) return fault->error;
  const auto it = nodes_.find(key);
  if (it == nodes_.end() || it->second.folder) return kNotFound;
  return std::vector<char>(it->second.bytes.begin(), it->second.bytes.end());
}

std::optional<std::wstring> MemoryFileSystem::RecordablePath(std::wstring_view path) {
  bool latin1 = true;
  for (const wchar_t c : path) latin1 = latin1 && c < 256;
  if (latin1) return std::wstring(path);
  const auto it = short_names.find(Key(path));
  if (it == short_names.end()) return std::nullopt;
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
  const auto it = nodes_.find(Key(path));
  return it == nodes_.end() || it->second.folder ? "<absent>" : it->second.bytes;
}

bool MemoryFileSystem::HasFile(std::wstring_view path) const { return Bytes(path) != "<absent>"; }

std::set<std::wstring> MemoryFileSystem::Files() const {
  std::set<std::wstring> files;
  for (const auto& [key, node] : nodes_) {
    if (!node.folder) files.insert(key);
  }
  return files;
}

}  // namespace tgw::fakes
