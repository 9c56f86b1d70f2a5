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

// A process and the processes it started, and those they start, found as they appear.
// Destroying it ends those still running.
class Descendants {
 public:
  explicit Descendants(const Process& root) : root_(root) {}
  ~Descendants() {
    root_.End();
    for (const Member& member : members_) {
      if (WaitForSingleObject(member.handle.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(member.handle.get(), 1);
      }
    }
  }
  Descendants(const Descendants&) = delete;
  Descendants& operator=(const Descendants&) = delete;

  // Adds the processes started by the root or a descendant since the last look; false when none.
  bool Refresh() {
    const std::size_t known = members_.size();
    const win32::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return false;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
         more = Process32NextW(snapshot.get(), &entry)) {
      if (entry.th32ProcessID == root_.id() || Find(entry.th32ProcessID) != nullptr) continue;
      ULONGLONG parent_created = 0;
      if (entry.th32ParentProcessID == root_.id()) {
        parent_created = CreationTime(root_.handle());
      } else if (const Member* const parent = Find(entry.th32ParentProcessID)) {
        parent_created = parent->created;
      } else {
        continue;
      }
      win32::UniqueHandle handle(
          OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                      entry.th32ProcessID));
      if (!handle) continue;
      const ULONGLONG created = CreationTime(handle.get());
      // A number the system gave again to a process that is no child of the parent.
      if (created < parent_created) continue;
      members_.push_back({entry.th32ProcessID, std::move(handle), created});
    }
    return members_.size() > known;
  }

  // The root and the descendants that still run.
  std::vector<DWORD> Running() const {
    std::vector<DWORD> running;
    if (root_.Running()) running.push_back(root_.id());
    for (const Member& member : members_) {
      if (WaitForSingleObject(member.handle.get(), 0) == WAIT_TIMEOUT) running.push_back(member.id);
    }
    return running;
  }

 private:
  struct Member {
    DWORD id;
    win32::UniqueHandle handle;
    ULONGLONG created;
  };

  const Member* Find(DWORD id) const {
    const auto found = std::find_if(members_.begin(), members_.end(),
                                    [id](const Member& member) { return member.id == id; });
    return found == members_.end() ? nullptr : &*found;
  }

  const Process& root_;
  std::vector<Member> members_;
};

std::wstring Prompt(const Dialog& dialog) {
  return dialog.HasItem(Dialog::kPromptId) ? dialog.ItemText(Dialog::kPromptId) : std::wstring();
}

}  // namespace

Process StartUninstaller(const std::wstring& install_folder, const Environment& environment,
                         const std::wstring& desktop) {
  const std::wstring folder = FullPath(install_folder);
  const std::wstring program =
      folder + (folder.ends_with(L'\\') ? L"" : L"\\") + std::wstring(kUninstaller);
  if (folder.empty() || !FileExists(program)) {
    throw DriverError(L"no " + std::wstring(kUninstaller) + L" in " + install_folder);
  }
  return Process({.program = program,
                  .environment = environment,
                  .desktop = desktop,
                  .current_folder = folder});
}

UninstallOutcome DriveUninstall(const Process& uninstaller, Answer answer,
                                const std::wstring& pictures, const Deadline& deadline) {
  UninstallOutcome outcome;
  const Pictures shots(pictures, outcome.notes);
  Descendants tree(uninstaller);
  bool asked = false;
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
          outcome.title = dialog.Title();
          outcome.question = Prompt(dialog);
          shots.Take(L"uninstall-question", {window});
          dialog.Press(answer == Answer::kYes ? IDYES : IDNO);
          asked = true;
        } else if (asked && buttons == std::vector<int>{IDOK}) {
          outcome.final_message = Prompt(dialog);
          shots.Take(L"uninstall-message", {window});
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
  outcome.exit_code = uninstaller.WaitForExit(0);
  if (!asked) outcome.notes.push_back(L"the uninstaller ended without asking its question");
  return outcome;
}

}  // namespace tgw::automation
