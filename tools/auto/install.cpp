#include "install.h"

#include <algorithm>
#include <functional>
#include <utility>

#include "files.h"
#include "platform/win32/file_system_win.h"
#include "screenshot.h"
#include "steps.h"

namespace tgw::automation {

namespace {

constexpr wchar_t kProductFolder[] = L"Tagwright";
constexpr wchar_t kCompleteEnglish[] = L"Setup has been successfully completed!";
constexpr wchar_t kCompleteRussian[] = L"Установка была успешно завершена!";
constexpr wchar_t kLanguageEntries[][16] = {L"English", L"Русский"};

constexpr DWORD kStepMs = 15000;     // a page change, a dialog, a field
constexpr DWORD kPickerMs = 20000;   // the picker taking a selection: Wine fills it slowly
constexpr DWORD kEndMs = 10000;      // the setup ending after Finish or Exit
constexpr DWORD kProgressMs = 5000;  // the bar's first move

bool SameText(std::wstring_view a, std::wstring_view b) {
  return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b.data(),
                              static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

// What a dialog says: its title and, for a message box, its text.
std::wstring Describe(const Dialog& dialog) {
  std::wstring text = L"\"" + dialog.Title() + L"\"";
  if (dialog.HasItem(Dialog::kPromptId)) text += L": " + dialog.ItemText(Dialog::kPromptId);
  return text;
}

// Waits until `done`, failing on the way when a dialog shows (none of the steps waited on here
// opens one), when the setup ends, or after `timeout_ms`. A dialog is pictured, and when it is a
// message box with OK alone, answered so that the setup can be ended as a user would.
void Await(const SetupProcess& setup, const Pictures& pictures, const std::function<bool()>& done,
           const std::wstring& what, DWORD timeout_ms) {
  HWND shown = nullptr;
  bool finished = false;
  WaitUntil(
      [&] {
        finished = done();
        if (finished) return true;
        const std::vector<HWND> dialogs = setup.Dialogs();
        if (!dialogs.empty()) shown = dialogs.front();
        return shown != nullptr || !setup.Running();
      },
      timeout_ms, 20);
  if (!finished && shown == nullptr) {
    // The setup may have ended, or the time run out, just after a look found it not done.
    try {
      finished = done();
    } catch (const DriverError&) {
    }
  }
  if (finished) return;
  if (shown != nullptr) {
    const Dialog dialog(shown);
    pictures.Take(L"unexpected-dialog", setup, {shown});
    const std::wstring description = Describe(dialog);
    if (dialog.Buttons() == std::vector<int>{IDOK}) {
      dialog.Press(IDOK);
      dialog.WaitClosed(kEndMs);
    }
    throw DriverError(L"the setup showed a dialog while waiting for " + what + L": " + description);
  }
  if (!setup.Running()) {
    throw DriverError(L"the setup ended (exit code " + std::to_wstring(setup.WaitForExit(0)) +
                      L") while waiting for " + what);
  }
  throw DriverError(L"timed out waiting for " + what);
}

void AwaitStage(const SetupProcess& setup, const Pictures& pictures, int stage, DWORD timeout_ms) {
  Await(
      setup, pictures, [&] { return setup.Stage() == stage; },
      L"the page of stage " + std::to_wstring(stage), timeout_ms);
}

// Next, and the wait for the next page.
void Next(const SetupProcess& setup, const Pictures& pictures, const Deadline& deadline) {
  const int stage = setup.Stage();
  setup.Click(Control::Command3);
  AwaitStage(setup, pictures, stage + 1, deadline.Left(kStepMs));
}

void ChooseLanguage(const SetupProcess& setup, Language language) {
  const std::wstring_view entry = kLanguageEntries[static_cast<int>(language)];
  for (int index = 0; index < setup.LanguageCount(); ++index) {
    if (setup.LanguageEntry(index) != entry) continue;
    if (setup.LanguageSelection() != index) setup.SelectLanguage(index);
    if (setup.LanguageSelection() != index) {
      throw DriverError(L"the language list did not take " + std::wstring(entry));
    }
    return;
  }
  throw DriverError(L"the language list has no entry " + std::wstring(entry));
}

void ChooseFolder(const SetupProcess& setup, const Pictures& pictures, const FolderChoice& folder,
                  FolderEntry entry, const Deadline& deadline, std::vector<std::wstring>& notes) {
  const auto field_reads = [&] { return SameText(setup.Text(Control::Text1), folder.field_text); };
  if (entry == FolderEntry::kPicker) {
    const Dialog picker = OpenFolderPicker(setup, deadline.Left(kStepMs));
    if (SelectFolderInPicker(setup, picker, folder.chosen, deadline.Left(kPickerMs))) {
      pictures.Take(L"folder-picker", setup, {picker.handle()});
      picker.Press(IDOK);
      picker.WaitClosed(deadline.Left(kStepMs));
      Await(setup, pictures, field_reads, L"the install folder field to read " + folder.field_text,
            deadline.Left(kStepMs));
      return;
    }
    std::wstring shown;
    for (const std::wstring& name : setup.PickerSelectionChain(picker)) {
      shown = shown.empty() ? name : name + L" > " + shown;
    }
    notes.push_back(L"the folder picker did not select " + folder.chosen + L" (it shows " +
                    (shown.empty() ? L"nothing" : shown) +
                    L" selected); the install folder was put into the field");
    picker.Press(IDCANCEL);
    picker.WaitClosed(deadline.Left(kStepMs));
  }
  setup.SetText(Control::Text1, folder.field_text);
  Await(setup, pictures, field_reads, L"the install folder field to read " + folder.field_text,
        deadline.Left(kStepMs));
}

void ChooseDesktopIcon(const SetupProcess& setup, bool wanted) {
  const int state = wanted ? BST_CHECKED : BST_UNCHECKED;
  if (setup.CheckState(Control::Check1) != state) setup.Click(Control::Check1);
  if (setup.CheckState(Control::Check1) != state) {
    throw DriverError(L"the desktop icon box did not take the click");
  }
}

// Ends the setup as a user would: Exit, and Yes to the question. Quietly does nothing when the
// setup does not answer; the caller's SetupProcess ends it then.
void EndAsAUserWould(const SetupProcess& setup, const Pictures& pictures) noexcept {
  try {
    if (!setup.Running() || !setup.Dialogs().empty() || !setup.Enabled(Control::Command1)) return;
    const Dialog question = OpenExitQuestion(setup, false, 5000);
    pictures.Take(L"exit-question", setup, {question.handle()});
    question.Press(IDYES);
    setup.WaitForExit(kEndMs);
  } catch (const DriverError&) {
  }
}

InstallOutcome ToCompletion(const SetupProcess& setup, const InstallRequest& request,
                            const Deadline& deadline, const Pictures& pictures,
                            std::vector<std::wstring>& notes) {
  AwaitStage(setup, pictures, kLanguageStage, deadline.Left(kStepMs));
  if (request.language) ChooseLanguage(setup, *request.language);
  pictures.Take(L"stage0-language", setup);

  Next(setup, pictures, deadline);
  pictures.Take(L"stage1-description", setup);

  Next(setup, pictures, deadline);
  if (request.folder) {
    ChooseFolder(setup, pictures, *request.folder, request.folder_entry, deadline, notes);
  }
  pictures.Take(L"stage2-folder", setup);

  Next(setup, pictures, deadline);
  if (request.desktop_icon) ChooseDesktopIcon(setup, *request.desktop_icon);
  pictures.Take(L"stage3-desktop-icon", setup);

  InstallOutcome outcome;
  outcome.install_folder = setup.Text(Control::Text1);
  setup.PostClick(Control::Command3);  // the click returns only when the run is over
  Await(
      setup, pictures, [&] { return setup.Stage() >= kRunStage; }, L"the progress page",
      deadline.Left(kStepMs));
  // The picture once the bar has moved, while the page shows.
  WaitUntil([&] { return setup.Stage() != kRunStage || setup.BarPosition() > 0; },
            deadline.Left(kProgressMs), 20);
  if (setup.Stage() == kRunStage) pictures.Take(L"stage4-progress", setup);
  AwaitStage(setup, pictures, kCompletionStage, deadline.Left());
  outcome.completion_text = setup.Text(Control::Label7);
  outcome.completed = SaysComplete(outcome.completion_text);
  pictures.Take(L"stage5-completion", setup);
  return outcome;
}

std::uint32_t Finish(const SetupProcess& setup, const Deadline& deadline,
                     const Pictures& pictures) {
  Await(
      setup, pictures, [&] { return setup.Stage() == kCompletionStage; }, L"the completion page",
      deadline.Left(kStepMs));
  setup.PostClick(Control::Command3);
  Await(
      setup, pictures, [&] { return !setup.Running(); }, L"the setup to end after Finish",
      deadline.Left(kEndMs));
  return setup.WaitForExit(0);
}

// Runs `step`; when it fails, ends the setup as a user would and throws DriverError with the
// notes so far.
template <typename Step>
auto Guarded(const SetupProcess& setup, const Deadline& deadline, const Pictures& pictures,
             const std::vector<std::wstring>& notes, const Step& step) {
  try {
    return step();
  } catch (const DriverError& error) {
    EndAsAUserWould(setup, pictures);
    std::wstring message = error.message();
    if (deadline.Passed()) message = L"the time was up: " + message;
    for (const std::wstring& note : notes) message += L"\n" + note;
    throw DriverError(message);
  }
}

}  // namespace

DWORD Deadline::Left(DWORD step_ms) const {
  const ULONGLONG now = GetTickCount64();
  const ULONGLONG left = now >= end_ ? 0 : end_ - now;
  return static_cast<DWORD>(std::min<ULONGLONG>(left, step_ms));
}

void Pictures::Take(const std::wstring& name, const std::vector<HWND>& windows) const {
  if (folder_.empty() || windows.empty()) return;
  try {
    MakeFolders(folder_);
    SaveStableScreenshot(windows, folder_ + L"\\" + name + L".png");
  } catch (const DriverError& error) {
    notes_.push_back(L"no picture " + name + L".png: " + error.message());
  }
}

void Pictures::Take(const std::wstring& name, const SetupProcess& setup,
                    const std::vector<HWND>& also) const {
  if (folder_.empty()) return;
  try {
    // Handled messages first, so that the window has had its paint messages queued.
    Send(setup.window(), WM_NULL, 0, 0);
  } catch (const DriverError&) {
  }
  std::vector<HWND> windows{setup.window()};
  windows.insert(windows.end(), also.begin(), also.end());
  Take(name, windows);
}

FolderChoice ChooseInstallFolder(const std::wstring& install_folder) {
  const std::wstring full = FullPath(install_folder);
  if (full.empty()) throw DriverError(L"not a folder's path: " + install_folder);
  if (full.starts_with(L"\\\\?\\") || full.starts_with(L"\\\\.\\")) {
    throw DriverError(L"give the folder without the \\\\?\\ or \\\\.\\ prefix: " + full);
  }
  const std::size_t cut = full.rfind(L'\\');
  if (cut == std::wstring::npos || !SameText(full.substr(cut + 1), kProductFolder)) {
    throw DriverError(
        L"the install folder must end in \\Tagwright (the setup installs into a "
        L"folder named Tagwright inside the folder chosen): " +
        full);
  }
  std::wstring chosen = full.substr(0, cut);
  if (chosen.size() == 2 && chosen[1] == L':') chosen += L'\\';
  if (!FolderExists(chosen)) {
    throw DriverError(L"the folder " + chosen +
                      L" does not exist (the setup chooses only an existing folder, and makes "
                      L"Tagwright inside it)");
  }
  // The setup's own rule for a folder the picker gives: its records must be able to name it.
  Win32FileSystem files;
  const Result<std::wstring> recordable = files.RecordablePath(chosen);
  if (!recordable) {
    throw DriverError(L"the setup cannot use " + chosen + L": " +
                      (recordable.error().kind == ErrorKind::kNoMapping
                           ? L"its name cannot be stored in the system's code page, and its "
                             L"drive keeps no short names for it"
                           : SystemErrorText(recordable.error().code)));
  }
  FolderChoice choice{chosen, *recordable};
  if (choice.field_text.back() != L'\\') choice.field_text += L'\\';
  choice.field_text += std::wstring(kProductFolder) + L"\\";
  return choice;
}

bool SaysComplete(const std::wstring& completion_text) {
  return completion_text == kCompleteEnglish || completion_text == kCompleteRussian;
}

InstallOutcome DriveToCompletion(const SetupProcess& setup, const InstallRequest& request,
                                 const Deadline& deadline) {
  std::vector<std::wstring> notes;
  const Pictures pictures(request.pictures, notes);
  InstallOutcome outcome = Guarded(setup, deadline, pictures, notes, [&] {
    return ToCompletion(setup, request, deadline, pictures, notes);
  });
  outcome.notes = std::move(notes);
  return outcome;
}

std::uint32_t PressFinish(const SetupProcess& setup, const Deadline& deadline,
                          const std::wstring& pictures_folder) {
  std::vector<std::wstring> notes;
  const Pictures pictures(pictures_folder, notes);
  return Guarded(setup, deadline, pictures, notes,
                 [&] { return Finish(setup, deadline, pictures); });
}

InstallOutcome DriveInstall(const SetupProcess& setup, const InstallRequest& request,
                            const Deadline& deadline) {
  InstallOutcome outcome = DriveToCompletion(setup, request, deadline);
  outcome.exit_code = PressFinish(setup, deadline, request.pictures);
  return outcome;
}

}  // namespace tgw::automation
