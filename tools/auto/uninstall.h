#pragma once

// An unattended uninstall: the product's Uninstall.exe started, its question answered Yes and its
// final message acknowledged.

#include <cstdint>
#include <string>
#include <vector>

#include "install.h"

namespace tgw::automation {

struct UninstallOutcome {
  std::uint32_t exit_code = 0;  // the uninstaller's
  std::wstring question;        // the text of the question answered Yes
  std::wstring final_message;   // the text of its last message; empty when it showed none
  std::vector<std::wstring> notes;
};

// Runs `install_folder`\Uninstall.exe and drives it: Yes to its question (a message box with Yes
// and No), OK to its final message (a message box with OK alone), in the uninstaller's process
// or in any process it starts (it removes itself through a copy of its own). Returns once every
// one of those processes has ended. The exit code is Uninstall.exe's; when it ends before its
// final message shows, that of the process showing it. Throws DriverError when it cannot be
// driven (no question, another dialog, the time is up); it then ends the processes still running.
UninstallOutcome DriveUninstall(const std::wstring& install_folder, const std::wstring& pictures,
                                const Deadline& deadline);

}  // namespace tgw::automation
