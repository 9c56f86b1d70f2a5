// The wizard's real window: the order of its controls, and the toolkit's captions that change
// faster than a frame.

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "wizard/win32/toolkit_win.h"
#include "wizard/win32/window_win.h"

using tgw::Control;

// Made for the first look or later, the controls on each parent follow one another in the tab
// order (the dialog manager moves the focus in their order).
TEST(Window, TheControlsOnEachParentAreInTabOrder) {
  tgw::win32::WizardWindow window(nullptr);
  ASSERT_TRUE(window.Create().ok());
  auto controls = std::vector(tgw::layout::Controls().begin(), tgw::layout::Controls().end());
  std::ranges::stable_sort(controls, {}, &tgw::layout::ControlLayout::tab);
  std::map<Control, HWND> before;  // on each parent
  for (const auto& control : controls) {
    if (const HWND made = window.Item(control.id)) {
      EXPECT_EQ(GetWindow(made, GW_HWNDPREV), before[control.parent]) << int(control.id);
      before[control.parent] = made;
    }
  }
}

TEST(Toolkit, ACaptionSetSoonAfterAnotherShowsAMomentLaterAndOnlyTheLastOne) {
  tgw::win32::WizardWindow window(nullptr);
  ASSERT_TRUE(window.Create().ok());
  tgw::win32::Win32Toolkit ui(window);
  const HWND action = window.Item(Control::Action);
  const auto shown = [action] {
    std::wstring text(64, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(action, text.data(), 64)));
    return text;
  };
  // Events pumped for half a second, or until `text` shows.
  const auto pump = [&ui, &shown](std::wstring_view text) {
    for (int i = 0; i < 50 && shown() != text; ++i) ui.WaitEvents(0.01);
  };
  ui.SetCaptionSoon(Control::Action, L"one");
  ui.SetCaptionSoon(Control::Action, L"two");
  ui.SetCaptionSoon(Control::Action, L"three");
  EXPECT_EQ(shown(), L"one");
  pump(L"three");
  EXPECT_EQ(shown(), L"three");
  ui.SetCaptionSoon(Control::Action, L"four");  // replaced by a caption shown at once
  ui.SetCaption(Control::Action, L"five");
  pump(L"four");
  EXPECT_EQ(shown(), L"five");
  ui.SetCaptionSoon(Control::Action, L"six");
  EXPECT_EQ(ui.GetText(Control::Action), L"six");
}
