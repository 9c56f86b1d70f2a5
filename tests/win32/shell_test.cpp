// What only the Win32 shell has: shortcuts read back through a shell link object of their own,
// web addresses, hot keys. What every shell does is in tests/contract.

#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <string>

#include "engine/product.h"
#include "platform/win32/handles.h"
#include "platform/win32/shell_win.h"
#include "status_checks.h"
#include "test_support.h"

namespace tgw::win32 {
namespace {

using ::tgw::testing::FailureOf;
using ::tgw::testing::FirstFailure;
using ::tgw::testing::Succeeded;
using ::tgw::testing::TempFolder;

// What the link object says to a value it cannot take.
constexpr Error kInvalid{ErrorKind::kOther, static_cast<std::uint32_t>(E_INVALIDARG)};

// What a saved .lnk file holds, read back with a link object of its own.
struct LinkFields {
  std::wstring path;
  std::wstring arguments;
  std::wstring working_folder;
  std::wstring icon_file;
  int icon_index = -1;
  std::wstring description;
  int show = -1;  // from the file's header: Wine's link object does not load it
  WORD hot_key = 0xFFFF;
  std::uint32_t link_flags = 0;  // the header's: which strings and lists the file holds
};

// A 32-bit little-endian value of a .lnk file's header.
std::uint32_t HeaderValue(const std::string& bytes, std::size_t offset) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) {
    value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[offset + i])) << (8 * i);
  }
  return value;
}

std::optional<LinkFields> ReadLink(const std::wstring& file) {
  ComPtr<IShellLinkW> link;
  ComPtr<IPersistFile> persist;
  if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(link.put()))) ||
      FAILED(link->QueryInterface(IID_PPV_ARGS(persist.put()))) ||
      FAILED(persist->Load(file.c_str(), STGM_READ))) {
    return std::nullopt;
  }
  wchar_t text[5][INFOTIPSIZE] = {};
  LinkFields fields;
  if (FAILED(link->GetPath(text[0], INFOTIPSIZE, nullptr, SLGP_RAWPATH)) ||
      FAILED(link->GetArguments(text[1], INFOTIPSIZE)) ||
      FAILED(link->GetWorkingDirectory(text[2], INFOTIPSIZE)) ||
      FAILED(link->GetIconLocation(text[3], INFOTIPSIZE, &fields.icon_index)) ||
      FAILED(link->GetDescription(text[4], INFOTIPSIZE))) {
    return std::nullopt;
  }
  fields.path = text[0];
  fields.arguments = text[1];
  fields.working_folder = text[2];
  fields.icon_file = text[3];
  fields.description = text[4];
  if (FAILED(link->GetHotkey(&fields.hot_key))) return std::nullopt;
  // The header: 0x4C bytes, its size first; the flags at 0x14, the show command at 0x3C, the hot
  // key at 0x40.
  const auto bytes = ::tgw::testing::ReadRaw(file);
  if (!bytes || bytes->size() < 0x4C || HeaderValue(*bytes, 0) != 0x4C) return std::nullopt;
  fields.link_flags = HeaderValue(*bytes, 0x14);
  fields.show = static_cast<int>(HeaderValue(*bytes, 0x3C));
  if ((HeaderValue(*bytes, 0x40) & 0xFFFF) != fields.hot_key) return std::nullopt;
  return fields;
}

// The header's flag for a command-line arguments string.
constexpr std::uint32_t kHasArguments = 0x20;

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(towlower(c));
  return text;
}

std::wstring SystemFolder() {
  wchar_t folder[MAX_PATH] = {};
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  return std::wstring(folder, length < MAX_PATH ? length : 0);
}

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(SUCCEEDED(com_.result())); }

  ::tgw::testing::ComApartment com_;
  Win32Shell shell;
  TempFolder temp;
  const std::wstring app = temp / L"Tagwright.exe";
};

TEST_F(ShellTest, ShowCommandAndIconIndexAreStoredWithNoHotKey) {
  ASSERT_TRUE(::tgw::testing::WriteRaw(app, "MZ"));
  const std::wstring lnk = temp / L"Maximised.lnk";
  auto made = shell.CreateShortcut(lnk);
  ASSERT_TRUE(Succeeded(made));
  ShellLink& link = **made;
  ASSERT_TRUE(
      Succeeded(FirstFailure({link.SetWindowStyle(ShowCommand::kMaximized), link.SetTargetPath(app),
                              link.SetIconLocation(L"a,b.dll,-3"), link.SetDescription(L""),
                              link.SetWorkingDirectory(L""), link.Save()})));
  auto fields = ReadLink(lnk);
  ASSERT_TRUE(fields.has_value());
  EXPECT_EQ(fields->show, SW_SHOWMAXIMIZED);
  EXPECT_EQ(fields->hot_key, 0);
  EXPECT_EQ(fields->icon_file, L"a,b.dll");
  EXPECT_EQ(fields->icon_index, -3);
  EXPECT_EQ(fields->working_folder, L"");
  EXPECT_EQ(fields->description, L"");

  // The same object again, shown normally, with a file-only icon.
  ASSERT_TRUE(Succeeded(FirstFailure(
      {link.SetWindowStyle(ShowCommand::kNormal), link.SetIconLocation(L"x.exe"), link.Save()})));
  fields = ReadLink(lnk);
  ASSERT_TRUE(fields.has_value());
  EXPECT_EQ(fields->show, SW_SHOWNORMAL);
  EXPECT_EQ(fields->icon_file, L"x.exe");
  EXPECT_EQ(fields->icon_index, 0);
  for (const int value : {2, 7, 255}) {  // outside the enumeration
    EXPECT_EQ(FailureOf(link.SetWindowStyle(static_cast<ShowCommand>(value))), kInvalid) << value;
  }
}

TEST_F(ShellTest, AWebAddressOpensThroughUrlDll) {
  const std::wstring lnk = temp / L"Official web site.lnk";
  auto made = shell.CreateShortcut(lnk);
  ASSERT_TRUE(Succeeded(made));
  ShellLink& link = **made;
  ASSERT_TRUE(Succeeded(FirstFailure(
      {link.SetWindowStyle(ShowCommand::kMaximized), link.SetTargetPath(product::kHomePage),
       link.SetIconLocation(L"shdocvw.dll,0"), link.SetDescription(L"Official web site"),
       link.SetWorkingDirectory(L""), link.Save()})));
  const auto fields = ReadLink(lnk);
  ASSERT_TRUE(fields.has_value());
  EXPECT_EQ(Lower(fields->path), Lower(SystemFolder() + L"\\rundll32.exe"));
  EXPECT_EQ(fields->arguments, L"url.dll,FileProtocolHandler " + std::wstring(product::kHomePage));
  EXPECT_NE(fields->link_flags & kHasArguments, 0u);
  EXPECT_EQ(fields->icon_file, L"shdocvw.dll");
  EXPECT_EQ(fields->icon_index, 0);
  EXPECT_EQ(fields->show, SW_SHOWMAXIMIZED);
  EXPECT_EQ(fields->working_folder, L"");
  EXPECT_EQ(fields->description, L"Official web site");

  // In any case; a file target afterwards drops the arguments.
  ASSERT_TRUE(
      Succeeded(FirstFailure({link.SetTargetPath(L"HTTP://example.org/a b"), link.Save()})));
  EXPECT_EQ(ReadLink(lnk)->arguments, L"url.dll,FileProtocolHandler HTTP://example.org/a b");
  ASSERT_TRUE(::tgw::testing::WriteRaw(app, "MZ"));
  ASSERT_TRUE(Succeeded(FirstFailure({link.SetTargetPath(app), link.Save()})));
  EXPECT_EQ(Lower(ReadLink(lnk)->path), Lower(app));
  EXPECT_EQ(ReadLink(lnk)->arguments, L"");
}

TEST(ShowCommandTest, IsTheSystemsShowCommand) {
  EXPECT_EQ(ShowCommandValue(ShowCommand::kNormal), SW_SHOWNORMAL);
  EXPECT_EQ(ShowCommandValue(ShowCommand::kMaximized), SW_SHOWMAXIMIZED);
  EXPECT_EQ(ShowCommandValue(static_cast<ShowCommand>(2)), std::nullopt);
}

TEST(IconLocationTest, SplitsAtTheLastComma) {
  const auto split = [](std::wstring_view text) {
    const auto icon = SplitIconLocation(text);
    return icon ? icon->file + L"|" + std::to_wstring(icon->index) : L"none";
  };
  EXPECT_EQ(split(L"x.exe,0"), L"x.exe|0");
  EXPECT_EQ(split(L"a,b.dll,-3"), L"a,b.dll|-3");
  EXPECT_EQ(split(L"shdocvw.dll,0"), L"shdocvw.dll|0");
  EXPECT_EQ(split(L"c:\\p\\t.exe,12"), L"c:\\p\\t.exe|12");
  EXPECT_EQ(split(L"x.exe"), L"x.exe|0");
  EXPECT_EQ(split(L""), L"|0");
  EXPECT_EQ(split(L"x.exe,2147483647"), L"x.exe|2147483647");
  EXPECT_EQ(split(L"x.exe,-2147483648"), L"x.exe|-2147483648");
  for (const wchar_t* text : {L"x.exe,", L"x.exe,-", L"x.exe,+1", L"x.exe, 1", L"x.exe,1a",
                              L"x.exe,2147483648", L"x.exe,-2147483649", L"a,b.dll"}) {
    EXPECT_EQ(split(text), L"none") << text;
  }
}

TEST(WebAddressTest, IsRecognisedInAnyCase) {
  EXPECT_TRUE(IsWebAddress(L"https://tagwright.example.org/"));
  EXPECT_TRUE(IsWebAddress(L"HTTP://x"));
  EXPECT_TRUE(IsWebAddress(L"Https://x"));
  EXPECT_FALSE(IsWebAddress(L"ftp://x"));
  EXPECT_FALSE(IsWebAddress(L"c:\\http\\x.exe"));
  EXPECT_FALSE(IsWebAddress(L"http:/x"));
  EXPECT_FALSE(IsWebAddress(L""));
}

}  // namespace
}  // namespace tgw::win32
