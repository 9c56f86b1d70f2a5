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

  // The captions in the order they are set; the first four pages' frames say "Stage N of 4".
  struct Caption {
    Control control;
    Line line;
  };
  static constexpr Caption kCaptions[] = {
      {Control::Label1, kSelectLanguage}, {Control::Label2, kSetup},
      {Control::Frame1, kStage},          {Control::Frame2, kStage},
      {Control::Frame3, kStage},          {Control::Frame4, kStage},
      {Control::Command3, kNext},         {Control::Command2, kBack},
      {Control::Command1, kExit},         {Control::Label4, kSelectDirectory},
      {Control::Frame5, kInstallation},   {Control::Label6, kProgress},
      {Control::Label7, kCompleted},      {Control::Label3, kWelcome},
      {Control::Label5, kReady},          {Control::Check1, kDesktopIcon},
  };
  std::size_t page = 0;
  for (const Caption& caption : kCaptions) {
    if (caption.line != kStage) {
      ui.SetCaption(caption.control, lang_strings_[caption.line]);
      continue;
    }
    std::wstring text = lang_strings_[kStage];
    text.append(L" ").append(Decimal(++page)).append(L" ").append(lang_strings_[kOf]).append(L" 4");
    ui.SetCaption(caption.control, text);
  }
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
