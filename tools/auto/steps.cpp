#include "steps.h"

#include <commctrl.h>
#include <shellapi.h>

#include <vector>

#include "engine/names.h"

namespace tgw::automation {

namespace {

constexpr DWORD kPageMs = 10000;

bool SameText(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// The name the shell shows for the folder `path`; empty when it has none.
std::wstring ShellName(const std::wstring& path) {
  SHFILEINFOW info{};
  if (SHGetFileInfoW(path.c_str(), 0, &info, sizeof info, SHGFI_DISPLAYNAME) == 0) return {};
  return info.szDisplayName;
}

// `folder` (a full path without a final backslash, except at a drive's root) and each folder
// above it up to its root ("D:\", "\\server\share"), from the bottom.
std::vector<std::wstring> FolderChain(std::wstring path) {
  std::size_t root_length = 3;  // "D:\"
  if (path.starts_with(L"\\\\")) {
    const std::size_t server_end = path.find(L'\\', 2);
    const std::size_t share_end =
        server_end == std::wstring::npos ? server_end : path.find(L'\\', server_end + 1);
    root_length = share_end == std::wstring::npos ? path.size() : share_end;
  }
  std::vector<std::wstring> chain{path};
  while (path.size() > root_length) {
    path.resize(path.rfind(L'\\'));
    if (path.size() == 2 && path[1] == L':') path += L'\\';
    chain.push_back(path);
  }
  return chain;
}

// Whether a tree item named `shown` stands for the folder `path`.
bool ShowsFolder(const std::wstring& shown, const std::wstring& path) {
  if (IsDriveRoot(path)) return shown.find(path.substr(0, 2)) != std::wstring::npos;
  const std::wstring shell_name = ShellName(path);
  if (!shell_name.empty() && shown == shell_name) return true;
  const std::wstring own_name = path.substr(path.find_last_of(L'\\') + 1);
  return SameText(shown, own_name);
}

}  // namespace

bool IsFolderPicker(const Dialog& dialog) {
  return FindDescendantWhere(dialog.handle(), [](HWND window) {
           return ClassName(window) == WC_TREEVIEWW;
         }) != nullptr;
}

Dialog OpenFolderPicker(const SetupProcess& setup, DWORD timeout_ms) {
  setup.PostClick(Control::Command4);  // the picker is modal: the click returns when it closes
  const Dialog picker = setup.WaitForDialogWhere(IsFolderPicker, L"folder picker", timeout_ms);
  if (!WaitUntil([&] { return PickerShowsFolders(picker); }, timeout_ms)) {
    throw DriverError(L"the folder picker shows no folders");
  }
  return picker;
}

void ChooseInPicker(const SetupProcess& setup, const Dialog& picker, const std::wstring& folder,
                    std::wstring_view shown_name) {
  const auto selected = [&] {
    setup.SelectInPicker(picker, folder);
    return setup.PickerSelection(picker).find(shown_name) != std::wstring::npos;
  };
  if (!WaitUntil(selected, 10000, 100)) {
    throw DriverError(L"the folder picker did not select " + folder + L"; selected: " +
                      setup.PickerSelection(picker));
  }
}

bool SelectFolderInPicker(const SetupProcess& setup, const Dialog& picker,
                          const std::wstring& folder, DWORD timeout_ms) {
  const std::vector<std::wstring> folders = FolderChain(folder);
  const auto selected = [&] {
    setup.SelectInPicker(picker, folder);
    const std::vector<std::wstring> shown = setup.PickerSelectionChain(picker);
    if (shown.size() < folders.size()) return false;
    for (std::size_t i = 0; i < folders.size(); ++i) {
      if (!ShowsFolder(shown[i], folders[i])) return false;
    }
    return true;
  };
  return WaitUntil(selected, timeout_ms, 100);
}

Dialog OpenExitQuestion(const SetupProcess& setup, bool close_window, DWORD timeout_ms) {
  if (close_window) {
    setup.PostClose();
  } else {
    setup.PostClick(Control::Command1);
  }
  return setup.WaitForDialogWhere([](const Dialog& dialog) { return dialog.HasItem(IDYES); },
                                  L"exit question", timeout_ms);
}

void AnswerExitNo(const SetupProcess& setup, bool close_window) {
  const Dialog question = OpenExitQuestion(setup, close_window);
  question.Press(IDNO);
  question.WaitClosed();
  // The answer has been handled once the window answers again.
  Send(setup.window(), WM_NULL, 0, 0);
}

std::uint32_t AnswerExitYes(const SetupProcess& setup, bool close_window) {
  OpenExitQuestion(setup, close_window).Press(IDYES);
  return setup.WaitForExit(kPageMs);
}

void NextTo(const SetupProcess& setup, int stage) {
  for (int current = setup.Stage(); current < stage; ++current) {
    setup.Click(Control::Command3);
    setup.WaitForStage(current + 1);
  }
}

void RunToCompletion(const SetupProcess& setup, DWORD timeout_ms) {
  setup.WaitForStage(kDesktopIconStage);
  setup.PostClick(Control::Command3);  // the click returns only when the run is over
  setup.WaitForStage(kRunStage);
  // Each look at the pages is a few dozen calls into the setup's windows: a long run is looked at
  // a few times a second, not a hundred, so that the driver takes next to nothing from it.
  setup.WaitForStage(kCompletionStage, timeout_ms, 200);
}

}  // namespace tgw::automation
