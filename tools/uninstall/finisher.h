#pragma once

// How the uninstaller removes its own file, which Windows does not let a running program delete:
// a copy of it in the temp folder (the finisher) waits for it to end, deletes its file and removes
// the install folder when that is then empty.
//
// The copy is opened delete-on-close before it starts and inherits that handle: the system deletes
// the copy when the finisher has ended and its image is closed. In case the system keeps it, the
// finisher also asks for it to be deleted at the next restart (MoveFileExW with
// MOVEFILE_DELAY_UNTIL_REBOOT, which needs the administrator's rights the uninstaller runs with).

#include <windows.h>

#include <optional>
#include <string>
#include <string_view>

namespace tgw::uninstall {

// Starts the finisher for `program`, the running uninstaller's file. False when it could not.
bool StartFinisher(const std::wstring& program);

// The handle of the process to finish after, when the command line is the finisher's
// ("<program>" /finish <handle>); nothing for any other.
std::optional<HANDLE> FinisherArgument(std::wstring_view command_line);

// The finisher's work, for the process `uninstaller` (inherited handle); its exit code: 0 when
// the uninstaller's file is gone.
int Finish(HANDLE uninstaller);

}  // namespace tgw::uninstall
