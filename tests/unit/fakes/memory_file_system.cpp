#include "fakes/memory_file_system.h"

#include <cwctype>

namespace tgw::fakes {

namespace {

std::string ToAnsi(std::wstring_view text) {
  std::string bytes;
  for (const wchar_t c : text) bytes += c < 256 ? static_cast<char>(c) : '?';
  return bytes;
}

class MemoryOutputFile : public OutputFile {
 public:
  MemoryOutputFile(std::string& bytes, bool fail_writes, bool fail_close)
      : bytes_(bytes), fail_writes_(fail_writes), fail_close_(fail_close) {}
  bool WriteLine(std::wstring_view text) override { return WriteBytes(ToAnsi(text) + "\r\n"); }
  bool WriteBytes(std::string_view bytes) override {
    if (fail_writes_) {  // a disk that fills up half way
      bytes_.append(bytes.substr(0, bytes.size() / 2));
      return false;
    }
    bytes_.append(bytes);
    return true;
  }
  bool Close() override { return !fail_close_; }

 private:
  std::string& bytes_;
  bool fail_writes_, fail_close_;
};

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

bool MemoryFileSystem::MakeFolder(std::wstring_view path) {
  const std::wstring key = Key(path);
  if (nodes_.count(key) != 0 || !ParentExists(key)) return false;
  nodes_[key].folder = true;
  return true;
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

std::unique_ptr<OutputFile> MemoryFileSystem::OpenOutput(std::wstring_view path, OpenMode mode) {
  const std::wstring key = Key(path);
  if (!ParentExists(key) || read_only.count(key) != 0) return nullptr;
  Node& node = nodes_[key];
  if (node.folder) return nullptr;
  if (mode == OpenMode::kOutput) node.bytes.clear();
  return std::make_unique<MemoryOutputFile>(node.bytes, failing_writes.count(key) != 0,
                                            failing_closes.count(key) != 0);
}

std::unique_ptr<InputFile> MemoryFileSystem::OpenInput(std::wstring_view path) {
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second.folder) return nullptr;
  return std::make_unique<MemoryInputFile>(it->second.bytes);
}

bool MemoryFileSystem::Copy(std::wstring_view from, std::wstring_view to) {
  const auto source = nodes_.find(Key(from));
  const std::wstring key = Key(to);
  if (source == nodes_.end() || source->second.folder || !ParentExists(key) ||
      read_only.count(key) != 0 || FolderExists(to)) {
    return false;
  }
  nodes_[key].bytes = source->second.bytes;
  return true;
}

std::optional<std::vector<char>> MemoryFileSystem::ReadWholeFile(std::wstring_view path) {
  const auto it = nodes_.find(Key(path));
  if (it == nodes_.end() || it->second.folder) return std::nullopt;
  return std::vector<char>(it->second.bytes.begin(), it->second.bytes.end());
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
