// tgwauto's command line, read natively.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "options.h"

namespace tgw::automation {
namespace {

using Arguments = std::vector<std::wstring>;

Options Parsed(const Arguments& arguments) {
  const ParsedOptions parsed = ParseOptions(arguments);
  EXPECT_TRUE(parsed.options.has_value()) << ::testing::PrintToString(parsed.error);
  return parsed.options.value_or(Options{});
}

TEST(AutoOptions, AnInstallWithEveryChoice) {
  const Options options =
      Parsed({L"--language", L"Russian", L"D:\\dist\\setup.exe", L"--folder=D:\\Apps\\Tagwright",
              L"--no-desktop-icon", L"--timeout", L"90", L"--shots", L"pictures"});
  EXPECT_EQ(options.mode, Mode::kInstall);
  EXPECT_EQ(options.setup, L"D:\\dist\\setup.exe");
  EXPECT_EQ(options.language, Language::kRussian);
  EXPECT_EQ(options.folder, L"D:\\Apps\\Tagwright");
  EXPECT_EQ(options.desktop_icon, false);
  EXPECT_EQ(options.timeout_seconds, 90u);
  EXPECT_EQ(options.shots, L"pictures");
}

TEST(AutoOptions, AnInstallAsTheSetupProposes) {
  const Options options = Parsed({L"setup.exe"});
  EXPECT_EQ(options.mode, Mode::kInstall);
  EXPECT_FALSE(options.language.has_value());
  EXPECT_FALSE(options.folder.has_value());
  EXPECT_FALSE(options.desktop_icon.has_value());
  EXPECT_EQ(options.timeout_seconds, 600u);
  EXPECT_EQ(options.shots, L"");
  EXPECT_EQ(Parsed({L"setup.exe", L"--desktop-icon"}).desktop_icon, true);
  EXPECT_EQ(Parsed({L"setup.exe", L"--language=english"}).language, Language::kEnglish);
}

TEST(AutoOptions, AnUninstall) {
  const Options options = Parsed({L"--uninstall", L"C:\\Program Files\\Tagwright", L"--timeout=5"});
  EXPECT_EQ(options.mode, Mode::kUninstall);
  EXPECT_EQ(options.uninstall_folder, L"C:\\Program Files\\Tagwright");
  EXPECT_EQ(options.timeout_seconds, 5u);
}

TEST(AutoOptions, HelpWhereverItStands) {
  for (const Arguments& arguments :
       {Arguments{L"--help"}, Arguments{L"-h"}, Arguments{L"/?"},
        Arguments{L"setup.exe", L"--help"}, Arguments{L"--bogus", L"--help"}}) {
    EXPECT_EQ(Parsed(arguments).mode, Mode::kHelp) << ::testing::PrintToString(arguments);
  }
  const std::wstring usage = UsageText();
  EXPECT_TRUE(usage.starts_with(SynopsisText()));
  for (const wchar_t* part :
       {L"--language english|russian", L"--folder FOLDER", L"--desktop-icon", L"--no-desktop-icon",
        L"--timeout SECONDS", L"--shots DIR", L"--uninstall FOLDER", L"Exit codes:", L"  0  ",
        L"  1  ", L"  2  "}) {
    EXPECT_NE(usage.find(part), std::wstring::npos) << ::testing::PrintToString(part);
  }
}

TEST(AutoOptions, RefusesWhatItCannotDo) {
  const struct {
    Arguments arguments;
    const wchar_t* error;
  } cases[] = {
      {{}, L"no setup program given"},
      {{L"a.exe", L"b.exe"}, L"more than one setup program: b.exe"},
      {{L"setup.exe", L"--bogus"}, L"unknown option --bogus"},
      {{L"setup.exe", L"-x"}, L"unknown option -x"},
      {{L"setup.exe", L"--language"}, L"--language needs a value"},
      {{L"setup.exe", L"--language", L"--desktop-icon"}, L"--language needs a value"},
      {{L"setup.exe", L"--language="}, L"--language needs a value"},
      {{L"setup.exe", L"--language", L"german"}, L"--language is english or russian, not german"},
      {{L"setup.exe", L"--language", L"english", L"--language", L"russian"},
       L"--language is given twice"},
      {{L"setup.exe", L"--folder"}, L"--folder needs a value"},
      {{L"setup.exe", L"--folder", L"a", L"--folder=b"}, L"--folder is given twice"},
      {{L"setup.exe", L"--desktop-icon", L"--no-desktop-icon"},
       L"--desktop-icon and --no-desktop-icon: only one, once"},
      {{L"setup.exe", L"--desktop-icon=yes"}, L"--desktop-icon takes no value"},
      {{L"setup.exe", L"--timeout", L"0"},
       L"--timeout is a whole number of seconds from 1 to 86400, not 0"},
      {{L"setup.exe", L"--timeout", L"86401"},
       L"--timeout is a whole number of seconds from 1 to 86400, not 86401"},
      {{L"setup.exe", L"--timeout", L"-5"},
       L"--timeout is a whole number of seconds from 1 to 86400, not -5"},
      {{L"setup.exe", L"--timeout", L"1.5"},
       L"--timeout is a whole number of seconds from 1 to 86400, not 1.5"},
      {{L"setup.exe", L"--timeout", L"99999999999"},
       L"--timeout is a whole number of seconds from 1 to 86400, not 99999999999"},
      {{L"setup.exe", L"--shots", L"a", L"--shots", L"b"}, L"--shots is given twice"},
      {{L"--uninstall"}, L"--uninstall needs a value"},
      {{L"--uninstall", L"C:\\T", L"setup.exe"}, L"--uninstall takes no setup program"},
      {{L"--uninstall", L"C:\\T", L"--language", L"english"},
       L"--uninstall takes only --timeout and --shots"},
      {{L"--uninstall", L"C:\\T", L"--no-desktop-icon"},
       L"--uninstall takes only --timeout and --shots"},
  };
  for (const auto& test : cases) {
    const ParsedOptions parsed = ParseOptions(test.arguments);
    EXPECT_FALSE(parsed.options.has_value()) << ::testing::PrintToString(test.arguments);
    EXPECT_EQ(parsed.error, test.error) << ::testing::PrintToString(test.arguments);
  }
}

}  // namespace
}  // namespace tgw::automation
