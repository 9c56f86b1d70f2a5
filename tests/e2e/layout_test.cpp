// Where the window puts its controls: every control at the place and size the layout gives it in
// twips, at 96 dots per inch (15 twips a pixel) and at 150 % (144 dots per inch, 10 twips a
// pixel), the window's client area the layout's 8475 x 6990 twips. The first page is saved as a
// screenshot at both sizes.

#include "wizard/layout.h"

#include <gtest/gtest.h>

#include "expected.h"
#include "scenario.h"

namespace tgw::e2e {
namespace {

// Sets the system DPI that programs started afterwards get, and puts back 96 at the end.
class SystemDpi {
 public:
  explicit SystemDpi(DWORD dots_per_inch) {
    if (!Set(dots_per_inch)) throw DriverError(L"cannot set LogPixels");
  }
  ~SystemDpi() { Set(96); }
  SystemDpi(const SystemDpi&) = delete;
  SystemDpi& operator=(const SystemDpi&) = delete;

 private:
  static bool Set(DWORD dots_per_inch) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_SET_VALUE, &key) !=
        ERROR_SUCCESS) {
      return false;
    }
    const LSTATUS status =
        RegSetValueExW(key, L"LogPixels", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&dots_per_inch), sizeof dots_per_inch);
    RegCloseKey(key);
    return status == ERROR_SUCCESS;
  }
};

// Twips in pixels at `dpi`, the nearest pixel (a half rounds up).
int Pixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  const long long half = layout::kTwipsPerInch / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / layout::kTwipsPerInch
                                      : -((-scaled + half) / layout::kTwipsPerInch));
}

// A control's rectangle in its parent's client area.
RECT PlaceInParent(HWND control) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void ExpectLayout(const SetupProcess& setup, int dpi) {
  RECT client{};
  GetClientRect(setup.window(), &client);
  EXPECT_EQ(client.right, Pixels(layout::Window().client_width, dpi));
  EXPECT_EQ(client.bottom, Pixels(layout::Window().client_height, dpi));
  for (const layout::ControlLayout& control : layout::Controls()) {
    if (control.kind == layout::Kind::kImage || control.kind == layout::Kind::kLine) continue;
    SCOPED_TRACE("control " + std::to_string(static_cast<int>(control.id)));
    const HWND window = setup.Find(control.id);
    EXPECT_EQ(GetParent(window),
              control.parent == Control::Form1 ? setup.window() : setup.Find(control.parent));
    const RECT place = PlaceInParent(window);
    const int left = Pixels(control.left, dpi);
    const int top = Pixels(control.top, dpi);
    EXPECT_EQ(place.left, left);
    EXPECT_EQ(place.top, top);
    EXPECT_EQ(place.right - place.left, Pixels(control.width, dpi));
    // A drop-down list is as high as its font makes it.
    if (control.kind != layout::Kind::kComboBox) {
      EXPECT_EQ(place.bottom - place.top, Pixels(control.height, dpi));
    }
  }
}

TEST(Layout, ControlsWhereTheLayoutPutsThem) {
  const Scenario scenario;
  const SetupProcess setup(scenario.Options(SmallSetup()));
  setup.WaitForStage(0);
  ExpectLayout(setup, 96);
  setup.PostClose();
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

TEST(Layout, At150PercentTheWindowKeepsItsSizeInInches) {
  const Scenario scenario;
  const SystemDpi dpi(144);
  const SetupProcess setup(scenario.Options(SmallSetup()));
  setup.WaitForStage(0);
  ExpectLayout(setup, 144);
  ExpectCaptions(setup, EnglishCaptions());
  setup.Screenshot(ScreenshotPath(L"stage0-language-150dpi"));
  setup.PostClose();
  EXPECT_EQ(setup.WaitForExit(), 0u);
}

}  // namespace
}  // namespace tgw::e2e
