// The wizard's window made: the main window and its controls, those of the first look at once and
// the others once it is shown (window_win.cpp posts kMakeTheRest), each in its tab order's place.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <span>
#include <string>
#include <utility>

#include "platform/win32/error_win.h"
#include "window_parts_win.h"
#include "wizard/win32/controls_win.h"
#include "wizard/win32/dpi_win.h"
#include "wizard/win32/window_win.h"

namespace tgw::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"TagwrightSetupWindow";

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

void WizardWindow::MakeTheRest() noexcept {
  if (making_ || window_ == nullptr) return;
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
  if (!made && !failure_) {
    failure_ = LastError();
    PostQuitMessage(1);
  }
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

}  // namespace tgw::win32
