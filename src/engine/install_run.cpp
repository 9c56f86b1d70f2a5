#include "engine/install_run.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <string_view>

#include "engine/decimal.h"
#include "engine/install_records.h"
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

// Writes one payload file byte for byte; false when it was not written in full.
bool WritePayloadFile(FileSystem& files, const std::wstring& path, std::string_view content) {
  const auto file = files.OpenOutput(path, OpenMode::kOutput);
  if (!file) return false;
  const bool written = content.empty() || file->WriteBytes(content);
  return file->Close() && written;
}

void MakeProductShortcuts(const Platform& platform, InstallLog& log) {
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
  for (const ShortcutRequest& request : requests) {
    if (request.location == ShortcutLocation::kDesktop && !desktop) continue;
    if (const auto path = MakeShortcut(platform.shell, platform.files, request)) log.Line(*path);
  }
}

}  // namespace

InstallOutcome StartInstalation(const Platform& platform, std::int32_t& stage) {
  Toolkit& ui = platform.ui;
  FileSystem& files = platform.files;
  const auto install_dir = [&ui] { return ui.GetText(Control::Text1); };
  InstallOutcome outcome;

  ui.SetBarValue(Control::Bar, 0);
  ui.SetCaption(Control::Action, L"Creating directories...");
  for (const std::wstring_view folder : kFolders) {
    const std::wstring path = install_dir() + std::wstring(folder);
    if (!files.MakeFolder(path) && folder.empty() && !files.FolderExists(path)) {
      outcome.folder_missing = true;
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
  const std::size_t count = payload.FileCount();
  outcome.file_count = count;
  ui.SetCaption(Control::Action, L"Unpacking was successful");
  SetProgress(ui, 50);
  ui.PumpEvents();

  InstallLog log(files, install_dir());
  for (std::size_t k = 1; k <= count; ++k) {
    // A content without a name, or with one that would lead outside the install
    // folder, is neither logged nor written.
    std::optional<std::wstring> name;
    if (payload.HasName(k) && IsSafeRelativeName(payload.Name(k))) name = Widen(payload.Name(k));
    if (name) {
      const std::wstring path = install_dir() + *name;
      log.Line(path);  // before the write, so a file that then fails is still listed
      if (!WritePayloadFile(files, path, payload.Content(k))) ++outcome.files_failed;
    } else {
      ++outcome.files_failed;
    }
    Pause(ui, platform.runtime, kFilePause);
    if (name) {
      ui.SetCaption(Control::Action,
                    L"Copying file " + *name + L"\r\n To \r\n" + install_dir() + *name);
    }
    SetProgress(ui, static_cast<float>(
                        std::floor(static_cast<double>(45 * k) / static_cast<double>(count)) + 50));
    ui.PumpEvents();
  }

  ui.SetCaption(Control::Action, L"Creating settings file and links...");
  ui.PumpEvents();
  Pause(ui, platform.runtime, kStepPause);
  WriteSettings(files, install_dir(), ui.GetListIndex(Control::Lang));
  CopyRuntimeComponents(files, FolderOf(platform.runtime.ProgramFile()), install_dir());
  MakeProductShortcuts(platform, log);
  log.Close();
  WriteUserRecord(files, platform.runtime, install_dir());

  SetProgress(ui, 100);
  ui.PumpEvents();
  Pause(ui, platform.runtime, kStepPause);

  ui.SetCaption(Control::Command3, L"Finish");
  stage = 5;
  ui.SetVisible(Control::Frame5, false);
  ui.SetVisible(Control::Frame6, true);
  return outcome;
}

}  // namespace tgw
