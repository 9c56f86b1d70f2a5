#include "engine/names.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/product.h"

namespace tgw {
namespace {

constexpr std::size_t kDefaultFolder = product::kDefaultInstallDir.size();  // 27

struct NameRow {
  std::string name;
  NameFault fault;
  std::size_t folder = kDefaultFolder;
};

std::wstring Widened(std::string_view bytes) {
  std::wstring wide;
  for (const char c : bytes) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
  return wide;
}

std::vector<NameRow> NameRows() {
  using enum NameFault;
  std::vector<NameRow> rows = {
      {"CON", kDeviceName},
      {"prn", kDeviceName},
      {"Aux.txt", kDeviceName},
      {"NUL", kDeviceName},
      {"nul.txt", kDeviceName},
      {"nul.tar.gz", kDeviceName},
      {"NUL .txt", kDeviceName},
      {"a\\AUX.txt\\b", kDeviceName},
      {"docs\\con", kDeviceName},
      {"CONIN$", kDeviceName},
      {"conout$.log", kDeviceName},
      {"COM\xB9", kDeviceName},
      {"com\xB2.txt", kDeviceName},
      {"x\\LpT\xB3", kDeviceName},
      {"", kEmpty},
      {"\\x", kRooted},
      {"\\\\srv\\share\\x", kRooted},
      {"a\\\\b", kEmptyPart},
      {"a\\", kEmptyPart},
      {"a.", kDotOrSpaceEnd},
      {"a ", kDotOrSpaceEnd},
      {"a.\\b", kDotOrSpaceEnd},
      {"a\\b .", kDotOrSpaceEnd},
      {".", kDotOrSpaceEnd},
      {"..", kDotOrSpaceEnd},
      {"..\\x", kDotOrSpaceEnd},
      {"a\\..\\b", kDotOrSpaceEnd},
      {".\\x", kDotOrSpaceEnd},
      {"c:x", kReservedCharacter},
      {"c:\\x", kReservedCharacter},
      {"a:b", kReservedCharacter},
      {"file.txt:stream:$DATA", kReservedCharacter},
      {std::string(256, 'p'), kPartTooLong, 0},
      {"a\\" + std::string(256, 'p'), kPartTooLong, 0},
      {std::string(255, 'p'), kNone, 0},
      {std::string(233, 'p'), kPathTooLong},  // 27 + 233 = 260
      {std::string(232, 'p'), kNone},
      {std::string(100, 'p') + "\\" + std::string(140, 'q'), kPathTooLong},
      {"x", kPathTooLong, 259},
      {"x", kPathTooLong, SIZE_MAX},
      {".htaccess", kNone},
      {"x..y", kNone},
      {"a b.c", kNone},
      {" leading space", kNone},
      {"con_x.txt", kNone},
      {"conx", kNone},
      {"com10.txt", kNone},
      {"lpt.txt", kNone},
      {"COM\xB4", kNone},  // an acute accent, no superscript digit
      {"languages\\english\\about.lng", kNone},
      {"a=b+c,d;e[f]{g}'h!@#$%&~^`.txt", kNone},  // every other printable character is allowed
  };
  for (const std::string stem : {"COM", "lpt", "Com"}) {
    for (char digit = '0'; digit <= '9'; ++digit) {
      rows.push_back({stem + digit, kDeviceName});
      rows.push_back({"dir\\" + stem + digit + ".log", kDeviceName});
    }
  }
  for (const char c : std::string_view("<>:\"|?*/")) {
    rows.push_back({std::string("a") + c + "b", kReservedCharacter});
  }
  for (int c = 0; c < 0x20; ++c) {
    rows.push_back({"a" + std::string(1, static_cast<char>(c)) + "b", kControlCharacter});
  }
  return rows;
}

TEST(CheckName, TheRuleForPayloadNames) {
  for (const NameRow& row : NameRows()) {
    const std::string shown = ::testing::PrintToString(row.name.substr(0, 40)) + " (folder " +
                              std::to_string(row.folder) + "): " +
                              std::string(DescribeNameFault(CheckName(row.name, row.folder)));
    EXPECT_EQ(CheckName(row.name, row.folder), row.fault) << shown;
    EXPECT_EQ(CheckName(Widened(row.name), row.folder), row.fault) << shown;
  }
}

// The start of `text` for a message, with characters outside ASCII as '?'.
std::string Shown(std::wstring_view text) {
  std::string shown;
  for (const wchar_t c : text.substr(0, 40)) shown += c < 0x80 ? static_cast<char>(c) : '?';
  return shown;
}

TEST(AsInstallFolder, AbsoluteFoldersOnly) {
  const std::wstring part255(255, L'p');
  const struct {
    std::wstring text;
    std::optional<std::wstring> folder;
  } rows[] = {
      {L"C:\\", L"C:\\"},
      {L"c:\\program files\\Tagwright", L"c:\\program files\\Tagwright\\"},
      {L"D:\\x\\", L"D:\\x\\"},
      {L"\\\\server\\share", L"\\\\server\\share\\"},
      {L"\\\\server\\share\\sub dir\\", L"\\\\server\\share\\sub dir\\"},
      {L"C:\\" + part255, L"C:\\" + part255 + L"\\"},  // 259 characters
      {L"", std::nullopt},
      {L"x", std::nullopt},
      {L"program files\\x", std::nullopt},
      {L"\\x", std::nullopt},
      {L"D:", std::nullopt},
      {L"D:x", std::nullopt},
      {L"1:\\x", std::nullopt},
      {L"C:/x", std::nullopt},
      {L"\\\\.\\C:\\", std::nullopt},
      {L"\\\\?\\C:\\x", std::nullopt},
      {L"\\\\server", std::nullopt},
      {L"\\\\server\\", std::nullopt},
      {L"\\\\server\\\\share", std::nullopt},
      {L"\\\\\\share", std::nullopt},
      {L"C:\\a\\CON\\b", std::nullopt},
      {L"C:\\a\\com1.txt", std::nullopt},
      {L"\\\\server\\nul", std::nullopt},
      {L"C:\\a.\\b", std::nullopt},
      {L"C:\\a \\b", std::nullopt},
      {L"C:\\..\\b", std::nullopt},
      {L"C:\\\\a", std::nullopt},
      {L"C:\\a\\\\b", std::nullopt},
      {L"C:\\a\\\\", std::nullopt},
      {L"C:\\a|b", std::nullopt},
      {L"C:\\a\tb", std::nullopt},
      {L"C:\\" + part255 + L"x", std::nullopt},  // a part of 256
      {L"C:\\" + part255 + L"\\x", std::nullopt},
      {L"C:\\" + std::wstring(200, L'p') + L"\\" + std::wstring(60, L'q'), std::nullopt},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(AsInstallFolder(row.text), row.folder) << Shown(row.text);
  }
}

}  // namespace
}  // namespace tgw
