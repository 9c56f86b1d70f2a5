#include "wizard/install_run.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "engine/decimal.h"
#include "engine/install_records.h"
#include "engine/names.h"
#include "engine/payload.h"
#include "engine/product.h"
#include "engine/shortcuts.h"
#include "platform/file_system.h"
#include "platform/runtime.h"
#include "platform/shell.h"
#include "wizard/pause.h"
#include "wizard/toolkit.h"

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
// is a whole number from 0 to 100, so its shortest decimal form is its digits. Rounded half up
// (std::lround for these values; a float plus 0.5 is exact as a double), NaN as 0.
std::wstring PercentText(float value) {
  const double shown = value > 0.0F ? std::min(value, 100.0F) : 0.0F;
  return Decimal(static_cast<std::size_t>(shown + 0.5)) + L"%";
}

void SetProgress(Toolkit& ui, float value) {
  ui.SetBarValue(Control::Bar, value);
  ui.SetCaption(Control::PRG, PercentText(ui.GetBarValue(Control::Bar)));
}

// Writes payload file k byte for byte, in full or not at all, straight from the setup's mapped
// file in pieces of kWritePiece bytes. A piece that could not be read from the setup's file (read
// as zeros) fails the file, which is then dropped unwritten.
Status WritePayloadFile(FileSystem& files, const std::wstring& path, const Payload& payload,
                        std::size_t k) {
  auto file = files.OpenOutput(path, OpenMode::kReplace);
  if (!file) return file.error();
  for (std::string_view content = payload.Content(k); !content.empty();) {
    const std::string_view piece = content.substr(0, kWritePiece);
    if (Status written = (*file)->WriteBytes(piece); !written.ok()) return written;
    if (Status read = payload.ReadStatus(); !read.ok()) return read;
    content.remove_prefix(piece.size());
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

  constexpr ShowCommand kNormal = ShowCommand::kNormal;
  const ShortcutRequest requests[] = {
      {ShortcutLocation::kDesktop, L"Tagwright", app, app_icon, dir, L"", kNormal},
      {ShortcutLocation::kPrograms, L"Tagwright", app, app_icon, dir, L"Tagwright", kNormal},
      {ShortcutLocation::kPrograms, L"Official web site", product::kHomePage, L"shdocvw.dll,0", L"",
       L"Tagwright", ShowCommand::kMaximized},
      {ShortcutLocation::kPrograms, L"Uninstall Tagwright", uninstaller, uninstaller_icon, dir,
       L"Tagwright", kNormal},
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

// Makes the folder tree; the folders it made, to be taken back if the setup proves damaged.
std::vector<std::wstring> MakeFolderTree(const Platform& platform, InstallOutcome& outcome) {
  std::vector<std::wstring> made;
  for (const std::wstring_view folder : kFolders) {
    std::wstring path = platform.ui.GetText(Control::Text1) + std::wstring(folder);
    if (const Status status = platform.files.MakeFolder(path); status.ok()) {
      made.push_back(std::move(path));
    } else if (folder.empty() && !platform.files.FolderExists(path).value_or(false)) {
      outcome.shortfalls.push_back({Shortfall::Step::kFolder, status.error(), {}, 0});
    }
  }
  return made;
}

// Logs and writes every payload file, moving the progress page on after each.
void UnpackFiles(const Platform& platform, const Payload& payload, InstallLog& log,
                 InstallOutcome& outcome) {
  Toolkit& ui = platform.ui;
  const std::size_t count = payload.FileCount();
  Shortfall failed{Shortfall::Step::kFiles, {}, {}, 0};
  const std::wstring dir = ui.GetText(Control::Text1);  // the page that holds it is hidden
  float shown = 50;  // the bar's value; set again only when it changes
  for (std::size_t k = 1; k <= count; ++k) {
    // A content without a name, or with one that Windows cannot write faithfully below the
    // install folder, is neither logged nor written.
    std::optional<std::wstring> name;
    if (payload.HasName(k) && CheckName(payload.Name(k), dir.size()) == NameFault::kNone) {
      name = Widen(payload.Name(k));
    }
    Status written = Error{ErrorKind::kBadName, 0};
    if (name) {
      const std::wstring path = dir + *name;
      log.Line(path);  // before the write, so a file that then fails is still listed
      written = WritePayloadFile(platform.files, path, payload, k);
    }
    if (!written.ok() && failed.failed++ == 0) failed.error = written.error();
    Pause(ui, platform.runtime, kFilePause);
    if (name)
      ui.SetCaptionSoon(Control::Action, L"Copying file " + *name + L"\r\n To \r\n" + dir + *name);
    const auto value = static_cast<float>(45 * k / count + 50);  // whole numbers, rounded down
    if (value != shown) SetProgress(ui, shown = value);
    ui.PumpEvents();
  }
  if (failed.failed != 0) outcome.shortfalls.push_back(failed);
}

// The settings line, the runtime copies, the shortcuts, the log's end and the per-user record.
void WriteRecords(const Platform& platform, InstallLog& log, InstallOutcome& outcome) {
  using Step = Shortfall::Step;
  FileSystem& files = platform.files;
  const std::wstring dir = platform.ui.GetText(Control::Text1);
  const auto fell_short = [&outcome](Step step, const Status& status) {
    if (!status.ok()) outcome.shortfalls.push_back({step, status.error(), {}, 0});
  };
  fell_short(Step::kSettings, WriteSettings(files, dir, platform.ui.GetListIndex(Control::Lang)));
  // The program's path was read with the payload: the run does not come here without it.
  if (const auto program = platform.runtime.ProgramFile()) {
    for (const auto& [name, error] : CopyRuntimeComponents(files, FolderOf(*program), dir)) {
      outcome.shortfalls.push_back({Step::kRuntimeCopy, error, std::wstring(name), 0});
    }
  }
  for (Shortfall& shortcut : MakeProductShortcuts(platform, log)) {
    outcome.shortfalls.push_back(std::move(shortcut));
  }
  fell_short(Step::kLog, log.Close(outcome.Completed()));
  fell_short(Step::kUserRecord, WriteUserRecord(files, platform.runtime, dir));
}

}  // namespace

void ShowCompletionPage(Toolkit& ui, std::int32_t& stage) {
  ui.SetCaption(Control::Command3, L"Finish");
  stage = 5;
  ui.SetVisible(Control::Frame5, false);
  ui.SetVisible(Control::Frame6, true);
}

InstallOutcome StartInstalation(const Platform& platform, std::int32_t& stage) {
  Toolkit& ui = platform.ui;
  InstallOutcome outcome;

  // Nothing is written anywhere but below an absolute folder.
  if (const std::wstring dir = ui.GetText(Control::Text1); AsInstallFolder(dir) != dir) {
    outcome.shortfalls.push_back({Shortfall::Step::kFolder, {ErrorKind::kBadName, 0}, {}, 0});
    ShowCompletionPage(ui, stage);
    return outcome;
  }

  ui.SetBarValue(Control::Bar, 0);
  ui.SetCaption(Control::Action, L"Creating directories...");
  const std::vector<std::wstring> made = MakeFolderTree(platform, outcome);
  Pause(ui, platform.runtime, kStepPause);

  ui.SetCaption(Control::Action, L"Unpacking...");
  SetProgress(ui, 5);
  ui.PumpEvents();
  Pause(ui, platform.runtime, kStepPause);
  SetProgress(ui, 25);
  ui.PumpEvents();

  const Payload payload = ReadPayload(platform.files, platform.runtime);
  if (payload.integrity == Integrity::kDamaged) {
    // Nothing of a damaged setup is installed, and an earlier install stays as it was.
    outcome.damaged = true;
    for (auto folder = made.rbegin(); folder != made.rend(); ++folder) {
      (void)platform.files.RemoveFolder(*folder);
    }
    ShowCompletionPage(ui, stage);
    return outcome;
  }
  if (payload.read_error) {
    outcome.shortfalls.push_back({Shortfall::Step::kReadSetup, *payload.read_error, {}, 0});
  }
  outcome.file_count = payload.FileCount();
  ui.SetCaption(Control::Action, L"Unpacking was successful");
  SetProgress(ui, 50);
  ui.PumpEvents();

  InstallLog log(platform.files, ui.GetText(Control::Text1));
  UnpackFiles(platform, payload, log, outcome);

  ui.SetCaption(Control::Action, L"Creating settings file and links...");
  ui.PumpEvents();
  Pause(ui, platform.runtime, kStepPause);
  WriteRecords(platform, log, outcome);
  // One flush of everything written, in place of one per new file (see OpenMode::kReplace).
  (void)platform.files.FlushVolume(ui.GetText(Control::Text1));

  SetProgress(ui, 100);
  ui.PumpEvents();
  Pause(ui, platform.runtime, kStepPause);
  ShowCompletionPage(ui, stage);
  return outcome;
}

}  // namespace tgw
