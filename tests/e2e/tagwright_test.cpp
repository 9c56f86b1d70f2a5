// The editor's stand-in, Tagwright.exe, started from a folder as the setup leaves it: its window
// says what it is and the interface language of the last "Language=" line of the settings file
// beside it, "english" when there is none. (The round trip of uninstall_test.cpp starts it
// through the installed Programs shortcut.)

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "program_process.h"
#include "scenario.h"
#include "test_support.h"

namespace tgw::e2e {
namespace {

struct SettingsRow {
  std::optional<std::string> settings;  // nothing: no settings file
  const wchar_t* language;
};

TEST(Tagwright, ShowsItsNameAndTheInterfaceLanguageOfTheSettings) {
  const Scenario scenario;
  const std::wstring dir = scenario / L"Tagwright\\";
  MakeFolders(dir);
  CopyFileTo(BuiltTagwright(), dir + L"Tagwright.exe");
  const SettingsRow rows[] = {
      {std::nullopt, L"english"},
      {"Language=english\r\n", L"english"},
      {"Language=english\r\nLanguage=russian\r\n", L"russian"},
      {"Language=russian\r\nLanguage=english\r\n", L"english"},
  };
  for (const SettingsRow& row : rows) {
    SCOPED_TRACE(row.settings.value_or("<no settings file>"));
    DeleteFileW((dir + L"Settings.dat").c_str());
    if (row.settings) {
      ASSERT_TRUE(::tgw::testing::WriteRaw(dir + L"Settings.dat", *row.settings));
    }
    // Started from another folder: the settings beside the program count, not the current ones.
    const TagwrightTexts shown =
        ShowTagwright(dir + L"Tagwright.exe", scenario.folder(), scenario.appdata());
    EXPECT_EQ(shown.title, L"Tagwright 2.50");
    EXPECT_EQ(shown.product, L"Tagwright 2.50");
    EXPECT_EQ(shown.language, std::wstring(L"Interface language: ") + row.language);
    EXPECT_EQ(shown.exit_code, 0u);
  }
}

}  // namespace
}  // namespace tgw::e2e
