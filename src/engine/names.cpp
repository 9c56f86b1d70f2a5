#include "engine/names.h"

#include <array>

#include "engine/ascii.h"

namespace tgw {

namespace {

constexpr std::wstring_view kReserved = L"<>:\"|?*/";

using ascii::EqualsIgnoringCase;

// Windows keeps these names for devices, in any case and with any extension: "nul.txt" and
// "Com1.log" name devices, not files. A digit of COM and LPT may also be a superscript 1 to 3.
bool IsDeviceName(std::wstring_view part) {
  std::wstring_view base = part.substr(0, part.find(L'.'));
  while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
  constexpr std::array<std::wstring_view, 6> kNames = {L"con", L"prn",    L"aux",
                                                       L"nul", L"conin$", L"conout$"};
  for (const std::wstring_view name : kNames) {
    if (EqualsIgnoringCase(base, name)) return true;
  }
  if (base.size() != 4) return false;
  const std::wstring_view stem = base.substr(0, 3);
  if (!EqualsIgnoringCase(stem, L"com") && !EqualsIgnoringCase(stem, L"lpt")) return false;
  const wchar_t digit = base[3];
  return (digit >= L'0' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
         digit == L'\u00B3';
}

NameFault CharacterFault(wchar_t c) {
  if (c < 0x20) return NameFault::kControlCharacter;
  if (kReserved.find(c) != std::wstring_view::npos) return NameFault::kReservedCharacter;
  return NameFault::kNone;
}

// The rule for one file or folder name, the part between two separators.
NameFault PartFault(std::wstring_view part) {
  if (part.empty()) return NameFault::kEmptyPart;
  for (const wchar_t c : part) {
    if (const NameFault fault = CharacterFault(c); fault != NameFault::kNone) return fault;
  }
  if (part.back() == L'.' || part.back() == L' ') return NameFault::kDotOrSpaceEnd;
  if (IsDeviceName(part)) return NameFault::kDeviceName;
  if (part.size() > kLongestPart) return NameFault::kPartTooLong;
  return NameFault::kNone;
}

// The first fault of the parts of `path`, separated by "\"; a final "\" is allowed when
// `final_separator` says so.
NameFault PartsFault(std::wstring_view path, bool final_separator) {
  while (!path.empty()) {
    const std::size_t end = path.find(L'\\');
    if (end == std::wstring_view::npos) return PartFault(path);
    if (const NameFault fault = PartFault(path.substr(0, end)); fault != NameFault::kNone) {
      return fault;
    }
    path.remove_prefix(end + 1);
    if (path.empty() && !final_separator) return NameFault::kEmptyPart;
  }
  return NameFault::kNone;
}

}  // namespace

NameFault CheckName(std::wstring_view name, std::size_t folder_length) {
  if (name.empty()) return NameFault::kEmpty;
  if (name.front() == L'\\') return NameFault::kRooted;
  if (const NameFault fault = PartsFault(name, false); fault != NameFault::kNone) return fault;
  // (Written so that no folder length, however large, wraps the sum round.)
  if (folder_length > kLongestPath || name.size() > kLongestPath - folder_length) {
    return NameFault::kPathTooLong;
  }
  return NameFault::kNone;
}

NameFault CheckName(std::string_view name, std::size_t folder_length) {
  std::wstring wide(name.size(), L'\0');
  for (std::size_t i = 0; i < name.size(); ++i) wide[i] = static_cast<unsigned char>(name[i]);
  return CheckName(wide, folder_length);
}

std::string_view DescribeNameFault(NameFault fault) {
  switch (fault) {
    case NameFault::kNone:
      return "is a good name";
    case NameFault::kEmpty:
      return "is empty";
    case NameFault::kRooted:
      return "is not relative: it starts with '\\'";
    case NameFault::kEmptyPart:
      return "has an empty folder name (a doubled or trailing '\\')";
    case NameFault::kDotOrSpaceEnd:
      return "has a part ending in '.' or a space (such as '.' or '..'), which Windows trims";
    case NameFault::kReservedCharacter:
      return "holds one of < > : \" | ? * /, which Windows file names cannot hold";
    case NameFault::kControlCharacter:
      return "holds a control character";
    case NameFault::kDeviceName:
      return "has a part that is a Windows device name (CON, PRN, AUX, NUL, COM0-9, LPT0-9, "
             "CONIN$, CONOUT$)";
    case NameFault::kPartTooLong:
      return "has a part longer than 255 characters";
    case NameFault::kPathTooLong:
      return "makes a path longer than Windows can write (259 characters)";
  }
  return "is not a good name";
}

bool StartsWithDriveRoot(std::wstring_view path) {
  return path.size() >= 3 && ascii::Lower(path[0]) >= L'a' && ascii::Lower(path[0]) <= L'z' &&
         path[1] == L':' && path[2] == L'\\';
}

bool IsDriveRoot(std::wstring_view path) { return path.size() == 3 && StartsWithDriveRoot(path); }

std::optional<std::wstring> AsInstallFolder(std::wstring_view text) {
  std::wstring_view parts;
  if (text.starts_with(L"\\\\")) {
    // "\\server\share\...": the server and the share are needed.
    parts = text.substr(2);
    const std::size_t server_end = parts.find(L'\\');
    if (server_end == std::wstring_view::npos || server_end + 1 >= parts.size()) {
      return std::nullopt;
    }
    if (parts[server_end + 1] == L'\\') return std::nullopt;  // no share
  } else if (StartsWithDriveRoot(text)) {
    parts = text.substr(3);
  } else {
    return std::nullopt;
  }
  if (PartsFault(parts, true) != NameFault::kNone) return std::nullopt;
  std::wstring folder(text);
  if (folder.back() != L'\\') folder += L'\\';
  if (folder.size() > kLongestPath) return std::nullopt;
  return folder;
}

}  // namespace tgw
