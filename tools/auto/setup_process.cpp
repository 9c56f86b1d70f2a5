// The setup's own window: its pages, controls, language list and folder picker.
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <string>
#include <vector>

#include "driver.h"
#include "screenshot.h"

namespace tgw::automation {

namespace {

constexpr Control kPages[] = {Control::Frame1, Control::Frame2, Control::Frame3,
                              Control::Frame4, Control::Frame5, Control::Frame6};
constexpr wchar_t kWindowTitle[] = L"Setup of Tagwright 2";

std::wstring ErrorText(DWORD error) { return L" (" + SystemErrorText(error) + L")"; }

std::wstring PageList(const std::vector<Control>& pages) {
  std::wstring list;
  for (const Control page : pages) {
    if (!list.empty()) list += L", ";
    list += L"Frame" + std::to_wstring(static_cast<int>(page) - 1100);
  }
  return list.empty() ? L"none" : list;
}

HWND FindDescendantOfClass(HWND parent, std::wstring_view class_name) {
  return FindDescendantWhere(parent, [&](HWND window) { return ClassName(window) == class_name; });
}

// Memory in another process, for messages whose pointers the system does not carry across.
class RemoteMemory {
 public:
  RemoteMemory(HANDLE process, std::size_t size)
      : process_(process),
        address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {
    if (address_ == nullptr) {
      throw DriverError(L"cannot reserve memory in the setup" + ErrorText(GetLastError()));
    }
  }
  ~RemoteMemory() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }
  RemoteMemory(const RemoteMemory&) = delete;
  RemoteMemory& operator=(const RemoteMemory&) = delete;

  void* address() const { return address_; }
  void Write(std::size_t offset, const void* bytes, std::size_t size) const {
    if (!WriteProcessMemory(process_, static_cast<char*>(address_) + offset, bytes, size,
                            nullptr)) {
      throw DriverError(L"cannot write into the setup's memory" + ErrorText(GetLastError()));
    }
  }
  void Read(std::size_t offset, void* bytes, std::size_t size) const {
    if (!ReadProcessMemory(process_, static_cast<char*>(address_) + offset, bytes, size, nullptr)) {
      throw DriverError(L"cannot read the setup's memory" + ErrorText(GetLastError()));
    }
  }

 private:
  HANDLE process_;
  void* address_;
};

}  // namespace

bool PickerShowsFolders(const Dialog& picker) {
  const HWND tree = FindDescendantOfClass(picker.handle(), WC_TREEVIEWW);
  return tree != nullptr && Send(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0) != 0;
}

namespace {

ProgramStart SetupStart(const SetupOptions& options) {
  ProgramStart start{
      .program = options.program, .environment = options.environment, .desktop = options.desktop};
  if (!options.appdata.empty()) start.environment.emplace_back(L"APPDATA", options.appdata);
  return start;
}

}  // namespace

SetupProcess::SetupProcess(const SetupOptions& options) : Process(SetupStart(options)) {
  // Should it not appear, the process is ended as this object's Process part is destroyed.
  window_ = WaitForWindow(kWindowTitle, options.window_timeout_ms);
  // The setup makes the other pages' controls once its window is painted: all are there when it
  // waits for input.
  if (handle() != nullptr) WaitForInputIdle(handle(), options.window_timeout_ms);
}

SetupProcess::~SetupProcess() {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
}

void SetupProcess::HookWindowThread(HMODULE module, HOOKPROC procedure) {
  if (hook_ != nullptr) UnhookWindowsHookEx(hook_);
  hook_ = module != nullptr && procedure != nullptr
              ? SetWindowsHookExW(WH_CALLWNDPROC, procedure, module,
                                  GetWindowThreadProcessId(window_, nullptr))
              : nullptr;
  if (hook_ == nullptr)
    throw DriverError(L"cannot hook into the setup" + ErrorText(GetLastError()));
}

HWND SetupProcess::Find(Control id) const {
  HWND control = nullptr;
  // Given a moment, should the setup still be making it.
  WaitUntil([&] { return (control = FindDescendant(window_, static_cast<int>(id))) != nullptr; },
            1000, 5);
  if (control == nullptr) {
    throw DriverError(L"the setup window has no control " + std::to_wstring(static_cast<int>(id)));
  }
  return control;
}

void SetupProcess::SetText(Control id, const std::wstring& text) const {
  Send(Find(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::vector<Control> SetupProcess::VisiblePages() const {
  std::vector<Control> visible;
  for (const Control page : kPages) {
    if (Visible(page)) visible.push_back(page);
  }
  return visible;
}

int SetupProcess::Stage() const {
  const std::vector<Control> visible = VisiblePages();
  if (visible.size() != 1) return -1;
  return static_cast<int>(std::find(std::begin(kPages), std::end(kPages), visible[0]) -
                          std::begin(kPages));
}

void SetupProcess::WaitForStage(int stage, DWORD timeout_ms, DWORD poll_ms) const {
  if (!WaitUntil([&] { return Stage() == stage; }, timeout_ms, poll_ms)) {
    throw DriverError(L"the page of stage " + std::to_wstring(stage) +
                      L" was not shown alone; visible: " + PageList(VisiblePages()));
  }
}

void SetupProcess::Click(Control id) const { Send(Find(id), BM_CLICK, 0, 0); }

void SetupProcess::PostClick(Control id) const { Post(Find(id), BM_CLICK); }

void SetupProcess::PostClose() const { Post(window_, WM_CLOSE); }

void SetupProcess::SelectLanguage(int index) const {
  const HWND list = Find(Control::Lang);
  Send(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  Send(GetParent(list), WM_COMMAND, MAKEWPARAM(static_cast<int>(Control::Lang), CBN_SELCHANGE),
       reinterpret_cast<LPARAM>(list));
}

int SetupProcess::LanguageCount() const {
  return static_cast<int>(Send(Find(Control::Lang), CB_GETCOUNT, 0, 0));
}

std::wstring SetupProcess::LanguageEntry(int index) const {
  const HWND list = Find(Control::Lang);
  const LRESULT length = Send(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  if (length == CB_ERR) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const LRESULT copied =
      Send(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == CB_ERR ? 0 : static_cast<std::size_t>(copied));
  return text;
}

int SetupProcess::LanguageSelection() const {
  return static_cast<int>(Send(Find(Control::Lang), CB_GETCURSEL, 0, 0));
}

int SetupProcess::CheckState(Control id) const {
  return static_cast<int>(Send(Find(id), BM_GETCHECK, 0, 0));
}

int SetupProcess::BarPosition() const {
  return static_cast<int>(Send(Find(Control::Bar), PBM_GETPOS, 0, 0));
}

void SetupProcess::SelectInPicker(const Dialog& picker, const std::wstring& folder) const {
  const RemoteMemory path(handle(), (folder.size() + 1) * sizeof(wchar_t));
  path.Write(0, folder.c_str(), (folder.size() + 1) * sizeof(wchar_t));
  Send(picker.handle(), BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(path.address()));
}

std::wstring SetupProcess::PickerSelection(const Dialog& picker) const {
  const std::vector<std::wstring> chain = PickerSelectionChain(picker);
  return chain.empty() ? std::wstring() : chain.front();
}

std::vector<std::wstring> SetupProcess::PickerSelectionChain(const Dialog& picker) const {
  const HWND tree = FindDescendantOfClass(picker.handle(), WC_TREEVIEWW);
  if (tree == nullptr) throw DriverError(L"the folder picker shows no folder tree");
  std::vector<std::wstring> chain;
  // Each item's description and the room for its text, in the setup's memory.
  constexpr int kLongestName = MAX_PATH;
  const RemoteMemory remote(handle(), sizeof(TVITEMW) + kLongestName * sizeof(wchar_t));
  auto item = static_cast<LPARAM>(Send(tree, TVM_GETNEXTITEM, TVGN_CARET, 0));
  for (; item != 0 && chain.size() < 256;
       item = static_cast<LPARAM>(Send(tree, TVM_GETNEXTITEM, TVGN_PARENT, item))) {
    TVITEMW query{};
    query.mask = TVIF_TEXT | TVIF_HANDLE;
    query.hItem = reinterpret_cast<HTREEITEM>(item);
    query.pszText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote.address()) + sizeof query);
    query.cchTextMax = kLongestName;
    remote.Write(0, &query, sizeof query);
    std::wstring text(kLongestName, L'\0');
    if (Send(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.address())) != 0) {
      remote.Read(sizeof query, text.data(), kLongestName * sizeof(wchar_t));
    }
    text.resize(std::min(text.find(L'\0'), text.size()));
    chain.push_back(std::move(text));
  }
  return chain;
}

void SetupProcess::Screenshot(const std::wstring& png_path, const std::vector<HWND>& also) const {
  // Handled messages first, so that the window has had its paint messages queued.
  Send(window_, WM_NULL, 0, 0);
  std::vector<HWND> windows{window_};
  windows.insert(windows.end(), also.begin(), also.end());
  SaveStableScreenshot(windows, png_path);
}

}  // namespace tgw::automation
