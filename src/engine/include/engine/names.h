#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tgw {

// Why a relative name cannot be written below an install folder faithfully and safely.
enum class NameFault : std::uint8_t {
  kNone,
  kEmpty,
  kRooted,             // starts with a separator
  kEmptyPart,          // a doubled or trailing separator
  kDotOrSpaceEnd,      // a part ending in "." or " ": ".", "..", "a.", "b " (Windows trims them)
  kReservedCharacter,  // < > : " | ? * or /
  kControlCharacter,   // 0x00 to 0x1F
  kDeviceName,         // CON, PRN, AUX, NUL, COM0-9, LPT0-9 (also with ¹ ² ³), CONIN$, CONOUT$
  kPartTooLong,        // a part of more than kLongestPart characters
  kPathTooLong,        // the folder and the name together longer than kLongestPath
};

// The longest file or folder name Windows keeps, and the longest full path the setup can
// write (MAX_PATH less its terminating null; the setup does not use "\\?\" paths).
inline constexpr std::size_t kLongestPart = 255;
inline constexpr std::size_t kLongestPath = 259;

// The rule for every payload name, in the packer and in the setup: `name` is relative, with
// "\" between folders, and is written below a folder whose path (with its final backslash)
// has `folder_length` characters.
NameFault CheckName(std::wstring_view name, std::size_t folder_length);
// The same for a name as the container holds it: each byte is the character of its number.
NameFault CheckName(std::string_view name, std::size_t folder_length);

// "holds a Windows device name", for messages.
std::string_view DescribeNameFault(NameFault fault);

// Whether `path` starts with a drive's root: an ASCII letter, ":" and "\\" ("D:\\...").
bool StartsWithDriveRoot(std::wstring_view path);
// Whether `path` is a drive's root and nothing more: "D:\\".
bool IsDriveRoot(std::wstring_view path);

// `text` as an install folder: an absolute path, "D:\..." or "\\server\share\...", every part
// of which passes the name rule, with its final backslash (added when missing). Nothing for
// anything else: empty, relative, drive-relative ("D:x"), a device path ("\\.\", "\\?\").
std::optional<std::wstring> AsInstallFolder(std::wstring_view text);

}  // namespace tgw
