#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "wizard/install_run.h"

namespace tgw {

class FolderPicker;

// The wizard window's logic: start-up, the stage machine behind Exit, Back and Next,
// the interface language and the install folder field. The toolkit calls the
// handlers on its one user-interface thread, also from inside the run's pumps.
class Wizard {
 public:
  Wizard(const Platform& platform, FolderPicker& picker);

  void Form_Load();
  void Command1_Click();  // Exit
  void Command2_Click();  // Back
  void Command3_Click();  // Next, "Finish" at the end
  void Command4_Click();  // "..." picks the install folder
  void Lang_Click();
  // Closing the window through its frame: during the run it asks as Exit does.
  void Form_QueryUnload();

  void SetLanguage();
  void StartInstalation();

  std::int32_t Stage() const { return stage_; }
  const std::vector<std::wstring>& LangStrings() const { return lang_strings_; }

 private:
  void AskToExit();

  Platform platform_;
  FolderPicker& picker_;
  std::int32_t stage_ = 0;
  std::wstring desc_english_;
  std::wstring desc_russian_;
  std::vector<std::wstring> lang_strings_;
};

// The picker's choice, `default_result` when the user cancels, or the picker's failure.
Result<std::wstring> BrowseForFolder(FolderPicker& picker, std::wstring_view default_result,
                                     std::wstring_view title);

}  // namespace tgw
