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

// A hot key as IShellLinkW::SetHotkey takes it: the virtual key in the low byte, the HOTKEYF_
// modifier flags in the high byte. "" is no hot key (0); otherwise any of "Ctrl" (or "Control"),
// "Alt" and "Shift", each at most once, then one key (a letter, a digit or F1 to F24), joined
// with "+" and written in any case: "Ctrl+Alt+T". Nothing for other text.
std::optional<std::uint16_t> ParseHotKey(std::wstring_view text);

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
