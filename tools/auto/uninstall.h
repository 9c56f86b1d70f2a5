#pragma once

// An unattended uninstall: the product's Uninstall.exe started as its shortcut starts it, its
// question answered and its final message acknowledged.

#include <cstdint>
#include <string>
#include <vector>

#include "install.h"

namespace tgw::automation {

// Starts `install_folder`\Uninstall.exe in that folder, as the "Uninstall Tagwright" shortcut
// does, with the `environment` changes and on `desktop` (empty: this process's). Throws
// DriverError when there is no Uninstall.exe or it cannot start.
Process StartUninstaller(const std::wstring& install_folder, const Environment& environment = {},
                         const std::wstring& desktop = {});

// The answer to the uninstaller's question.
enum class Answer { kYes, kNo };

struct UninstallOutcome {
  std::uint32_t exit_code = 0;  // the uninstaller's
  std::wstring title;           // the question's title
  std::wstring question;        // the question's text
  std::wstring final_message;   // the text of its last message; empty when it showed none
  std::vector<std::wstring> notes;
};

// Drives the started uninstaller: `answer` to its question (a message box with Yes and No), OK to
// its final message (a message box with OK alone). Returns once it and every process it started
// (the copy of itself that removes its file) have ended; pictures of both messages go to the
// folder `pictures` (none when empty). Throws DriverError when it cannot be driven (no question,
// another dialog, the time is up); the processes still running are then ended.
UninstallOutcome DriveUninstall(const Process& uninstaller, Answer answer,
                                const std::wstring& pictures, const Deadline& deadline);

}  // namespace tgw::automation
