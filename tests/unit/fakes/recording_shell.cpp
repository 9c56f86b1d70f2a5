#include "fakes/recording_shell.h"

namespace tgw::fakes {

namespace {

class RecordingLink : public ShellLink {
 public:
  RecordingLink(RecordingShell& shell, std::wstring path) : shell_(shell) {
    link_.path = std::move(path);
  }

  bool SetWindowStyle(std::int16_t style) override {
    return Set(L"WindowStyle", std::to_wstring(style));
  }
  bool SetHotKey(std::wstring_view v) override { return Set(L"HotKey", v); }
  bool SetTargetPath(std::wstring_view v) override { return Set(L"TargetPath", v); }
  bool SetIconLocation(std::wstring_view v) override { return Set(L"IconLocation", v); }
  bool SetDescription(std::wstring_view v) override { return Set(L"Description", v); }
  bool SetWorkingDirectory(std::wstring_view v) override { return Set(L"WorkingDirectory", v); }
  bool Save() override {
    if (shell_.Fails(link_.path, L"Save")) return false;
    auto file = shell_.files.OpenOutput(link_.path, OpenMode::kOutput);  // the folder must exist
    if (!file) return false;
    file->WriteBytes("lnk");
    shell_.saved.push_back(link_);
    return true;
  }

 private:
  bool Set(std::wstring_view name, std::wstring_view value) {
    if (shell_.Fails(link_.path, name)) return false;
    link_.properties.emplace_back(name, value);
    return true;
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

std::optional<std::wstring> RecordingShell::SpecialFolder(std::wstring_view name) {
  folder_requests.emplace_back(name);
  const auto it = special_folders.find(std::wstring(name));
  if (it == special_folders.end()) return std::nullopt;
  return it->second;
}

std::unique_ptr<ShellLink> RecordingShell::CreateShortcut(std::wstring_view path) {
  if (Fails(std::wstring(path), L"CreateShortcut")) return nullptr;
  return std::make_unique<RecordingLink>(*this, std::wstring(path));
}

bool RecordingShell::Fails(const std::wstring& path, std::wstring_view member) const {
  const auto [first, last] = failing.equal_range(std::wstring(member));
  for (auto it = first; it != last; ++it) {
    if (path.find(it->second) != std::wstring::npos) return true;
  }
  return false;
}

}  // namespace tgw::fakes
