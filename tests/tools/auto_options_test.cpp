// tgwauto's command line, read natively.
#include <gtest/gtest.h>

#include "options.h"

namespace tgw::automation {

// The options as "mode setup|language|folder|icon|timeout|shots", or the refusal.
std::wstring Parsed(const std::vector<std::wstring>& arguments) {
  const ParsedOptions parsed = ParseOptions(arguments);
  if (!parsed.options) return L"refused: " + parsed.error;
  const Options& o = *parsed.options;
  const wchar_t* modes[] = {L"install ", L"uninstall ", L"help "};
  const wchar_t* languages[] = {L"-", L"english", L"russian"};
  const wchar_t icon = !o.desktop_icon ? L'-' : *o.desktop_icon ? L'y' : L'n';
  return modes[static_cast<int>(o.mode)] + o.setup + o.uninstall_folder + L"|" +
         languages[o.language ? static_cast<int>(*o.language) + 1 : 0] + L"|" +
         o.folder.value_or(L"-") + L"|" + icon + L"|" + std::to_wstring(o.timeout_seconds) + L"|" +
         o.shots;
}

TEST(AutoOptions, ReadsEveryChoiceAndRefusesWhatItCannotDo) {
  const std::wstring timeout =
      L"refused: --timeout is a whole number of seconds from 1 to 86400, not ";
  const std::pair<std::vector<std::wstring>, std::wstring> rows[] = {
      {{L"--language", L"Russian", L"D:\\setup.exe", L"--folder=D:\\Tagwright",
        L"--no-desktop-icon", L"--timeout", L"90", L"--shots", L"pictures"},
       L"install D:\\setup.exe|russian|D:\\Tagwright|n|90|pictures"},
      {{L"setup.exe"}, L"install setup.exe|-|-|-|600|"},
      {{L"setup.exe", L"--desktop-icon", L"--language=english"},
       L"install setup.exe|english|-|y|600|"},
      {{L"--uninstall", L"C:\\T", L"--timeout=86400"}, L"uninstall C:\\T|-|-|-|86400|"},
      {{L"--bogus", L"-h"}, L"help |-|-|-|600|"},
      {{L"/?"}, L"help |-|-|-|600|"},
      {{L"x", L"--help"}, L"help |-|-|-|600|"},
      {{}, L"refused: no setup program given"},
      {{L"a.exe", L"b.exe"}, L"refused: more than one setup program: b.exe"},
      {{L"a.exe", L"-x"}, L"refused: unknown option -x"},
      {{L"a.exe", L"--language", L"--desktop-icon"}, L"refused: --language needs a value"},
      {{L"a.exe", L"--language="}, L"refused: --language needs a value"},
      {{L"a.exe", L"--language", L"german"},
       L"refused: --language is english or russian, not german"},
      {{L"a.exe", L"--language", L"english", L"--language=russian"},
       L"refused: --language is given twice"},
      {{L"a.exe", L"--folder", L"a", L"--folder=b"}, L"refused: --folder is given twice"},
      {{L"a.exe", L"--desktop-icon", L"--no-desktop-icon"},
       L"refused: --desktop-icon and --no-desktop-icon: only one, once"},
      {{L"a.exe", L"--desktop-icon=yes"}, L"refused: --desktop-icon takes no value"},
      {{L"a.exe", L"--timeout", L"0"}, timeout + L"0"},
      {{L"a.exe", L"--timeout", L"86401"}, timeout + L"86401"},
      {{L"a.exe", L"--timeout", L"1.5"}, timeout + L"1.5"},
      {{L"a.exe", L"--timeout", L"9999999"}, timeout + L"9999999"},
      {{L"a.exe", L"--timeout", L"1", L"--timeout", L"2"}, L"refused: --timeout is given twice"},
      {{L"a.exe", L"--shots", L"a", L"--shots", L"b"}, L"refused: --shots is given twice"},
      {{L"--uninstall"}, L"refused: --uninstall needs a value"},
      {{L"--uninstall", L"C:\\T", L"--uninstall", L"D:\\T"},
       L"refused: --uninstall is given twice"},
      {{L"--uninstall", L"C:\\T", L"setup.exe"}, L"refused: --uninstall takes no setup program"},
      {{L"--uninstall", L"C:\\T", L"--folder", L"x"},
       L"refused: --uninstall takes only --timeout and --shots"},
      {{L"--uninstall", L"C:\\T", L"--no-desktop-icon"},
       L"refused: --uninstall takes only --timeout and --shots"},
  };
  for (const auto& [arguments, parsed] : rows) {
    EXPECT_EQ(Parsed(arguments), parsed) << ::testing::PrintToString(arguments);
  }
}

}  // namespace tgw::automation
