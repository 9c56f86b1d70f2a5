#include "fakes/recording_shell.h"

#include <algorithm>

#include "engine/ascii.h"

namespace tgw::fakes {

namespace {

// What the shell link object says to a value it cannot take (E_INVALIDARG).
constexpr Error kInvalid{ErrorKind::kOther, 0x80070057};
constexpr Error kBadName{ErrorKind::kBadName, 123};

// Whether an icon location "file,index" has a whole number after its last comma, if any.
bool IsIconLocation(std::wstring_view location) {
  const std::size_t comma = location.rfind(L',');
  if (comma == std::wstring_view::npos) return true;
  std::wstring_view index = location.substr(comma + 1);
  if (index.starts_with(L'-')) index.remove_prefix(1);
  return !index.empty() && index.find_first_not_of(L"0123456789") == std::wstring_view::npos;
}

class RecordingLink : public ShellLink {
 public:
  RecordingLink(RecordingShell& shell, std::wstring path) : shell_(shell) {
    link_.path = std::move(path);
  }

  Status SetWindowStyle(ShowCommand show) override {
    return Set(L"WindowStyle", show == ShowCommand::kMaximized ? L"maximized" : L"normal");
  }
  Status SetTargetPath(std::wstring_view v) override { return Set(L"TargetPath", v); }
  Status SetIconLocation(std::wstring_view v) override {
    if (!IsIconLocation(v)) return kInvalid;
    return Set(L"IconLocation", v);
  }
  Status SetDescription(std::wstring_view v) override { return Set(L"Description", v); }
  Status SetWorkingDirectory(std::wstring_view v) override { return Set(L"WorkingDirectory", v); }
  Status Save() override {
    if (shell_.Fails(link_.path, L"Save")) return shell_.failure;
    // The folder must exist. The shell reports the system's error as an HRESULT.
    auto file = shell_.files.OpenOutput(link_.path, OpenMode::kReplace);
    Status saved = file.status();
    if (saved.ok()) saved = (*file)->WriteBytes("lnk");
    if (saved.ok()) saved = (*file)->Close();
    if (!saved.ok()) return Error{saved.error().kind, 0x80070000 | (saved.error().code & 0xFFFF)};
    shell_.saved.push_back(link_);
    return {};
  }

 private:
  Status Set(std::wstring_view name, std::wstring_view value) {
    if (value.find(L'\0') != std::wstring_view::npos) return kInvalid;
    if (shell_.Fails(link_.path, name)) return shell_.failure;
    link_.properties.emplace_back(name, value);
    return {};
  }
  RecordingShell& shell_;
  RecordingShell::Link link_;
};

}  // namespace

std::wstring RecordingShell::Link::Get(std::wstring_view name) const {
  for (const auto& [n, value] : properties) {
    if (n == name) return value;
  }
  return L"<unset>";
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
  folder_requests.emplace_back(name);
  for (const auto& [known, folder] : special_folders) {
    if (ascii::SameIgnoringCase(name, known)) return folder;
  }
  return kBadName;
}

Result<std::unique_ptr<ShellLink>> RecordingShell::CreateShortcut(std::wstring_view path) {
  if (path.empty() || path.find(L'\0') != std::wstring_view::npos) return kBadName;
  if (Fails(std::wstring(path), L"CreateShortcut")) return failure;
  return std::unique_ptr<ShellLink>(std::make_unique<RecordingLink>(*this, std::wstring(path)));
}

bool RecordingShell::Fails(const std::wstring& path, std::wstring_view member) const {
  const auto [first, last] = failing.equal_range(std::wstring(member));
  for (auto it = first; it != last; ++it) {
    if (path.find(it->second) != std::wstring::npos) return true;
  }
  return false;
}

}  // namespace tgw::fakes
