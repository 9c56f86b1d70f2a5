#include "engine/install_run.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "engine/decimal.h"
#include "engine/install_records.h"
#include "engine/names.h"
#include "engine/pause.h"
#include "engine/payload.h"
#include "engine/product.h"
#include "engine/shortcuts.h"
#include "platform/file_system.h"
#include "platform/runtime.h"
#include "platform/shell.h"
#include "platform/toolkit.h"

namespace tgw {

namespace {

// The application's folder tree, made one level at a time below the install folder.
constexpr std::wstring_view kFolders[] = {
    L"", L"languages", L"languages\\russian", L"languages\\english", L"plug-ins", L"templates",
};

constexpr double kStepPause = 0.5;
constexpr double kFilePause = 0.45;

// Payload names are ASCII; a byte above 127 stands for the character of that number.
std::wstring Widen(std::string_view bytes) {
  std::wstring wide(bytes.size(), L'\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) wide[i] = static_cast<unsigned char>(bytes[i]);
  return wide;
}

// The bar's value as the progress label shows it, "53%". Every value the run sets
// is a whole number from 0 to 100, so its shortest decimal form is its digits.
std::wstring PercentText(float value) {
  return Decimal(static_cast<std::size_t>(std::lround(std::clamp(value, 0.0F, 100.0F)))) + L"%";
}

void SetProgress(Toolkit& ui, float value) {
  ui.SetBarValue(Control::Bar, value);
  ui.SetCaption(Control::PRG, PercentText(ui.GetBarValue(Control::Bar)));
}

// Writes one payload file byte for byte, in full or not at all.
Status WritePayloadFile(FileSystem& files, const std::wstring& path, std::string_view content) {
  auto file = files.OpenOutput(path, OpenMode::kReplace);
  if (!file) return file.error();
  if (!content.empty()) {
    if (Status written = (*file)->WriteBytes(content); !written.ok()) return written;
  }
  return (*file)->Close();
}

// Makes the shortcuts, logging each one made; those that could not be made.
std::vector<Shortfall> MakeProductShortcuts(const Platform& platform, InstallLog& log) {
  const std::wstring dir = platform.ui.GetText(Control::Text1);
  const std::wstring app = dir + L"Tagwright.exe";
  const std::wstring app_icon = dir + L"tagwright.exe,0";
  const std::wstring uninstaller = dir + L"uninstall.exe";
  const std::wstring uninstaller_icon = dir + L"uninstall.exe,0";
  const bool desktop = platform.ui.GetCheckValue(Control::Check1) != 0;

  const ShortcutRequest requests[] = {
      {ShortcutLocation::kDesktop, L"Tagwright", app, L"", app_icon, dir, L"", 1},
      {ShortcutLocation::kPrograms, L"Tagwright", app, L"", app_icon, dir, L"Tagwright", 1},
      {ShortcutLocation::kPrograms, L"Official web site", product::kHomePage, L"", L"shdocvw.dll,0",
       L"", L"Tagwright", 3},
      {ShortcutLocation::kPrograms, L"Uninstall Tagwright", uninstaller, L"", uninstaller_icon, dir,
       L"Tagwright", 1},
  };
  std::vector<Shortfall> failed;
  for (const ShortcutRequest& request : requests) {
    if (request.location == ShortcutLocation::kDesktop && !desktop) continue;
    const auto path = MakeShortcut(platform.shell, platform.files, request);
    if (path) {
      log.Line(*path);
    } else {
      failed.push_back({Shortfall::Step::kShortcut, path.error(), std::wstring(request.name)});
    }
  }
  return failed;
}

}  // namespace

void ShowCompletionPage(Toolkit& ui, std::int32_t& stage) {
  ui.SetCaption(Control::Command3, L"Finish");
  stage = 5;
  ui.SetVisible(Control::Frame5, false);
  ui.SetVisible(Control::Frame6, true);
}

InstallOutcome StartInstalation(const Platform& platform, std::int32_t& stage) {
  using Step = Shortfall::Step;
  Toolkit& ui = platform.ui;
  FileSystem& files = platform.files;
  const auto install_dir = [&ui] { return ui.GetText(Control::Text1); };
  InstallOutcome outcome;
  const auto fell_short = [&outcome](Step step, const Error& error) {
    outcome.shortfalls.push_back({step, error, {}, 0});
  };

  // Nothing is written anywhere but below an absolute folder.
  if (AsInstallFolder(install_dir()) != install_dir()) {
    fell_short(Step::kFolder, Error{ErrorKind::kBadName, 0});
    ShowCompletionPage(ui, stage);
    return outcome;
  }

  ui.SetBarValue(Control::Bar, 0);
  ui.SetCaption(Control::Action, L"Creating directories...");
  std::vector<std::wstring> made;  // taken back when the setup proves damaged
  for (const std::wstring_view folder : kFolders) {
    std::wstring path = install_dir() + std::wstring(folder);
    if (const Status status = files.MakeFolder(path); status.ok()) {
      made.push_back(std::move(path));
    } else if (folder.empty() && !files.FolderExists(path)) {
      fell_short(Step::kFolder, status.error());
    }
  }
  Pause(ui, platform.runtime, kStepPause);

  ui.SetCaption(Control::Action, L"Unpacking...");
  SetProgress(ui, 5);
  ui.PumpEvents();
  Pause(ui, platform.runtime, kStepPause);
  SetProgress(ui, 25);
  ui.PumpEvents();

  const Payload payload = ReadPayload(files, platform.runtime);
  if (payload.integrity == Integrity::kDamaged) {
    // Nothing of a damaged setup is installed, and an earlier install stays as it was.
    outcome.damaged = true;
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
      (void)files.RemoveFolder(*folder);
    }
    ShowCompletionPage(ui, stage);
    return outcome;
  }
  if (payload.read_error) fell_short(Step::kReadSetup, *payload.read_error);
  const std::size_t count = payload.FileCount();
  outcome.file_count = count;
  ui.SetCaption(Control::Action, L"Unpacking was successful");
  SetProgress(ui, 50);
  ui.PumpEvents();

  InstallLog log(files, install_dir());
  Shortfall files_failed{Step::kFiles, {}, {}, 0};
  for (std::size_t k = 1; k <= count; ++k) {
    // A content without a name, or with one that Windows cannot write faithfully below the
    // install folder, is neither logged nor written.
    std::optional<std::wstring> name;
    if (payload.HasName(k) &&
        CheckName(payload.Name(k), install_dir().size()) == NameFault::kNone) {
      name = Widen(payload.Name(k));
    }
    Status written = Error{ErrorKind::kBadName, 0};
    if (name) {
      const std::wstring path = install_dir() + *name;
      log.Line(path);  // before the write, so a file that then fails is still listed
      written = WritePayloadFile(files, path, payload.Content(k));
    }
    if (!written.ok() && files_failed.failed++ == 0) files_failed.error = written.error();
    Pause(ui, platform.runtime, kFilePause);
    if (name) {
      ui.SetCaption(Control::Action,
                    L"Copying file " + *name + L"\r\n To \r\n" + install_dir() + *name);
    }
    SetProgress(ui, static_cast<float>(
                        std::floor(static_cast<double>(45 * k) / static_cast<double>(count)) + 50));
    ui.PumpEvents();
  }
  if (files_failed.failed != 0) outcome.shortfalls.push_back(files_failed);

  ui.SetCaption(Control::Action, L"Creating settings file and links...");
  ui.PumpEvents();
  Pause(ui, platform.runtime, kStepPause);
  if (const Status settings = WriteSettings(files, install_dir(), ui.GetListIndex(Control::Lang));
      !settings.ok()) {
    fell_short(Step::kSettings, settings.error());
  }
  for (const auto& [name, error] :
       CopyRuntimeComponents(files, FolderOf(platform.runtime.ProgramFile()), install_dir())) {
    outcome.shortfalls.push_back({Step::kRuntimeCopy, error, std::wstring(name), 0});
  }
  for (Shortfall& shortcut : MakeProductShortcuts(platform, log)) {
    outcome.shortfalls.push_back(std::move(shortcut));
  }
  if (const Status closed = log.Close(outcome.Completed()); !closed.ok()) {
    fell_short(Step::kLog, closed.error());
  }
  if (const Status recorded = WriteUserRecord(files, platform.runtime, install_dir());
      !recorded.ok()) {
    fell_short(Step::kUserRecord, recorded.error());
  }

  SetProgress(ui, 100);
  ui.PumpEvents();
  Pause(ui, platform.runtime, kStepPause);
  ShowCompletionPage(ui, stage);
  return outcome;
}

}  // namespace tgw
