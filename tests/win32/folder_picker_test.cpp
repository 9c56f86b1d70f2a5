// The folder picker, opened on the test's thread and answered from a thread of the test's own.

#include <windows.h>
// After windows.h: the common-controls and shell headers need its declarations.
#include <commctrl.h>
#include <gtest/gtest.h>
#include <objbase.h>
#include <shlobj.h>

#include <cwctype>
#include <string>

#include "platform/win32/folder_picker_win.h"
#include "platform/win32/handles.h"
#include "test_support.h"

namespace tgw::win32 {
namespace {

// What the answering thread does with the picker and what it saw of it.
struct PickerAnswer {
  std::wstring select;  // the folder to select before OK; empty: Cancel
  std::wstring title;   // the title text to look for in the dialog
  HWND dialog = nullptr;
  HWND owner = nullptr;
  bool owner_was_enabled = true;
  bool title_shown = false;
};

BOOL CALLBACK FindPicker(HWND window, LPARAM answer_address) {
  auto* const answer = reinterpret_cast<PickerAnswer*>(answer_address);
  DWORD process = 0;
  GetWindowThreadProcessId(window, &process);
  wchar_t class_name[16] = {};
  wchar_t caption[64] = {};
  GetClassNameW(window, class_name, 16);
  GetWindowTextW(window, caption, 64);
  if (process != GetCurrentProcessId() || !IsWindowVisible(window) ||
      std::wstring_view(class_name) != L"#32770" ||
      std::wstring_view(caption) != L"Browse for Folder") {
    return TRUE;
  }
  answer->dialog = window;
  return FALSE;
}

BOOL CALLBACK FindTitle(HWND child, LPARAM answer_address) {
  auto* const answer = reinterpret_cast<PickerAnswer*>(answer_address);
  wchar_t text[256] = {};
  GetWindowTextW(child, text, 256);
  if (!answer->title.empty() && answer->title == text) answer->title_shown = true;
  return TRUE;
}

DWORD WINAPI Answer(void* answer_address) {
  auto* const answer = static_cast<PickerAnswer*>(answer_address);
  for (int waited = 0; answer->dialog == nullptr && waited < 30000; waited += 50) {
    Sleep(50);
    EnumWindows(FindPicker, reinterpret_cast<LPARAM>(answer));
  }
  if (answer->dialog == nullptr) return 1;
  answer->owner = GetWindow(answer->dialog, GW_OWNER);
  answer->owner_was_enabled = answer->owner != nullptr && IsWindowEnabled(answer->owner);
  EnumChildWindows(answer->dialog, FindTitle, reinterpret_cast<LPARAM>(answer));
  if (answer->select.empty()) {
    PostMessageW(answer->dialog, WM_COMMAND, IDCANCEL, 0);
  } else {
    // Under Wine a selection can fail without a word the first time in a process (the walk down
    // the tree stops above the folder): ask again until the tree's selected item changes.
    const HWND tree = FindWindowExW(answer->dialog, nullptr, L"SysTreeView32", nullptr);
    const auto selected = [tree] { return SendMessageW(tree, TVM_GETNEXTITEM, TVGN_CARET, 0); };
    const LRESULT before = selected();
    for (int attempt = 0; attempt < 20 && selected() == before; ++attempt) {
      if (attempt > 0) Sleep(100);
      // Same process: the path's address is valid in the dialog's thread.
      SendMessageW(answer->dialog, BFFM_SETSELECTIONW, TRUE,
                   reinterpret_cast<LPARAM>(answer->select.c_str()));
    }
    PostMessageW(answer->dialog, WM_COMMAND, IDOK, 0);
  }
  return 0;
}

std::wstring Lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

class FolderPickerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    com_ = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_TRUE(SUCCEEDED(com_));
    owner_ =
        CreateWindowExW(0, L"STATIC", L"Picker owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                        CW_USEDEFAULT, CW_USEDEFAULT, 300, 200, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(owner_, nullptr);
  }
  void TearDown() override {
    if (owner_ != nullptr) DestroyWindow(owner_);
    if (SUCCEEDED(com_)) CoUninitialize();
  }

  // Runs the picker while a thread answers it as `answer` says.
  std::optional<std::wstring> PickAnswered(Win32FolderPicker& picker, PickerAnswer& answer) {
    const UniqueHandle thread(CreateThread(nullptr, 0, Answer, &answer, 0, nullptr));
    if (!thread) return L"(no answering thread)";
    auto picked = picker.Pick(answer.title);
    WaitForSingleObject(thread.get(), INFINITE);
    return picked;
  }

  HRESULT com_ = E_FAIL;
  HWND owner_ = nullptr;
};

TEST_F(FolderPickerTest, CancelGivesNothing) {
  Win32FolderPicker picker(owner_);
  PickerAnswer answer{L"", L"Choose the install folder"};
  EXPECT_EQ(PickAnswered(picker, answer), std::nullopt);
  ASSERT_NE(answer.dialog, nullptr) << "no picker appeared";
  EXPECT_EQ(answer.owner, owner_);
  EXPECT_FALSE(answer.owner_was_enabled) << "not modal over its owner";
  EXPECT_TRUE(answer.title_shown);
  EXPECT_TRUE(IsWindowEnabled(owner_));
  EXPECT_FALSE(IsWindow(answer.dialog));
}

TEST_F(FolderPickerTest, GivesTheChosenFolderWithoutFinalBackslash) {
  const ::tgw::testing::TempFolder temp;
  Win32FolderPicker picker;
  picker.SetOwner(owner_);
  PickerAnswer answer{temp.path(), L""};
  const auto picked = PickAnswered(picker, answer);
  ASSERT_NE(answer.dialog, nullptr) << "no picker appeared";
  EXPECT_EQ(answer.owner, owner_);
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(Lower(*picked), Lower(temp.path()));
}

TEST_F(FolderPickerTest, ADriveRootKeepsItsBackslash) {
  Win32FolderPicker picker(owner_);
  PickerAnswer answer{L"C:\\", L"Choose"};
  const auto picked = PickAnswered(picker, answer);
  ASSERT_NE(answer.dialog, nullptr) << "no picker appeared";
  ASSERT_TRUE(picked.has_value());
  EXPECT_EQ(Lower(*picked), L"c:\\");
}

TEST(FolderPathTest, OnlyADriveRootEndsInABackslash) {
  EXPECT_EQ(WithoutFinalBackslash(L"D:\\"), L"D:\\");
  EXPECT_EQ(WithoutFinalBackslash(L"D:\\apps\\"), L"D:\\apps");
  EXPECT_EQ(WithoutFinalBackslash(L"D:\\apps"), L"D:\\apps");
  EXPECT_EQ(WithoutFinalBackslash(L"\\\\server\\share\\"), L"\\\\server\\share");
  EXPECT_EQ(WithoutFinalBackslash(L""), L"");
}

}  // namespace
}  // namespace tgw::win32
