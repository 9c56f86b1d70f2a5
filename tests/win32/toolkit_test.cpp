// The toolkit's captions that change faster than a frame, on the wizard's real window.

#include <gtest/gtest.h>

#include <string>

#include "wizard/win32/toolkit_win.h"
#include "wizard/win32/window_win.h"

using tgw::Control;

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
