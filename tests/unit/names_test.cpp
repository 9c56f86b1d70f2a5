// The name rule of payload names and the install folder's rule.
#include "engine/names.h"

#include <gtest/gtest.h>

namespace tgw {
namespace {

using enum NameFault;

// Names and the fault each has below a folder of 27 characters (the default install folder).
TEST(CheckName, TheRuleForPayloadNames) {
  std::vector<std::pair<NameFault, std::vector<std::string>>> rows = {
      {kDeviceName,
       {"CON", "prn", "Aux.txt", "NUL", "nul.tar.gz", "NUL .txt", "a\\AUX.txt\\b", "docs\\con",
        "CONIN$", "conout$.log", "COM\xB9", "com\xB2.txt", "x\\LpT\xB3"}},
      {kEmpty, {""}},
      {kRooted, {"\\x", "\\\\srv\\share\\x"}},
      {kEmptyPart, {"a\\\\b", "a\\"}},
      {kDotOrSpaceEnd, {"a.", "a ", "a.\\b", "a\\b .", "..", "a\\..\\b", ".\\x"}},
      {kReservedCharacter, {"c:x", "file.txt:stream:$DATA"}},
      {kControlCharacter, {}},
      {kPartTooLong, {"a\\" + std::string(256, 'p')}},
      {kPathTooLong, {std::string(233, 'p'), std::string(100, 'p') + "\\" + std::string(140, 'q')}},
      {kNone,
       {std::string(232, 'p'), ".htaccess", "x..y", " leading space", "con_x.txt", "conx",
        "com10.txt", "lpt.txt", "COM\xB4", "languages\\english\\about.lng",
        "a=b+c,d;e[f]{g}'h!@#$%&~^`.txt"}},  // every other printable character
  };
  for (const std::string stem : {"COM", "lpt", "Com"}) {
    for (char digit = '0'; digit <= '9'; ++digit) rows[0].second.push_back("d\\" + stem + digit);
  }
  for (const char c : std::string_view("<>:\"|?*/")) rows[5].second.push_back({'a', c});
  for (char c = 0; c < 0x20; ++c) rows[6].second.push_back({'a', c, 'b'});
  for (const auto& [fault, names] : rows) {
    for (const std::string& name : names) {
      std::wstring latin1;
      for (const char c : name) latin1 += static_cast<wchar_t>(static_cast<unsigned char>(c));
      EXPECT_EQ(CheckName(name, 27), fault) << ::testing::PrintToString(name.substr(0, 40)) << ": "
                                            << DescribeNameFault(CheckName(name, 27));
      EXPECT_EQ(CheckName(latin1, 27), fault);
    }
  }
  // A part too long, or a folder too long for any name.
  const std::tuple<std::string, std::size_t, NameFault> lengths[] = {
      {std::string(255, 'p'), 0, kNone},
      {std::string(256, 'p'), 0, kPartTooLong},
      {"x", 258, kNone},
      {"x", 259, kPathTooLong},
      {"x", SIZE_MAX, kPathTooLong}};
  for (const auto& [name, folder, fault] : lengths) EXPECT_EQ(CheckName(name, folder), fault);
}

TEST(AsInstallFolder, AbsoluteFoldersOnlyWithAFinalBackslash) {
  const std::wstring part255(255, L'p');
  for (const std::wstring& folder : std::initializer_list<std::wstring>{
           L"c:\\program files\\Tagwright\\", L"D:\\x\\", L"\\\\server\\share\\",
           L"\\\\server\\share\\sub dir\\", L"C:\\" + part255 + L"\\"}) {  // 259 characters
    EXPECT_EQ(AsInstallFolder(folder), folder);
    EXPECT_EQ(AsInstallFolder(folder.substr(0, folder.size() - 1)), folder);
  }
  EXPECT_EQ(AsInstallFolder(L"C:\\"), L"C:\\");
  for (const std::wstring& refused : std::initializer_list<std::wstring>{
           L"",
           L"x",
           L"program files\\x",
           L"\\x",
           L"D:",
           L"D:x",
           L"1:\\x",
           L"C:/x",
           L"\\\\.\\C:\\",
           L"\\\\?\\C:\\x",
           L"\\\\server",
           L"\\\\server\\",
           L"\\\\server\\\\share",
           L"\\\\\\share",
           L"C:\\a\\CON\\b",
           L"C:\\a\\com1.txt",
           L"\\\\server\\nul",
           L"C:\\a.\\b",
           L"C:\\a \\b",
           L"C:\\..\\b",
           L"C:\\\\a",
           L"C:\\a\\\\b",
           L"C:\\a\\\\",
           L"C:\\a|b",
           L"C:\\a\tb",
           L"C:\\" + part255 + L"x",
           L"C:\\" + part255 + L"\\x",
           L"C:\\" + std::wstring(200, L'p') + L"\\" + std::wstring(60, L'q')}) {
    EXPECT_EQ(AsInstallFolder(refused), std::nullopt) << refused.size() << " characters";
  }
}

}  // namespace
}  // namespace tgw
