#include "fakes/recording_shell.h"

namespace tgw::fakes {

namespace {

class RecordingLink : public ShellLink {
 public:
  RecordingLink(RecordingShell& shell, std::wstring path) : shell_(shell) {
    link_.path = std::move(path);
  }

  Status SetWindowStyle(ShowCommand show) override {
    return Set(L"WindowStyle", show == ShowCommand::kMaximized ? L"maximized" : L"normal");
  }
  Status SetTargetPath(std::wstring_view v) override { return Set(L"TargetPath", v); }
  Status SetIconLocation(std::wstring_view v) override { return Set(L"IconLocation", v); }
  Status SetDescription(std::wstring_view v) override { return Set(L"Description", v); }
  Status SetWorkingDirectory(std::wstring_view v) override { return Set(L"WorkingDirectory", v); }
  Status Save() override {
    if (shell_.Fails(link_.path, L"Save")) return shell_.failure;
    auto file = shell_.files.OpenOutput(link_.path, OpenMode::kReplace);  // the folder must exist
    if (!file) return file.error();
    if (Status written = (*file)->WriteBytes("lnk"); !written.ok()) return written;
    if (Status closed = (*file)->Close(); !closed.ok()) return closed;
    shell_.saved.push_back(link_);
    return {};
  }

 private:
  Status Set(std::wstring_view name, std::wstring_view value) {
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
  const auto it = special_folders.find(std::wstring(name));
  if (it == special_folders.end()) return Error{ErrorKind::kNotFound, 0x80070002};
  return it->second;
}

Result<std::unique_ptr<ShellLink>> RecordingShell::CreateShortcut(std::wstring_view path) {
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
