// The wizard's window: its controls found, their texts, the focus and the messages. It is made in
// window_make_win.cpp, laid out for a DPI in window_dpi_win.cpp, painted in window_paint_win.cpp.

#include "wizard/win32/window_win.h"

#include <string>

#include "wizard/win32/controls_win.h"

namespace tgw::win32 {

namespace {

// Posted to itself once shown: the windows not made for the first look are made.
constexpr UINT kMakeTheRest = WM_APP;

using layout::Kind;

}  // namespace

WizardWindow::WizardWindow(HINSTANCE instance) noexcept : instance_(instance) {}

WizardWindow::~WizardWindow() {
  if (window_ != nullptr) {
    quiet_destroy_ = true;
    events_ = nullptr;
    DestroyWindow(window_);
  }
}

HWND WizardWindow::Made(Control control) const noexcept {
  if (control == Control::Form1) return window_;
  const ControlWindow* item = Find(control);
  return item != nullptr ? item->handle : nullptr;
}

HWND WizardWindow::Item(Control control) noexcept {
  const ControlWindow* item = Find(control);
  if (item != nullptr && item->handle == nullptr) MakeTheRest();
  return Made(control);
}

const WizardWindow::ControlWindow* WizardWindow::Find(Control control) const noexcept {
  for (const ControlWindow& item : items_) {
    if (item.layout->id == control) return &item;
  }
  return nullptr;
}

WizardWindow::ControlWindow* WizardWindow::Find(Control control) noexcept {
  for (ControlWindow& item : items_) {
    if (item.layout->id == control) return &item;
  }
  return nullptr;
}

std::wstring WizardWindow::Text(Control control) const {
  if (control == Control::Form1) return WindowText(window_);
  const ControlWindow* item = Find(control);
  if (item == nullptr) return {};
  if (item->text) return *item->text;
  return item->handle != nullptr ? WindowText(item->handle) : std::wstring(item->layout->caption);
}

void WizardWindow::SetText(Control control, std::wstring_view text) {
  ControlWindow* const item = Find(control);
  if (item != nullptr && item->handle == nullptr) {
    item->text.emplace(text);  // given to the window as it is made
    return;
  }
  const HWND handle = Made(control);
  if (handle == nullptr) return;
  const std::wstring terminated(text);  // before the kept text it may view goes
  if (item != nullptr) item->text.reset();
  SetWindowTextW(handle, terminated.c_str());
  // Repainted at the next pump. A see-through label paints what lies behind it first, so no
  // trace of a longer old text stays.
  InvalidateRect(handle, nullptr, FALSE);
}

const WizardWindow::ControlWindow* WizardWindow::Find(HWND handle) const noexcept {
  if (handle == nullptr) return nullptr;
  for (const ControlWindow& item : items_) {
    if (item.handle == handle) return &item;
  }
  return nullptr;
}

void WizardWindow::Show(int show_command, Control focus) noexcept {
  last_focus_ = Item(focus);
  ShowWindow(window_, show_command);  // the activation gives last_focus_ the focus
  if (last_focus_ != nullptr) MoveFocus(last_focus_);
  UpdateWindow(window_);
  PostMessageW(window_, kMakeTheRest, 0, 0);
}

void WizardWindow::SetVisible(Control control, bool visible) noexcept {
  const HWND handle = Item(control);
  if (handle == nullptr || handle == window_) return;
  if (const ControlWindow* item = Find(control); visible && item != nullptr && item->text) {
    SetText(control, *item->text);
  }
  const HWND focus = GetFocus();
  const bool hides_focus =
      !visible && focus != nullptr && (focus == handle || IsChild(handle, focus));
  ShowWindow(handle, visible ? SW_SHOWNA : SW_HIDE);
  if (hides_focus) MoveFocus(GetNextDlgTabItem(window_, focus, FALSE));
}

void WizardWindow::MoveFocus(HWND to) noexcept {
  if (to == nullptr || !IsWindowVisible(to)) to = GetNextDlgTabItem(window_, nullptr, FALSE);
  if (to == nullptr) return;
  last_focus_ = to;
  SetFocus(to);
  // As the dialog manager does: an edit box taking the focus this way has its text selected.
  if ((SendMessageW(to, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) != 0) {
    SendMessageW(to, EM_SETSEL, 0, -1);
  }
}

HWND WizardWindow::FocusToRestore() const noexcept {
  if (last_focus_ != nullptr && IsWindow(last_focus_) && IsWindowVisible(last_focus_) &&
      IsWindowEnabled(last_focus_)) {
    return last_focus_;
  }
  return GetNextDlgTabItem(window_, nullptr, FALSE);
}

void WizardWindow::Dispatch(MSG& message) noexcept {
  if (window_ != nullptr && IsDialogMessageW(window_, &message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

int WizardWindow::RunMessageLoop() noexcept {
  MSG message{};
  for (;;) {
    const BOOL got = GetMessageW(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got == -1) return 1;
    Dispatch(message);
  }
}

bool WizardWindow::Activate(WPARAM wparam) noexcept {
  if (LOWORD(wparam) == WA_INACTIVE) {
    const HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus)) last_focus_ = focus;
    return false;
  }
  if (HIWORD(wparam) != 0) return false;  // minimised
  const HWND focus = FocusToRestore();
  if (focus == nullptr) return false;
  SetFocus(focus);
  return true;
}

void WizardWindow::Command(WPARAM wparam, LPARAM lparam) noexcept {
  const auto control = reinterpret_cast<HWND>(lparam);
  if (control == nullptr) {
    // Enter: the dialog manager sends IDOK, there being no default button. As on a form, it
    // clicks the button that has the focus.
    if (LOWORD(wparam) == IDOK) {
      const HWND focus = GetFocus();
      const ControlWindow* item = Find(focus);
      if (item != nullptr && item->layout->kind == Kind::kButton) {
        SendMessageW(focus, BM_CLICK, 0, 0);
      }
    }
    return;
  }
  const ControlWindow* item = Find(control);
  if (item == nullptr || events_ == nullptr) return;
  const Control id = item->layout->id;
  const Kind kind = item->layout->kind;
  const UINT code = HIWORD(wparam);
  if (kind == Kind::kButton && code == BN_CLICKED) {
    events_->Clicked(id);
  } else if (kind == Kind::kComboBox && code == CBN_SELCHANGE) {
    events_->ListChanged(id);
  }
}

LRESULT CALLBACK WizardWindow::WindowProc(HWND window, UINT message, WPARAM wparam,
                                          LPARAM lparam) noexcept {
  if (message == WM_NCCREATE) {
    auto* const self =
        static_cast<WizardWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = window;
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* const self = reinterpret_cast<WizardWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT WizardWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  const HWND window = window_;
  switch (message) {
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT paints everything
    case WM_PAINT:
      PaintOffscreen(window, [this](HDC dc) { Paint(dc); });
      return 0;
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wparam));
      return 0;
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
      return ControlColour(message, reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DRAWITEM:
      return DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
    case WM_COMMAND:
      Command(wparam, lparam);
      return 0;
    case WM_CLOSE:
      if (events_ != nullptr) {
        events_->CloseRequested();
        return 0;
      }
      break;
    case WM_ACTIVATE:
      if (Activate(wparam)) return 0;
      break;
    case WM_SETFOCUS:
      if (const HWND focus = FocusToRestore()) SetFocus(focus);
      return 0;
    case WM_NEXTDLGCTL:
      // From a multi-line edit box on Tab: the next control, or the one given.
      MoveFocus(LOWORD(lparam) != 0 ? reinterpret_cast<HWND>(wparam)
                                    : GetNextDlgTabItem(window, GetFocus(), wparam != 0));
      return 0;
    case kMakeTheRest:
      MakeTheRest();
      return 0;
    case WM_DPICHANGED:
      ApplyDpi(LOWORD(wparam), reinterpret_cast<const RECT*>(lparam));
      return 0;
    case WM_DESTROY:
      if (!quiet_destroy_) PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      window_ = nullptr;
      items_.clear();
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

}  // namespace tgw::win32
