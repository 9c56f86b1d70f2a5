// Starts the setup program image and checks its window, then closes it.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "test_support.h"

namespace tgw {
namespace {

struct WindowSearch {
  DWORD process_id;
  HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND window, LPARAM search_address) {
  auto* const search = reinterpret_cast<WindowSearch*>(search_address);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  if (owner != search->process_id || !IsWindowVisible(window)) return TRUE;
  search->found = window;
  return FALSE;
}

TEST(SetupImageTest, ShowsItsWindowAndEndsWhenClosed) {
  const std::wstring image = ::tgw::testing::ProgramPathFromEnvironment(L"TGW_SETUP_IMAGE");
  if (image.empty()) {
    GTEST_SKIP() << "TGW_SETUP_IMAGE is not set";
  }

  const ::tgw::testing::StartedProgram setup = ::tgw::testing::StartProgram(image);
  ASSERT_TRUE(setup.process) << "cannot start the image";
  const HANDLE process = setup.process.get();

  WindowSearch search{setup.id, nullptr};
  for (int waited = 0; search.found == nullptr && waited < 20000; waited += 50) {
    if (WaitForSingleObject(process, 50) == WAIT_OBJECT_0) break;
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
  }
  if (search.found == nullptr) {
    TerminateProcess(process, 1);
    FAIL() << "no window appeared";
  }

  wchar_t title[128] = {};
  SendMessageTimeoutW(search.found, WM_GETTEXT, std::size(title), reinterpret_cast<LPARAM>(title),
                      SMTO_ABORTIFHUNG, 5000, nullptr);
  EXPECT_STREQ(title, L"Setup of Tagwright 2");

  PostMessageW(search.found, WM_CLOSE, 0, 0);
  EXPECT_EQ(::tgw::testing::WaitForExit(process, 20000), 0u) << "did not end well";
}

}  // namespace
}  // namespace tgw
