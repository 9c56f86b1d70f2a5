// The end-to-end tests' main: GoogleTest, with the windows of every program started shown on a
// Wine virtual desktop of the tests' own, where Wine draws the windows' frames the Windows way.
// (The tests run under Wine: on Windows they would show nothing on that desktop.)

#include "e2e.h"

#include <iostream>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  // Wine shows a desktop whose size is listed here as a virtual desktop.
  static constexpr wchar_t kSize[] = L"1024x768";
  RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", tgw::e2e::kDesktop,
                  REG_SZ, kSize, sizeof kSize);
  // This thread must see the windows there: finding, capturing and hooking them. Only before it
  // makes any window or hook may it change its desktop.
  const HDESK desktop =
      CreateDesktopW(tgw::e2e::kDesktop, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
  if (desktop == nullptr || !SetThreadDesktop(desktop)) {
    std::cerr << "cannot use the desktop tgw-e2e (error " << GetLastError() << ")\n";
    return 1;
  }
  return RUN_ALL_TESTS();
}
