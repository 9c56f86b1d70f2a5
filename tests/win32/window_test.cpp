// The wizard's window as the layout data makes it, and the toolkit over it, in this process.

#include <gtest/gtest.h>
#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <string>
#include <vector>

#include "wizard/layout.h"
#include "wizard/strings.h"
#include "wizard/win32/dpi_win.h"
#include "wizard/win32/toolkit_win.h"
#include "wizard/win32/window_win.h"

namespace tgw::win32 {
namespace {

struct RecordingEvents final : WindowEvents {
  void Clicked(Control button) override { clicks.push_back(button); }
  void ListChanged(Control list) override { lists.push_back(list); }
  void CloseRequested() override { ++closes; }

  std::vector<Control> clicks;
  std::vector<Control> lists;
  int closes = 0;
};

struct ChildSearch {
  int id;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectById(HWND child, LPARAM search_address) {
  auto* const search = reinterpret_cast<ChildSearch*>(search_address);
  if (GetDlgCtrlID(child) == search->id) search->found.push_back(child);
  return TRUE;
}

bool IsWindowless(const layout::ControlLayout& control) {
  return control.kind == layout::Kind::kImage || control.kind == layout::Kind::kLine;
}

class WindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                        ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
  }

  void SetUp() override {
    ASSERT_TRUE(window_.Create().ok());
    window_.SetEvents(&events_);
  }

  HWND Item(Control control) const { return window_.Item(control); }

  // The controls the dialog manager gives the focus to, from Command1 on, once round.
  std::vector<int> TabCycle() const {
    std::vector<int> cycle;
    const HWND first = Item(Control::Command1);
    HWND at = first;
    do {
      cycle.push_back(GetDlgCtrlID(at));
      at = GetNextDlgTabItem(window_.handle(), at, FALSE);
    } while (at != nullptr && at != first && cycle.size() < 50);
    return cycle;
  }

  void ShowPage(Control page) {
    for (const Control frame : {Control::Frame1, Control::Frame2, Control::Frame3, Control::Frame4,
                                Control::Frame5, Control::Frame6}) {
      toolkit_.SetVisible(frame, frame == page);
    }
  }

  static LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    GetObjectW(handle, sizeof font, &font);
    return font;
  }

  static SIZE ClientSize(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    return SIZE{client.right, client.bottom};
  }

  WizardWindow window_{GetModuleHandleW(nullptr)};
  Win32Toolkit toolkit_{window_};
  RecordingEvents events_;
};

TEST_F(WindowTest, EveryControlIsAWindowWithItsIdOnItsParent) {
  for (const layout::ControlLayout& control : layout::Controls()) {
    const int id = static_cast<int>(control.id);
    ChildSearch search{id, {}};
    EnumChildWindows(window_.handle(), CollectById, reinterpret_cast<LPARAM>(&search));
    if (IsWindowless(control)) {
      EXPECT_TRUE(search.found.empty()) << id;
      EXPECT_EQ(Item(control.id), nullptr) << id;
      continue;
    }
    ASSERT_EQ(search.found.size(), 1u) << id;
    EXPECT_EQ(search.found[0], Item(control.id)) << id;
    EXPECT_EQ(GetParent(search.found[0]), Item(control.parent)) << id;
    EXPECT_EQ(GetDlgItem(Item(control.parent), id), search.found[0]) << id;
  }
  EXPECT_EQ(Item(Control::Form1), window_.handle());
}

TEST_F(WindowTest, MainWindowHasTheLayoutsCaptionSizeAndAFixedBorder) {
  wchar_t caption[64] = {};
  GetWindowTextW(window_.handle(), caption, 64);
  EXPECT_STREQ(caption, L"Setup of Tagwright 2");
  const SIZE client = ClientSize(window_.handle());
  EXPECT_EQ(client.cx, TwipsToPixels(8475, window_.dpi()));
  EXPECT_EQ(client.cy, TwipsToPixels(6990, window_.dpi()));
  if (window_.dpi() == kDefaultDpi) {
    EXPECT_EQ(client.cx, 565);
    EXPECT_EQ(client.cy, 466);
  }
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(window_.handle(), GWL_STYLE));
  EXPECT_NE(style & WS_SYSMENU, 0u);
  EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME), 0u);
  EXPECT_FALSE(IsWindowVisible(window_.handle())) << "shown only when the wizard has loaded";
}

TEST_F(WindowTest, ControlsStartAsTheLayoutMakesThem) {
  for (const layout::ControlLayout& control : layout::Controls()) {
    if (IsWindowless(control)) continue;
    const auto style = static_cast<DWORD>(GetWindowLongPtrW(Item(control.id), GWL_STYLE));
    EXPECT_EQ((style & WS_VISIBLE) == 0, (control.flags & layout::kHidden) != 0)
        << static_cast<int>(control.id);
  }
  EXPECT_EQ(toolkit_.GetText(Control::English), kEnglishTable);
  EXPECT_EQ(toolkit_.GetText(Control::Russian), kRussianTable);
  EXPECT_EQ(toolkit_.GetText(Control::Frame1), L"Stage 1 of 4");
  EXPECT_EQ(toolkit_.GetText(Control::Text1), L"c:\\program files\\Tagwright\\");
  EXPECT_EQ(toolkit_.GetCheckValue(Control::Check1), 1);
  EXPECT_EQ(toolkit_.GetListIndex(Control::Lang), -1);
  EXPECT_EQ(SendMessageW(Item(Control::Lang), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(Item(Control::Bar), PBM_GETRANGE, FALSE, 0), 100);
  EXPECT_EQ(SendMessageW(Item(Control::Bar), PBM_GETRANGE, TRUE, 0), 0);

  const auto text1 = static_cast<DWORD>(GetWindowLongPtrW(Item(Control::Text1), GWL_STYLE));
  EXPECT_NE(text1 & ES_READONLY, 0u);
  const auto description =
      static_cast<DWORD>(GetWindowLongPtrW(Item(Control::Description), GWL_STYLE));
  EXPECT_NE(description & ES_MULTILINE, 0u);
  EXPECT_EQ(description & (ES_READONLY | WS_VSCROLL | WS_HSCROLL), 0u);
}

TEST_F(WindowTest, TabWalksTheVisiblePageInTheLayoutsOrder) {
  window_.Show(SW_SHOWNOACTIVATE, Control::Command1);
  using V = std::vector<int>;
  EXPECT_EQ(TabCycle(), (V{1001, 1002, 1003, 1401}));
  ShowPage(Control::Frame2);
  EXPECT_EQ(TabCycle(), (V{1001, 1002, 1003, 1302}));
  ShowPage(Control::Frame3);
  EXPECT_EQ(TabCycle(), (V{1001, 1002, 1003, 1301, 1004}));
  ShowPage(Control::Frame4);
  EXPECT_EQ(TabCycle(), (V{1001, 1002, 1003, 1402}));
  ShowPage(Control::Frame5);
  EXPECT_EQ(TabCycle(), (V{1001, 1002, 1003}));
}

TEST_F(WindowTest, FontsAreTheLayoutsAtTheWindowsDpi) {
  const LOGFONTW welcome = FontOf(Item(Control::Label3));
  EXPECT_EQ(welcome.lfHeight, FontHeight(20.25, window_.dpi()));
  EXPECT_STREQ(welcome.lfFaceName, L"Arial");
  EXPECT_EQ(welcome.lfWeight, FW_NORMAL);
  EXPECT_EQ(welcome.lfCharSet, 204);
  const LOGFONTW button = FontOf(Item(Control::Command1));
  EXPECT_EQ(button.lfHeight, FontHeight(9.75, window_.dpi()));
  EXPECT_EQ(button.lfWeight, FW_BOLD);
  EXPECT_STREQ(FontOf(Item(Control::Label8)).lfFaceName, L"Comic Sans MS");
  EXPECT_STREQ(FontOf(Item(Control::Frame2)).lfFaceName, L"Arial");
  EXPECT_EQ(FontHeight(9.75, 96), -13);
  EXPECT_EQ(FontHeight(9.75, 144), -20);
  EXPECT_EQ(FontHeight(36, 96), -48);
}

TEST_F(WindowTest, ToolkitSetsAndReadsTheControls) {
  toolkit_.SetCaption(Control::Frame1, L"Этап 1 из 4");
  EXPECT_EQ(toolkit_.GetText(Control::Frame1), L"Этап 1 из 4");
  toolkit_.SetCaption(Control::Label6, L"Progress");
  EXPECT_EQ(toolkit_.GetText(Control::Label6), L"Progress");
  toolkit_.SetText(Control::Text1, L"D:\\Tagwright\\");
  EXPECT_EQ(toolkit_.GetText(Control::Text1), L"D:\\Tagwright\\");

  toolkit_.SetListIndex(Control::Lang, 1);
  EXPECT_EQ(toolkit_.GetListIndex(Control::Lang), 1);
  toolkit_.SetListIndex(Control::Lang, -1);
  EXPECT_EQ(toolkit_.GetListIndex(Control::Lang), -1);
  EXPECT_TRUE(events_.lists.empty()) << "setting the index is no user's choice";

  SendMessageW(Item(Control::Check1), BM_CLICK, 0, 0);
  EXPECT_EQ(toolkit_.GetCheckValue(Control::Check1), 0);
  EXPECT_TRUE(events_.clicks.empty()) << "the check box is no push button";

  toolkit_.SetBarValue(Control::Bar, 37.5F);
  EXPECT_EQ(toolkit_.GetBarValue(Control::Bar), 37.5F);
  EXPECT_EQ(SendMessageW(Item(Control::Bar), PBM_GETPOS, 0, 0), 38);

  toolkit_.SetVisible(Control::Frame5, true);
  EXPECT_TRUE(GetWindowLongPtrW(Item(Control::Bar), GWL_STYLE) & WS_VISIBLE);
  toolkit_.SetVisible(Control::Frame1, false);
  EXPECT_FALSE(GetWindowLongPtrW(Item(Control::Frame1), GWL_STYLE) & WS_VISIBLE);

  EXPECT_EQ(toolkit_.GetText(Control::Image1), L"");  // painted, no window
}

TEST_F(WindowTest, ButtonsListAndCloseReportToTheEvents) {
  SendMessageW(Item(Control::Command4), BM_CLICK, 0, 0);  // on a frame
  SendMessageW(Item(Control::Command1), BM_CLICK, 0, 0);
  EXPECT_EQ(events_.clicks, (std::vector<Control>{Control::Command4, Control::Command1}));

  toolkit_.SetListIndex(Control::Lang, 0);
  SendMessageW(Item(Control::Lang), WM_KEYDOWN, VK_DOWN, 0);  // as the user would
  EXPECT_EQ(toolkit_.GetListIndex(Control::Lang), 1);
  EXPECT_EQ(events_.lists, (std::vector<Control>{Control::Lang}));

  SendMessageW(window_.handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(events_.closes, 1);
  EXPECT_TRUE(IsWindow(window_.handle())) << "closing is up to the handler";
}

TEST_F(WindowTest, EnterClicksTheFocusedButton) {
  window_.Show(SW_SHOWNOACTIVATE, Control::Command2);
  SetFocus(Item(Control::Command2));
  MSG enter{Item(Control::Command2), WM_KEYDOWN, VK_RETURN, 0, 0, {}};
  window_.Dispatch(enter);
  EXPECT_EQ(events_.clicks, (std::vector<Control>{Control::Command2}));
}

TEST_F(WindowTest, HidingThePageWithTheFocusPassesItOn) {
  window_.Show(SW_SHOWNOACTIVATE, Control::Command1);
  ShowPage(Control::Frame3);
  SetFocus(Item(Control::Text1));
  ASSERT_EQ(GetFocus(), Item(Control::Text1));
  ShowPage(Control::Frame4);
  const HWND focus = GetFocus();
  ASSERT_NE(focus, nullptr);
  EXPECT_TRUE(IsWindowVisible(focus));
  EXPECT_FALSE(IsChild(Item(Control::Frame3), focus));
}

TEST_F(WindowTest, PumpsRunQueuedMessagesAndWaitsWakeOnInput) {
  PostMessageW(Item(Control::Command3), BM_CLICK, 0, 0);
  toolkit_.PumpEvents();
  EXPECT_EQ(events_.clicks, (std::vector<Control>{Control::Command3}));

  ULONGLONG start = GetTickCount64();
  toolkit_.WaitEvents(0.2);
  EXPECT_GE(GetTickCount64() - start, 150u) << "waits without input";

  // A message that comes during the wait (a timer's) ends it.
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, nullptr);
  start = GetTickCount64();
  toolkit_.WaitEvents(10);
  KillTimer(nullptr, timer);
  EXPECT_LT(GetTickCount64() - start, 5000u) << "input ends the wait";
}

TEST_F(WindowTest, SeeThroughLabelRepaintsWhatLiesBehindIt) {
  // The percentage label on the progress page: a shorter text leaves nothing of the longer one.
  toolkit_.SetVisible(Control::Frame5, true);
  const HWND label = Item(Control::PRG);
  const SIZE size = ClientSize(label);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), size.cx, -size.cy, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const UniqueBitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  ASSERT_TRUE(bitmap && dc);
  const HGDIOBJ old = SelectObject(dc.get(), bitmap.get());
  const auto count_back = [&] {
    SendMessageW(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
    GdiFlush();
    const auto* pixels = static_cast<const DWORD*>(bits);
    int back = 0;
    for (int i = 0; i < size.cx * size.cy; ++i) back += (pixels[i] & 0xFFFFFF) == 0xBDC8D2;
    return back;
  };
  toolkit_.SetCaption(Control::PRG, L"100%");
  const int with_long_text = count_back();
  toolkit_.SetCaption(Control::PRG, L"");
  const int empty = count_back();
  SelectObject(dc.get(), old);
  EXPECT_EQ(empty, size.cx * size.cy) << "all the frame's colour (189, 200, 210)";
  EXPECT_LT(with_long_text, empty) << "the text was drawn";
}

TEST_F(WindowTest, DpiChangeLaysTheWindowOutAgain) {
  RECT suggested{};
  GetWindowRect(window_.handle(), &suggested);
  SendMessageW(window_.handle(), WM_DPICHANGED, MAKEWPARAM(144, 144),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(window_.dpi(), 144u);
  const SIZE client = ClientSize(window_.handle());
  EXPECT_EQ(client.cx, 848);
  EXPECT_EQ(client.cy, 699);
  RECT exit{};
  GetWindowRect(Item(Control::Command1), &exit);
  MapWindowPoints(nullptr, window_.handle(), reinterpret_cast<POINT*>(&exit), 2);
  EXPECT_EQ(exit.left, 204);  // 2040 twips
  EXPECT_EQ(exit.top, 648);   // 6480 twips
  EXPECT_EQ(exit.right - exit.left, 158);
  EXPECT_EQ(FontOf(Item(Control::Label3)).lfHeight, -41);
  RECT lang{};
  GetWindowRect(Item(Control::Lang), &lang);
  EXPECT_EQ(lang.bottom - lang.top, TwipsToPixels(360, 144)) << "the selection field";

  SendMessageW(window_.handle(), WM_DPICHANGED, MAKEWPARAM(96, 96),
               reinterpret_cast<LPARAM>(&suggested));
  EXPECT_EQ(ClientSize(window_.handle()).cx, 565);
  EXPECT_EQ(FontOf(Item(Control::Label3)).lfHeight, -27);
  GetWindowRect(Item(Control::Lang), &lang);
  EXPECT_EQ(lang.bottom - lang.top, 24);
}

// The wizard's kinds of message are the system's styles: the exit question has Yes and No with the
// information icon (68), as the e2e tests see it on the screen.
TEST(MessageBoxTest, KindsAreTheSystemsStylesAndAnswersItsButtons) {
  EXPECT_EQ(MessageBoxStyle(MessageKind::kExitQuestion), 68u);
  EXPECT_EQ(MessageBoxStyle(MessageKind::kExitQuestion),
            static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
  EXPECT_EQ(MessageBoxStyle(MessageKind::kWarning), 48u);
  EXPECT_EQ(MessageBoxStyle(MessageKind::kWarning), static_cast<UINT>(MB_OK | MB_ICONEXCLAMATION));
  EXPECT_EQ(AnswerOf(IDYES), MessageAnswer::kYes);
  EXPECT_EQ(AnswerOf(IDNO), MessageAnswer::kNo);
  EXPECT_EQ(AnswerOf(IDOK), MessageAnswer::kOk);
  EXPECT_EQ(AnswerOf(0), MessageAnswer::kNo);  // no box could be shown
}

}  // namespace
}  // namespace tgw::win32
