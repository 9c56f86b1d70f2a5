// The wizard's window: making it and its controls, finding them, the focus and the messages. Its
// layout for a DPI is in window_dpi_win.cpp, its painting in window_paint_win.cpp.

#include "wizard/win32/window_win.h"

#include <commctrl.h>

#include <span>
#include <string>
#include <utility>

#include "platform/win32/error_win.h"
#include "resource.h"
#include "window_parts_win.h"
#include "wizard/win32/controls_win.h"
#include "wizard/win32/dpi_win.h"

namespace tgw::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"TagwrightSetupWindow";
// Posted to itself once shown: the windows not made for the first look are made.
constexpr UINT kMakeTheRest = WM_APP;

using layout::ControlLayout;
using layout::Kind;

// The entries a list control starts with.
std::span<const std::wstring_view> ListEntries(Control list) noexcept {
  if (list == Control::Lang) return layout::kLanguages;
  return {};
}

// The window class and styles of a control of this kind, and whether the dialog manager stops at
// it; no class for the windowless kinds, which the main window paints.
struct ControlClass {
  const wchar_t* name;
  DWORD style;
  DWORD ex_style;
  bool tab_stop;
};

ControlClass ClassOf(const ControlLayout& control) noexcept {
  switch (control.kind) {
    case Kind::kLabel:
      // Drawn by DrawLabel: see-through labels show what their parent paints behind them.
      return {WC_STATICW, SS_OWNERDRAW | SS_NOPREFIX, 0, false};
    case Kind::kTextBox: {
      DWORD style = Has(control, layout::kMultiLine) ? ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL
                                                     : ES_AUTOHSCROLL;
      if (Has(control, layout::kLocked)) style |= ES_READONLY;
      return {WC_EDITW, style, WS_EX_CLIENTEDGE, true};
    }
    case Kind::kFrame:
      // The dialog manager moves the focus through its children.
      return {kFrameClass, WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, false};
    case Kind::kButton:
      return {WC_BUTTONW, BS_OWNERDRAW, 0, true};  // in the layout's colour: DrawButton
    case Kind::kCheckBox:
      return {WC_BUTTONW, BS_AUTOCHECKBOX | BS_MULTILINE, 0, true};
    case Kind::kComboBox:
      return {WC_COMBOBOXW, CBS_DROPDOWNLIST | WS_VSCROLL, 0, true};
    case Kind::kProgressBar:
      return {PROGRESS_CLASSW, 0, 0, false};
    case Kind::kImage:
    case Kind::kLine:
      break;
  }
  return {nullptr, 0, 0, false};
}

// The height of a line of `font`, as a list's entry is high; 0 when it cannot be measured.
LRESULT LineHeight(HFONT font) noexcept {
  const HDC screen = GetDC(nullptr);
  if (screen == nullptr) return 0;
  TEXTMETRICW metrics{};
  const HGDIOBJ old = SelectObject(screen, font);
  const BOOL measured = GetTextMetricsW(screen, &metrics);
  SelectObject(screen, old);
  ReleaseDC(nullptr, screen);
  return measured ? metrics.tmHeight : 0;
}

// A new control's first state: a list's entries, none selected; the check box's mark; the
// progress bar's range.
void SetFirstState(HWND handle, const ControlLayout& control) noexcept {
  switch (control.kind) {
    case Kind::kComboBox:
      for (const std::wstring_view entry : ListEntries(control.id)) {
        const std::wstring text(entry);
        SendMessageW(handle, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
      }
      SendMessageW(handle, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
      break;
    case Kind::kCheckBox:
      SendMessageW(handle, BM_SETCHECK,
                   Has(control, layout::kChecked) ? BST_CHECKED : BST_UNCHECKED, 0);
      break;
    case Kind::kProgressBar:
      SendMessageW(handle, PBM_SETRANGE32, 0, 100);
      break;
    default:
      break;
  }
}

}  // namespace

WizardWindow::WizardWindow(HINSTANCE instance) noexcept : instance_(instance) {}

WizardWindow::~WizardWindow() {
  if (window_ != nullptr) {
    quiet_destroy_ = true;
    events_ = nullptr;
    DestroyWindow(window_);
  }
}

Status WizardWindow::Create() noexcept {
  if (window_ != nullptr) return {};
  if (!RegisterFrameClass(instance_)) return LastError();
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  // No class icons: the window sets its own for its DPI (LoadIcons) before it is first shown.
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return LastError();
  }

  const layout::WindowLayout& form = layout::Window();
  const UINT dpi = SystemDpi();
  const RECT outer = WindowRectForClient(TwipsToPixels(form.client_width, dpi),
                                         TwipsToPixels(form.client_height, dpi), kWindowStyle,
                                         kWindowExStyle, dpi);
  const std::wstring caption(form.caption);
  // WM_NCCREATE stores the window in window_.
  if (CreateWindowExW(kWindowExStyle, kWindowClass, caption.c_str(), kWindowStyle, CW_USEDEFAULT,
                      CW_USEDEFAULT, outer.right, outer.bottom, nullptr, nullptr, instance_,
                      this) == nullptr) {
    return LastError();
  }

  // In rising tab order, the order the dialog manager moves the focus in. Every frame's tab
  // comes before those of the controls on it, so a parent is made before its children.
  // Sorted as they come, each after those of a lower or the same tab (the layout's order among
  // equal tabs).
  std::array<const ControlLayout*, layout::kMaxControls> windows{};
  std::size_t count = 0;
  for (const ControlLayout& control : layout::Controls()) {
    if (ClassOf(control).name == nullptr) continue;  // painted by the main window
    std::size_t place = count++;
    for (; place > 0 && windows[place - 1]->tab > control.tab; --place) {
      windows[place] = windows[place - 1];
    }
    windows[place] = &control;
  }
  for (std::size_t i = 0; i < count; ++i) items_.push_back({windows[i], nullptr, std::nullopt});
  dpi_ = DpiOf(window_);
  fonts_ = MakeFonts(dpi_);
  // The controls of the first look: those neither hidden nor on a hidden frame.
  for (ControlWindow& item : items_) {
    const ControlLayout& control = *item.layout;
    const ControlWindow* parent = Find(control.parent);
    if (Has(control, layout::kHidden) || (parent != nullptr && parent->handle == nullptr)) continue;
    if (!CreateControl(item)) return LastError();
  }

  FitToDpi(nullptr);
  return {};
}

bool WizardWindow::MakeTheRest() noexcept {
  if (all_made_ || making_ || window_ == nullptr) return all_made_;
  making_ = true;
  bool made = true;
  for (ControlWindow& item : items_) {
    if (item.handle != nullptr) continue;
    if (!CreateControl(item)) {
      made = false;
      break;
    }
    // The system puts a new window after those on its parent; in the tab order it comes before
    // any made for the first look with a higher tab, and after the one before it.
    HWND before = HWND_TOP;
    bool later = false;
    for (const ControlWindow& other : items_) {
      if (other.layout->parent != item.layout->parent || &other == &item) continue;
      if (&other < &item) before = other.handle;
      later = later || (&other > &item && other.handle != nullptr);
    }
    if (later) {
      SetWindowPos(item.handle, before, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
  }
  making_ = false;
  all_made_ = made;
  if (!made && !failure_) {
    failure_ = LastError();
    PostQuitMessage(1);
  }
  return made;
}

bool WizardWindow::CreateControl(ControlWindow& item) noexcept {
  const ControlLayout& control = *item.layout;
  const ControlClass window_class = ClassOf(control);
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS | window_class.style;
  if (window_class.tab_stop && !Has(control, layout::kNoTabStop)) style |= WS_TABSTOP;
  if (!Has(control, layout::kHidden)) style |= WS_VISIBLE;

  const HFONT font = FontFor(control.font);
  const RECT rect = PixelRect(control, dpi_);
  // A drop-down list's window is as high as its field and its list dropped; a list's entry is as
  // high as a line of its font, which is checked below.
  const bool list = control.kind == Kind::kComboBox;
  const LRESULT entry_height = list ? LineHeight(font) : 0;
  const int dropped = list ? DroppedListHeight(ListEntries(control.id).size(), entry_height) : 0;
  // Made with its text: it is the control's as soon as the window can be found. Not a hidden
  // text box (the language tables), which keeps its text until it is shown or given another:
  // an edit box lays out a text as it takes it, which for the tables, wrapped in their narrow
  // boxes, takes milliseconds at every start.
  const bool keep = control.kind == Kind::kTextBox && Has(control, layout::kHidden);
  std::wstring text = item.text ? std::move(*item.text) : std::wstring(control.caption);
  item.text.reset();
  const HWND parent = Made(control.parent);
  // A control whose parent is no window would break the order above.
  if (parent == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
  }
  const HWND handle = CreateWindowExW(
      window_class.ex_style, window_class.name, keep ? L"" : text.c_str(), style, rect.left,
      rect.top, rect.right - rect.left, rect.bottom - rect.top + dropped, parent,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
  if (keep && !text.empty()) item.text = std::move(text);
  if (handle == nullptr) return false;
  item.handle = handle;
  SendMessageW(handle, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  SetFirstState(handle, control);
  if (list) {
    if (SendMessageW(handle, CB_GETITEMHEIGHT, 0, 0) != entry_height) {
      SizeControl(item);  // placed again with the list's own entry height
    } else {
      FitSelectionField(handle, rect.bottom - rect.top);
    }
  }
  return true;
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
