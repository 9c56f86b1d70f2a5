// The end-to-end tests' main: GoogleTest, with the windows of every program started shown on a
// Wine virtual desktop of the tests' own, where Wine draws the windows' frames the Windows way.

#include "e2e.h"

#include <iostream>

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (tgw::e2e::UnderWine()) {
    // Wine shows a desktop whose size is listed here as a virtual desktop.
    HKEY key = nullptr;
    static constexpr wchar_t kSize[] = L"1024x768";
    if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\Explorer\\Desktops", 0, nullptr, 0,
                        KEY_SET_VALUE, nullptr, &key, nullptr) == ERROR_SUCCESS) {
      RegSetValueExW(key, tgw::e2e::kDesktopName, 0, REG_SZ, reinterpret_cast<const BYTE*>(kSize),
                     sizeof kSize);
      RegCloseKey(key);
    }
    // This thread must see the windows there: finding, capturing and hooking them. Only before
    // it makes any window or hook may it change its desktop.
    const HDESK desktop =
        CreateDesktopW(tgw::e2e::kDesktopName, nullptr, nullptr, 0, GENERIC_ALL, nullptr);
    if (desktop == nullptr || !SetThreadDesktop(desktop)) {
      std::cerr << "cannot use the desktop tgw-e2e (error " << GetLastError() << ")\n";
      return 1;
    }
  }
  return RUN_ALL_TESTS();
}
