#pragma once

#include <locale.h>
#include <wctype.h>

#include <cmath>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "engine/ascii.h"
#include "platform/file_system.h"
#include "platform/runtime.h"
#include "platform/shell.h"

// Fakes of the platform interfaces, each doing what the Win32 one does (tests/contract checks
// both alike).
namespace tgw::fakes {

// Text in the ANSI code page of the test machines, Windows-1252, "?" for a character it lacks (as
// Latin-1: no test writes a character of its bytes 0x80 to 0x9F, where the two differ).
inline std::string ToAnsi(std::wstring_view text) {
  std::string bytes;
  for (const wchar_t c : text) bytes += c < 0x100 ? static_cast<char>(c) : '?';
  return bytes;
}
inline std::wstring FromAnsi(std::string_view bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  return {data, data + bytes.size()};
}

// The Win32 errors of the calls the Win32 file system makes.
inline constexpr Error kFileNotFound{ErrorKind::kNotFound, 2},
    kPathNotFound{ErrorKind::kNotFound, 3}, kAccessDenied{ErrorKind::kAccessDenied, 5};

// Files in memory. Paths: letter case ignored (beyond ASCII too), "/" for "\", empty parts
// dropped. Faults can be injected per path. Unlike Windows: nothing is ever held open (a kOpen
// fault of kInUse stands in), and the only short names are short_names.
class MemoryFileSystem : public FileSystem {
 public:
  // A fault of one path (by key): its open (MakeFolder, RemoveFile, OpenOutput, ReadWholeFile,
  // IsReparsePoint, MapFile), a write (which stores half), its close (for a replacement, the move
  // into place), or reading its mapped bytes (ReadStatus of a mapping, whenever the fault is set).
  struct Fault {
    enum class At { kOpen, kWrite, kClose, kRead } at;
    Error error;
  };
  std::map<std::wstring, Fault> faults;
  void Fail(std::wstring_view path, Fault::At at, Error error) { faults[Key(path)] = {at, error}; }
  int volume_flushes = 0;                            // calls of FlushVolume
  std::map<std::wstring, std::wstring> short_names;  // key -> short form, for RecordablePath
  std::set<std::wstring> reparse_points;             // keys of junctions and symbolic links
  std::map<std::wstring, std::optional<std::string>> nodes;  // key -> bytes; nothing: a folder

  MemoryFileSystem() { nodes[L"c:"] = nodes[L"d:"] = std::nullopt; }  // the drives C: and D:

  // "c:\a\b.txt" for "C:/A\\B.txt".
  static std::wstring Key(std::wstring_view path) {
    static const locale_t unicode = newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    std::wstring key;
    for (const wchar_t c : path) {
      if (c != L'\\' && c != L'/') {
        key += static_cast<wchar_t>(towlower_l(static_cast<wint_t>(c), unicode));
      } else if (!key.empty() && key.back() != L'\\') {
        key += L'\\';
      }
    }
    if (key.ends_with(L'\\')) key.pop_back();
    return key;
  }
  void AddFolders(std::wstring_view path) {  // with every missing parent
    const std::wstring key = Key(path);
    for (auto at = key.find(L'\\'); at != std::wstring::npos; at = key.find(L'\\', at + 1)) {
      nodes.try_emplace(key.substr(0, at));
    }
    nodes.try_emplace(key);
  }
  void PutFile(std::wstring_view path, std::string_view bytes) {
    AddFolders(Parent(Key(path)));
    nodes[Key(path)] = std::string(bytes);
  }
  std::string Bytes(std::wstring_view path) const {  // "<absent>" when there is no such file
    const auto it = nodes.find(Key(path));
    return it == nodes.end() || !it->second ? "<absent>" : *it->second;
  }
  bool HasFile(std::wstring_view path) const { return Bytes(path) != "<absent>"; }
  std::set<std::wstring> Files() const {  // the keys of every file
    std::set<std::wstring> files;
    for (const auto& [key, bytes] : nodes) {
      if (bytes) files.insert(key);
    }
    return files;
  }

  Status MakeFolder(std::wstring_view path) override {
    const std::wstring key = Key(path);
    if (const auto fault = FaultAt(key, Fault::At::kOpen)) return *fault;
    if (nodes.count(key) != 0) return Error{ErrorKind::kExists, 183};
    if (!IsFolder(Parent(key))) return kPathNotFound;
    nodes[key] = std::nullopt;
    return {};
  }
  Status RemoveFolder(std::wstring_view path) override {
    const std::wstring key = Key(path);
    if (const auto file = ExistingFile(path); !IsFolder(key)) {
      return file ? Error{ErrorKind::kBadName, 267} : file.error();  // ERROR_DIRECTORY
    }
    const auto child = nodes.lower_bound(key + L"\\");
    if (child != nodes.end() && child->first.starts_with(key + L"\\")) {
      return Error{ErrorKind::kOther, 145};  // ERROR_DIR_NOT_EMPTY
    }
    nodes.erase(key);
    return {};
  }
  Status RemoveFile(std::wstring_view path) override {
    if (const auto file = Open(path); !file) return file.error();
    nodes.erase(Key(path));
    return {};
  }
  Result<bool> IsReparsePoint(std::wstring_view path) override {
    if (const auto fault = FaultAt(path, Fault::At::kOpen)) return *fault;
    return reparse_points.count(Key(path)) != 0;
  }
  Result<bool> FolderExists(std::wstring_view path) override { return IsFolder(Key(path)); }
  Result<std::uint64_t> FileLength(std::wstring_view path) override {
    const auto file = ExistingFile(path);
    if (!file) return file.error();
    return std::uint64_t{(*file)->size()};
  }
  // A replacement starts empty, or (appending) as the file; it takes the file's place at Close.
  Result<std::unique_ptr<OutputFile>> OpenOutput(std::wstring_view path, OpenMode mode) override {
    const std::wstring key = Key(path);
    if (!IsFolder(Parent(key))) return kPathNotFound;
    if (const auto fault = FaultAt(key, Fault::At::kOpen)) return *fault;
    if (IsFolder(key)) return kAccessDenied;
    std::optional<std::string> pending;
    if (mode == OpenMode::kReplace || mode == OpenMode::kReplaceAppending) {
      pending = mode == OpenMode::kReplace || !nodes.count(key) ? "" : *nodes[key];
    } else if (mode == OpenMode::kOutput || !nodes.count(key)) {
      nodes[key] = "";
    }
    return std::unique_ptr<OutputFile>(std::make_unique<Output>(*this, key, pending));
  }
  Result<std::vector<std::wstring>> ReadLines(std::wstring_view path) override {
    const auto bytes = ReadWholeFile(path);
    if (!bytes) return bytes.error();
    return TextLines({bytes->data(), bytes->size()}, FromAnsi);
  }
  Status Copy(std::wstring_view from, std::wstring_view to) override {
    const auto file = ExistingFile(from);
    return file ? Store(to, **file) : file.status();
  }
  Result<std::vector<char>> ReadWholeFile(std::wstring_view path) override {
    const auto file = Open(path);
    if (!file) return file.error();
    return std::vector<char>((*file)->begin(), (*file)->end());
  }
  Result<std::unique_ptr<MappedFile>> MapFile(std::wstring_view path) override {  // a copy
    const auto file = Open(path);
    if (!file) return file.error();
    return std::unique_ptr<MappedFile>(std::make_unique<Mapped>(*this, Key(path), **file));
  }
  Status FlushVolume(std::wstring_view) override {
    ++volume_flushes;
    return {};
  }
  // The path when it passes through the code page, else the short_names entry of an existing one.
  Result<std::wstring> RecordablePath(std::wstring_view path) override {
    if (FromAnsi(ToAnsi(path)) == path) return std::wstring(path);
    if (!nodes.count(Key(path))) return IsFolder(Parent(Key(path))) ? kFileNotFound : kPathNotFound;
    const auto it = short_names.find(Key(path));
    if (it == short_names.end()) return Error{ErrorKind::kNoMapping, 1113};
    return it->second;
  }
  // Writes a replacement of `path`: what its Close says (which repeats a failed write).
  Status Store(std::wstring_view path, std::string_view bytes) {
    auto file = OpenOutput(path, OpenMode::kReplace);
    if (!file) return file.error();
    (void)(*file)->WriteBytes(bytes);
    return (*file)->Close();
  }

 private:
  // Written in place, or (a replacement) into bytes of its own.
  class Output : public OutputFile {
   public:
    Output(MemoryFileSystem& files, std::wstring key, std::optional<std::string> pending)
        : files_(files), key_(std::move(key)), pending_(std::move(pending)) {}
    Status WriteLine(std::wstring_view text) override { return WriteBytes(ToAnsi(text) + "\r\n"); }
    Status WriteBytes(std::string_view bytes) override {
      auto& node = pending_ ? pending_ : files_.nodes[key_];
      const auto fault = files_.FaultAt(key_, Fault::At::kWrite);
      (node ? *node : node.emplace())
          .append(bytes.substr(0, fault ? bytes.size() / 2 : bytes.size()));
      return fault ? (failed_ = *fault) : Status();
    }
    Status Close() override {
      const auto fault = files_.FaultAt(key_, Fault::At::kClose);
      if (failed_.ok() && fault) failed_ = *fault;
      if (pending_ && failed_.ok()) files_.nodes[key_] = std::exchange(pending_, std::nullopt);
      return failed_;
    }

   private:
    MemoryFileSystem& files_;
    std::wstring key_;
    std::optional<std::string> pending_;
    Status failed_;
  };
  struct Mapped : MappedFile {
    Mapped(const MemoryFileSystem& in, std::wstring of, std::string copy)
        : files(in), key(std::move(of)), bytes(std::move(copy)) {}
    std::string_view Bytes() const override { return bytes; }
    Status ReadStatus() const override {
      const auto fault = files.FaultAt(key, Fault::At::kRead);
      return fault ? Status(*fault) : Status();
    }
    const MemoryFileSystem& files;
    const std::wstring key;
    const std::string bytes;
  };
  static std::wstring Parent(const std::wstring& key) { return key.substr(0, key.rfind(L'\\')); }
  std::optional<Error> FaultAt(std::wstring_view path, Fault::At at) const {
    const auto it = faults.find(Key(path));
    if (it == faults.end() || it->second.at != at) return std::nullopt;
    return it->second.error;
  }
  bool IsFolder(const std::wstring& key) const {
    const auto it = nodes.find(key);
    return it != nodes.end() && !it->second;
  }
  // The bytes of the file a path names, or why opening it to read fails.
  Result<std::string*> ExistingFile(std::wstring_view path) {
    const auto it = nodes.find(Key(path));
    if (it == nodes.end()) return IsFolder(Parent(Key(path))) ? kFileNotFound : kPathNotFound;
    if (!it->second) return kAccessDenied;
    return &*it->second;
  }
  Result<std::string*> Open(std::wstring_view path) {  // as ExistingFile, after a kOpen fault
    if (const auto fault = FaultAt(path, Fault::At::kOpen)) return *fault;
    return ExistingFile(path);
  }
};

// Makes the special folders; saves each shortcut as a file of the memory file system ("lnk"), so
// that a fault of its path fails Save, with the error as an HRESULT, as the Win32 shell reports it.
class RecordingShell : public Shell {
 public:
  explicit RecordingShell(MemoryFileSystem& file_system) : files(file_system) {
    for (const auto& [name, folder] : special_folders) files.AddFolders(folder);
  }
  Result<std::wstring> SpecialFolder(std::wstring_view name) override {  // in any letter case
    for (const auto& [known, folder] : special_folders) {
      if (ascii::SameIgnoringCase(name, known)) return folder;
    }
    return Error{ErrorKind::kBadName, 123};
  }
  Result<std::unique_ptr<ShellLink>> CreateShortcut(std::wstring_view path) override {
    return std::unique_ptr<ShellLink>(std::make_unique<Link>(files, std::wstring(path)));
  }

  MemoryFileSystem& files;
  std::map<std::wstring, std::wstring> special_folders{
      {L"Desktop", L"C:\\Users\\ann\\Desktop"},
      {L"Programs", L"C:\\Users\\ann\\Start Menu\\Programs"},
      {L"StartMenu", L"C:\\Users\\ann\\Start Menu"},
      {L"StartUp", L"C:\\Users\\ann\\Start Menu\\Programs\\StartUp"}};

 private:
  struct Link : ShellLink {
    Link(MemoryFileSystem& in, std::wstring at) : files(in), path(std::move(at)) {}
    Status SetWindowStyle(ShowCommand) override { return {}; }
    Status SetTargetPath(std::wstring_view) override { return {}; }
    Status SetIconLocation(std::wstring_view) override { return {}; }
    Status SetDescription(std::wstring_view) override { return {}; }
    Status SetWorkingDirectory(std::wstring_view) override { return {}; }
    Status Save() override {
      const Status saved = files.Store(path, "lnk");
      if (saved.ok()) return saved;
      return Error{saved.error().kind, 0x80070000 | (saved.error().code & 0xFFFF)};
    }
    MemoryFileSystem& files;
    const std::wstring path;
  };
};

// Thrown by EndProgram so that a test sees the program end where it would have.
struct ProgramEnded {};

// A clock that moves on by `tick` seconds at every reading and falls back to 0 at midnight; a
// fixed program path and %appdata%.
class FakeRuntime : public Runtime {
 public:
  void EndProgram() override {
    ++ends;
    throw ProgramEnded{};
  }
  float Timer() override {
    const double reading = now;
    now = std::fmod(now + tick, 86400.0);
    return static_cast<float>(reading);
  }
  Result<std::wstring> ProgramFile() override { return program_file; }
  std::wstring Environment(std::wstring_view name) override {
    return name == L"appdata" ? appdata : L"";
  }

  double now = 36000.0, tick = 0.0;
  int ends = 0;
  std::wstring program_file = L"D:\\dist\\setup.exe";
  std::wstring appdata = L"C:\\Users\\ann\\AppData\\Roaming";
};

}  // namespace tgw::fakes
