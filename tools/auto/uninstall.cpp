#include "uninstall.h"

// After windows.h (through driver.h), which it needs.
#include <tlhelp32.h>

#include <algorithm>
#include <set>

#include "files.h"

namespace tgw::automation {

namespace {

constexpr wchar_t kUninstaller[] = L"Uninstall.exe";
constexpr DWORD kPollMs = 30;

ULONGLONG CreationTime(HANDLE process) {
  FILETIME created{};
  FILETIME exited{};
  FILETIME kernel{};
  FILETIME user{};
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
  return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// A process and every process it starts, and those start, found as they appear.
class ProcessTree {
 public:
  explicit ProcessTree(const PROCESS_INFORMATION& root) {
    processes_.push_back({root.dwProcessId, win32::UniqueHandle(root.hProcess), 0});
    processes_.back().created = CreationTime(processes_.back().handle.get());
  }
  ~ProcessTree() { EndAll(); }
  ProcessTree(const ProcessTree&) = delete;
  ProcessTree& operator=(const ProcessTree&) = delete;

  // Adds the processes started by a process of the tree since the last look; false when none.
  bool Refresh() {
    const std::size_t known = processes_.size();
    const win32::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
      if (Find(entry.th32ProcessID) != nullptr) continue;
      const Member* const parent = Find(entry.th32ParentProcessID);
      if (parent == nullptr) continue;
      win32::UniqueHandle handle(
          OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                      entry.th32ProcessID));
      if (!handle) continue;
      const ULONGLONG created = CreationTime(handle.get());
      // A number the system gave again to a process that is no child of the parent.
      if (created < parent->created) continue;
      processes_.push_back({entry.th32ProcessID, std::move(handle), created});
    }
    return processes_.size() > known;
  }

  std::vector<DWORD> Running() const {
    std::vector<DWORD> running;
    for (const Member& member : processes_) {
      if (WaitForSingleObject(member.handle.get(), 0) == WAIT_TIMEOUT) running.push_back(member.id);
    }
    return running;
  }

  bool Ended(DWORD id) const {
    const Member* const member = Find(id);
    return member == nullptr || WaitForSingleObject(member->handle.get(), 0) == WAIT_OBJECT_0;
  }

  std::uint32_t ExitCode(DWORD id) const {
    DWORD code = 0;
    const Member* const member = Find(id);
    if (member != nullptr) GetExitCodeProcess(member->handle.get(), &code);
    return code;
  }

  void EndAll() noexcept {
    for (const Member& member : processes_) {
      if (WaitForSingleObject(member.handle.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(member.handle.get(), 1);
      }
    }
  }

 private:
  struct Member {
    DWORD id;
    win32::UniqueHandle handle;
    ULONGLONG created;
  };

  const Member* Find(DWORD id) const {
    const auto found = std::find_if(processes_.begin(), processes_.end(),
                                    [id](const Member& member) { return member.id == id; });
    return found == processes_.end() ? nullptr : &*found;
  }

  std::vector<Member> processes_;
};

std::wstring TempFolder() {
  wchar_t path[MAX_PATH + 1] = {};
  const DWORD length = GetTempPathW(MAX_PATH + 1, path);
  return length == 0 || length > MAX_PATH ? std::wstring() : std::wstring(path, length);
}

std::wstring Prompt(const Dialog& dialog) {
  return dialog.HasItem(Dialog::kPromptId) ? dialog.ItemText(Dialog::kPromptId) : std::wstring();
}

}  // namespace

UninstallOutcome DriveUninstall(const std::wstring& install_folder, const std::wstring& pictures,
                                const Deadline& deadline) {
  const std::wstring folder = FullPath(install_folder);
  const std::wstring program =
      folder + (folder.ends_with(L'\\') ? L"" : L"\\") + std::wstring(kUninstaller);
  if (folder.empty() || !FileExists(program)) {
    throw DriverError(L"no " + std::wstring(kUninstaller) + L" in " + install_folder);
  }
  UninstallOutcome outcome;
  const Pictures shots(pictures, outcome.notes);
  // Started from the temp folder: a current folder inside the install folder would keep it.
  const PROCESS_INFORMATION started = StartProgram({program, L"", {}, L"", TempFolder()});
  CloseHandle(started.hThread);
  ProcessTree tree(started);
  const DWORD uninstaller = started.dwProcessId;

  bool asked = false;
  DWORD final_process = 0;
  bool ended_before_final = false;
  std::set<HWND> answered;
  for (;;) {
    // Whether any ran before the look for new ones: one that started another and ended since
    // is seen ended only after its child is in the tree.
    const bool any_ran = !tree.Running().empty();
    const bool grew = tree.Refresh();
    for (const DWORD id : tree.Running()) {
      for (const HWND window : TopLevelWindows(id, L"#32770")) {
        if (answered.contains(window)) continue;
        const Dialog dialog(window);
        std::vector<int> buttons = dialog.Buttons();
        std::sort(buttons.begin(), buttons.end());
        if (!asked && buttons == std::vector<int>{IDYES, IDNO}) {
          outcome.question = Prompt(dialog);
          shots.Take(L"uninstall-question", {window});
          dialog.Press(IDYES);
          asked = true;
        } else if (asked && buttons == std::vector<int>{IDOK}) {
          outcome.final_message = Prompt(dialog);
          shots.Take(L"uninstall-message", {window});
          ended_before_final = tree.Ended(uninstaller);
          final_process = id;
          dialog.Press(IDOK);
        } else {
          shots.Take(L"unexpected-dialog", {window});
          throw DriverError(L"the uninstaller showed a dialog no step expects: \"" +
                            dialog.Title() + L"\": " + Prompt(dialog));
        }
        answered.insert(window);
      }
    }
    if (!any_ran && !grew) break;
    if (deadline.Passed()) {
      throw DriverError(asked ? L"the time was up: the uninstaller did not end"
                              : L"the time was up: the uninstaller asked no question");
    }
    Sleep(kPollMs);
  }
  outcome.exit_code = tree.ExitCode(ended_before_final ? final_process : uninstaller);
  if (!asked) outcome.notes.push_back(L"the uninstaller ended without asking its question");
  return outcome;
}

}  // namespace tgw::automation
