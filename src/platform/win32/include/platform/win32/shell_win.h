#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/shell.h"

namespace tgw::win32 {

// Shortcuts through the shell link object (CLSID_ShellLink, IShellLinkW, IPersistFile) and the
// current user's known folders. COM must be initialised on the calling thread (apartment
// threaded); each shortcut creates and releases its own link object.
//
// A target that starts with "http://" or "https://" (any case) is a web address: the shell link
// object cannot point at one (it would store a file below the current folder), so the link starts
// "<system folder>\rundll32.exe" with the arguments "url.dll,FileProtocolHandler <address>",
// which opens the address in the user's browser on every Windows shell and under Wine.
class Win32Shell final : public Shell {
 public:
  // "Desktop", "Programs", "StartMenu" or "StartUp" (any case) through SHGetKnownFolderPath.
  Result<std::wstring> SpecialFolder(std::wstring_view name) override;
  Result<std::unique_ptr<ShellLink>> CreateShortcut(std::wstring_view path) override;
};

// The SW_ show command of a shortcut's ShowCommand: SW_SHOWNORMAL, SW_SHOWMAXIMIZED; nothing for
// a value outside the enumeration.
std::optional<int> ShowCommandValue(ShowCommand show);

// An icon location "file,index" split at its last comma; without a comma, the whole text is the
// file and the index is 0. Nothing when the index is not a (possibly negative) whole number.
struct IconLocation {
  std::wstring file;
  int index = 0;
};
std::optional<IconLocation> SplitIconLocation(std::wstring_view location);

// Whether a shortcut target is a web address ("http://" or "https://", any case).
bool IsWebAddress(std::wstring_view target);

}  // namespace tgw::win32
