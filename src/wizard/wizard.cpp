#include "wizard/wizard.h"

#include <exception>

#include "engine/decimal.h"
#include "engine/install_records.h"
#include "engine/names.h"
#include "platform/file_system.h"
#include "platform/folder_picker.h"
#include "platform/runtime.h"
#include "wizard/strings.h"
#include "wizard/toolkit.h"

namespace tgw {

namespace {

// The page each stage shows.
constexpr Control kPages[] = {Control::Frame1, Control::Frame2, Control::Frame3,
                              Control::Frame4, Control::Frame5, Control::Frame6};
constexpr std::int32_t kRunStage = 4;
constexpr std::int32_t kDoneStage = 5;
constexpr std::wstring_view kExitTitle = L"Exit";

}  // namespace

Wizard::Wizard(const Platform& platform, FolderPicker& picker)
    : platform_(platform), picker_(picker) {}

void Wizard::Form_Load() {
  desc_russian_ = DescriptionRussian();
  desc_english_ = DescriptionEnglish();
  platform_.ui.SetListIndex(Control::Lang, 0);
  SetLanguage();
  // The folder of the last install, when the record names an absolute folder.
  if (const auto last = ReadUserRecord(platform_.files, platform_.runtime)) {
    if (const auto folder = AsInstallFolder(*last)) platform_.ui.SetText(Control::Text1, *folder);
  }
}

void Wizard::SetLanguage() {
  Toolkit& ui = platform_.ui;
  // The list offers only its two entries; anything else keeps to English.
  const bool russian = ui.GetListIndex(Control::Lang) == 1;
  lang_strings_ = SplitTable(ui.GetText(russian ? Control::Russian : Control::English));
  lang_strings_.resize(kLineCount);
  ui.SetText(Control::Description, russian ? desc_russian_ : desc_english_);

  const auto& line = lang_strings_;
  ui.SetCaption(Control::Label1, line[kSelectLanguage]);
  ui.SetCaption(Control::Label2, line[kSetup]);
  for (int page = 1; page <= 4; ++page) {
    ui.SetCaption(kPages[page - 1], line[kStage] + L" " + Decimal(static_cast<std::size_t>(page)) +
                                        L" " + line[kOf] + L" 4");
  }
  ui.SetCaption(Control::Command3, line[kNext]);
  ui.SetCaption(Control::Command2, line[kBack]);
  ui.SetCaption(Control::Command1, line[kExit]);
  ui.SetCaption(Control::Label4, line[kSelectDirectory]);
  ui.SetCaption(Control::Frame5, line[kInstallation]);
  ui.SetCaption(Control::Label6, line[kProgress]);
  ui.SetCaption(Control::Label7, line[kCompleted]);
  ui.SetCaption(Control::Label3, line[kWelcome]);
  ui.SetCaption(Control::Label5, line[kReady]);
  ui.SetCaption(Control::Check1, line[kDesktopIcon]);
}

void Wizard::Lang_Click() { SetLanguage(); }

void Wizard::Command1_Click() { AskToExit(); }

void Wizard::AskToExit() {
  if (platform_.ui.MsgBox(lang_strings_[kExitQuestion], kExitTitle, MessageKind::kExitQuestion) ==
      MessageAnswer::kYes) {
    platform_.runtime.EndProgram();
  }
}

void Wizard::Command2_Click() {
  const std::int32_t stage = stage_;
  if (stage < 1 || stage > 3) return;
  platform_.ui.SetVisible(kPages[stage - 1], true);
  platform_.ui.SetVisible(kPages[stage], false);
  stage_ = stage - 1;
}

void Wizard::Command3_Click() {
  const std::int32_t stage = stage_;
  if (stage == kDoneStage) {
    platform_.runtime.EndProgram();
    return;
  }
  if (stage < 0 || stage > 3) return;  // during the run Next does nothing
  platform_.ui.SetVisible(kPages[stage], false);
  platform_.ui.SetVisible(kPages[stage + 1], true);
  stage_ = stage + 1;
  if (stage_ == kRunStage) StartInstalation();
}

void Wizard::StartInstalation() {
  InstallOutcome outcome;
  try {
    outcome = tgw::StartInstalation(platform_, stage_);
  } catch (const std::exception&) {
    // Out of memory, or any other failure the run did not expect: the user is told.
    outcome = InstallOutcome{};
    outcome.stopped = true;
    ShowCompletionPage(platform_.ui, stage_);
  }
  if (!outcome.Completed()) {
    platform_.ui.SetCaption(Control::Label7,
                            NotCompletedText(platform_.ui.GetListIndex(Control::Lang), outcome));
  }
}

void Wizard::Command4_Click() {
  // Cancelling keeps the field; a drive root "D:\" already ends in its backslash.
  const Result<std::wstring> chosen = BrowseForFolder(picker_, L"", L"");
  if (chosen && chosen->empty()) return;
  // The records are in the ANSI code page: they must be able to name the folder truly.
  auto folder = chosen ? platform_.files.RecordablePath(*chosen) : chosen;
  if (!folder) {
    platform_.ui.MsgBox(RefusedFolderText(platform_.ui.GetListIndex(Control::Lang), folder.error()),
                        lang_strings_[kSetup], MessageKind::kWarning);
    return;
  }
  if (folder->back() != L'\\') *folder += L'\\';
  platform_.ui.SetText(Control::Text1, *folder + L"Tagwright\\");
}

void Wizard::Form_QueryUnload() {
  if (stage_ == kRunStage) {
    AskToExit();
  } else {
    platform_.runtime.EndProgram();
  }
}

Result<std::wstring> BrowseForFolder(FolderPicker& picker, std::wstring_view default_result,
                                     std::wstring_view title) {
  auto chosen = picker.Pick(title);
  if (!chosen) return chosen.error();
  return chosen->has_value() ? std::move(**chosen) : std::wstring(default_result);
}

}  // namespace tgw
