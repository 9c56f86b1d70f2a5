#include "wizard/win32/window_win.h"

#include <commctrl.h>

#include <algorithm>
#include <span>
#include <string>
#include <utility>

#include "platform/win32/system_function_win.h"
#include "resource.h"
#include "wizard/win32/controls_win.h"
#include "wizard/win32/dpi_win.h"

namespace tgw::win32 {

namespace {

constexpr wchar_t kWindowClass[] = L"TagwrightSetupWindow";
// A fixed single border with a caption and the close box; no minimise or maximise box.
constexpr DWORD kWindowStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr DWORD kWindowExStyle = WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

using layout::ControlLayout;
using layout::Kind;

COLORREF ToColorRef(layout::Rgb colour) noexcept { return RGB(colour.r, colour.g, colour.b); }

bool Has(const ControlLayout& control, layout::Flags flag) noexcept {
  return (control.flags & flag) != 0;
}

// The entries a list control starts with.
std::span<const std::wstring_view> ListEntries(Control list) noexcept {
  if (list == Control::Lang) return layout::kLanguages;
  return {};
}

UniqueFont MakeFont(const layout::Font& font, UINT dpi) noexcept {
  LOGFONTW description{};
  description.lfHeight = FontHeight(font.points, dpi);
  description.lfWeight = font.bold ? FW_BOLD : FW_NORMAL;
  description.lfCharSet = font.charset;
  description.lfOutPrecision = OUT_DEFAULT_PRECIS;
  description.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  description.lfQuality = DEFAULT_QUALITY;
  description.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  const std::size_t length = std::min(font.face.size(), std::size(description.lfFaceName) - 1);
  std::copy_n(font.face.data(), length, description.lfFaceName);
  return UniqueFont(CreateFontIndirectW(&description));
}

// An icon resource at `width` x `height`: scaled down from a larger image where the resource
// has none of that size (LoadIconWithScaleDown, comctl32 6), else as LoadImageW makes it.
UniqueIcon LoadIconOfSize(HINSTANCE instance, int id, int width, int height) noexcept {
  const auto scale_down =
      SystemFunction<decltype(&LoadIconWithScaleDown)>(L"comctl32.dll", "LoadIconWithScaleDown");
  HICON icon = nullptr;
  if (scale_down == nullptr ||
      FAILED(scale_down(instance, MAKEINTRESOURCEW(id), width, height, &icon))) {
    icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, width, height, LR_DEFAULTCOLOR));
  }
  return UniqueIcon(icon);
}

RECT PixelRect(const ControlLayout& control, UINT dpi) noexcept {
  const int left = TwipsToPixels(control.left, dpi);
  const int top = TwipsToPixels(control.top, dpi);
  return RECT{left, top, left + TwipsToPixels(control.width, dpi),
              top + TwipsToPixels(control.height, dpi)};
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

bool WizardWindow::Create() noexcept {
  if (window_ != nullptr) return true;
  if (!RegisterFrameClass(instance_)) return false;
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof window_class;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = instance_;
  // Shared icons at the system's sizes; the window sets its own per DPI (LoadIcons).
  window_class.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_SETUP),
                                                     IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                     GetSystemMetrics(SM_CYICON), LR_SHARED));
  window_class.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_SETUP),
                                                       IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                       GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kWindowClass;
  if (RegisterClassExW(&window_class) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
    return false;
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
    return false;
  }

  // In rising tab order, the order the dialog manager moves the focus in. Every frame's tab
  // comes before those of the controls on it, so a parent is made before its children.
  std::vector<const ControlLayout*> windows;
  for (const ControlLayout& control : layout::Controls()) {
    if (control.kind != Kind::kImage && control.kind != Kind::kLine) windows.push_back(&control);
  }
  std::stable_sort(windows.begin(), windows.end(),
                   [](const ControlLayout* a, const ControlLayout* b) { return a->tab < b->tab; });
  items_.reserve(windows.size());
  for (const ControlLayout* control : windows) {
    // A control whose parent is no window yet would break the order above.
    if (Item(control->parent) == nullptr || !CreateControl(*control)) return false;
  }

  ApplyDpi(DpiOf(window_), nullptr);
  return true;
}

bool WizardWindow::CreateControl(const ControlLayout& control) noexcept {
  DWORD style = WS_CHILD | WS_CLIPSIBLINGS;
  DWORD ex_style = 0;
  bool tab_stop = true;
  const wchar_t* window_class = nullptr;
  switch (control.kind) {
    case Kind::kLabel:
      // Drawn by DrawLabel: see-through labels show what their parent paints behind them.
      window_class = WC_STATICW;
      style |= SS_OWNERDRAW | SS_NOPREFIX;
      tab_stop = false;
      break;
    case Kind::kTextBox:
      window_class = WC_EDITW;
      ex_style = WS_EX_CLIENTEDGE;
      style |= Has(control, layout::kMultiLine) ? ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL
                                                : ES_AUTOHSCROLL;
      if (Has(control, layout::kLocked)) style |= ES_READONLY;
      break;
    case Kind::kFrame:
      window_class = kFrameClass;
      style |= WS_CLIPCHILDREN;
      ex_style = WS_EX_CONTROLPARENT;  // the dialog manager moves the focus through its children
      tab_stop = false;
      break;
    case Kind::kButton:
      window_class = WC_BUTTONW;
      style |= BS_OWNERDRAW;  // in the layout's colour: DrawButton
      break;
    case Kind::kCheckBox:
      window_class = WC_BUTTONW;
      style |= BS_AUTOCHECKBOX | BS_MULTILINE;
      break;
    case Kind::kComboBox:
      window_class = WC_COMBOBOXW;
      style |= CBS_DROPDOWNLIST | WS_VSCROLL;
      break;
    case Kind::kProgressBar:
      window_class = PROGRESS_CLASSW;
      tab_stop = false;
      break;
    case Kind::kImage:
    case Kind::kLine:
      return true;  // painted by the main window
  }
  if (tab_stop && !Has(control, layout::kNoTabStop)) style |= WS_TABSTOP;
  if (!Has(control, layout::kHidden)) style |= WS_VISIBLE;

  const std::wstring caption(control.caption);
  const HWND handle = CreateWindowExW(
      ex_style, window_class, caption.c_str(), style, 0, 0, 0, 0, Item(control.parent),
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(control.id)), instance_, nullptr);
  if (handle == nullptr) return false;
  items_.push_back({&control, handle});

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
  return true;
}

void WizardWindow::ApplyDpi(UINT dpi, const RECT* suggested) noexcept {
  dpi_ = dpi;
  // The old fonts stay until every control has its new one.
  const std::vector<FontEntry> old_fonts = std::exchange(fonts_, MakeFonts(dpi));
  for (const ControlWindow& item : items_) {
    const ControlLayout& control = *item.layout;
    SendMessageW(item.handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.font)), FALSE);
    const RECT rect = PixelRect(control, dpi);
    const int height = rect.bottom - rect.top;
    const bool list = control.kind == Kind::kComboBox;
    // A drop-down list is given the height with its list dropped; its field is fitted after.
    SetWindowPos(item.handle, nullptr, rect.left, rect.top, rect.right - rect.left,
                 list ? height + DroppedListHeight(item.handle) : height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (list) FitSelectionField(item.handle, height);
  }
  ScalePicture();
  LoadIcons();

  const layout::WindowLayout& form = layout::Window();
  const int client_width = TwipsToPixels(form.client_width, dpi);
  const int client_height = TwipsToPixels(form.client_height, dpi);
  const RECT outer =
      WindowRectForClient(client_width, client_height, kWindowStyle, kWindowExStyle, dpi);
  if (suggested != nullptr) {
    SetWindowPos(window_, nullptr, suggested->left, suggested->top, outer.right, outer.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else {
    SetWindowPos(window_, nullptr, 0, 0, outer.right, outer.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  // Where the frame the system draws is not what the DPI says (a system that scales no frames,
  // a DPI message sent by hand), the client area is made right by what it is off.
  RECT client{};
  GetClientRect(window_, &client);
  if (client.right != client_width || client.bottom != client_height) {
    SetWindowPos(window_, nullptr, 0, 0, outer.right + client_width - client.right,
                 outer.bottom + client_height - client.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

std::vector<WizardWindow::FontEntry> WizardWindow::MakeFonts(UINT dpi) const {
  std::vector<FontEntry> fonts;
  const auto add = [&fonts, dpi](const layout::Font* font) {
    const bool known = std::any_of(fonts.begin(), fonts.end(),
                                   [font](const FontEntry& entry) { return entry.font == font; });
    if (!known) fonts.push_back({font, MakeFont(*font, dpi)});
  };
  add(&layout::Window().font);  // first: the font of the controls without one of their own
  for (const ControlLayout& control : layout::Controls()) {
    if (control.font != nullptr) add(control.font);
  }
  return fonts;
}

HFONT WizardWindow::FontFor(const layout::Font* font) const noexcept {
  for (const FontEntry& entry : fonts_) {
    if (entry.font == font) return entry.handle.get();
  }
  return fonts_.empty() ? nullptr : fonts_.front().handle.get();
}

int WizardWindow::DroppedListHeight(HWND combo) const noexcept {
  const auto count = std::max<LRESULT>(SendMessageW(combo, CB_GETCOUNT, 0, 0), 1);
  const auto entry_height = std::max<LRESULT>(SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0), 1);
  return static_cast<int>(count * entry_height) + ScalePixels(4, dpi_);
}

void WizardWindow::FitSelectionField(HWND combo, int height) noexcept {
  // A drop-down list's window is as high as its selection field, which its item height sets.
  // Set and got item heights need not agree (Wine's differ by 2 pixels), so this measures again;
  // a field cannot be lower than its font needs.
  LRESULT asked = SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0);
  for (int attempt = 0; attempt < 3 && asked > 0; ++attempt) {
    RECT field{};
    GetWindowRect(combo, &field);
    const int missing = height - static_cast<int>(field.bottom - field.top);
    if (missing == 0 || asked + missing <= 0) return;
    asked += missing;
    SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), asked);
  }
}

void WizardWindow::ScalePicture() noexcept {
  if (!picture_) {
    picture_.reset(static_cast<HBITMAP>(LoadImageW(instance_, MAKEINTRESOURCEW(IDB_IMAGE1),
                                                   IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  }
  scaled_picture_.reset();
  const ControlLayout* image = layout::Find(Control::Image1);
  if (!picture_ || image == nullptr) return;
  const RECT rect = PixelRect(*image, dpi_);
  scaled_size_ = SIZE{rect.right - rect.left, rect.bottom - rect.top};
  BITMAP bitmap{};
  GetObjectW(picture_.get(), sizeof bitmap, &bitmap);
  if (bitmap.bmWidth == scaled_size_.cx && bitmap.bmHeight == scaled_size_.cy) return;

  // Another DPI: scaled once here, smoothly (HALFTONE), then copied as it is at each paint.
  const HDC screen = GetDC(nullptr);
  UniqueBitmap scaled(CreateCompatibleBitmap(screen, scaled_size_.cx, scaled_size_.cy));
  const UniqueMemoryDc source(CreateCompatibleDC(screen));
  const UniqueMemoryDc target(CreateCompatibleDC(screen));
  ReleaseDC(nullptr, screen);
  if (!scaled || !source || !target) return;
  {
    const SelectedObject from(source.get(), picture_.get());
    const SelectedObject to(target.get(), scaled.get());
    SetStretchBltMode(target.get(), HALFTONE);
    SetBrushOrgEx(target.get(), 0, 0, nullptr);
    StretchBlt(target.get(), 0, 0, scaled_size_.cx, scaled_size_.cy, source.get(), 0, 0,
               bitmap.bmWidth, bitmap.bmHeight, SRCCOPY);
  }
  scaled_picture_ = std::move(scaled);
}

void WizardWindow::LoadIcons() noexcept {
  UniqueIcon big = LoadIconOfSize(instance_, IDI_SETUP, SystemMetric(SM_CXICON, dpi_),
                                  SystemMetric(SM_CYICON, dpi_));
  UniqueIcon small = LoadIconOfSize(instance_, IDI_SETUP, SystemMetric(SM_CXSMICON, dpi_),
                                    SystemMetric(SM_CYSMICON, dpi_));
  if (!big && !small) return;  // no icon in this program
  SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big.get()));
  SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small.get()));
  // The window no longer shows the old ones.
  big_icon_ = std::move(big);
  small_icon_ = std::move(small);
}

HWND WizardWindow::Item(Control control) const noexcept {
  if (control == Control::Form1) return window_;
  const ControlWindow* item = Find(control);
  return item != nullptr ? item->handle : nullptr;
}

const WizardWindow::ControlWindow* WizardWindow::Find(Control control) const noexcept {
  for (const ControlWindow& item : items_) {
    if (item.layout->id == control) return &item;
  }
  return nullptr;
}

const WizardWindow::ControlWindow* WizardWindow::Find(HWND handle) const noexcept {
  if (handle == nullptr) return nullptr;
  for (const ControlWindow& item : items_) {
    if (item.handle == handle) return &item;
  }
  return nullptr;
}

HBRUSH WizardWindow::BrushFor(layout::Rgb colour) noexcept {
  const COLORREF wanted = ToColorRef(colour);
  for (const BrushEntry& entry : brushes_) {
    if (entry.colour == wanted) return entry.handle.get();
  }
  brushes_.push_back({wanted, UniqueBrush(CreateSolidBrush(wanted))});
  return brushes_.back().handle.get();
}

void WizardWindow::Show(int show_command, Control focus) noexcept {
  last_focus_ = Item(focus);
  ShowWindow(window_, show_command);  // the activation gives last_focus_ the focus
  if (last_focus_ != nullptr) MoveFocus(last_focus_);
  UpdateWindow(window_);
}

void WizardWindow::SetVisible(Control control, bool visible) noexcept {
  const HWND handle = Item(control);
  if (handle == nullptr || handle == window_) return;
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

void WizardWindow::Paint(HDC dc) noexcept {
  RECT client{};
  GetClientRect(window_, &client);
  FillRect(dc, &client, BrushFor(layout::Window().back));
  // The windowless controls of the form: the picture and the line.
  for (const ControlLayout& control : layout::Controls()) {
    if (control.parent != Control::Form1) continue;
    const RECT rect = PixelRect(control, dpi_);
    if (control.kind == Kind::kImage && picture_) {
      // Scaled for this DPI, or at its own size where that is the size asked for.
      const HBITMAP shown = scaled_picture_ ? scaled_picture_.get() : picture_.get();
      const UniqueMemoryDc source(CreateCompatibleDC(dc));
      if (!source) continue;
      const SelectedObject selected(source.get(), shown);
      BitBlt(dc, rect.left, rect.top, scaled_size_.cx, scaled_size_.cy, source.get(), 0, 0,
             SRCCOPY);
    } else if (control.kind == Kind::kLine) {
      const COLORREF colour =
          control.fore != nullptr ? ToColorRef(*control.fore) : GetSysColor(COLOR_WINDOWTEXT);
      const UniquePen pen(CreatePen(PS_SOLID, std::max(1, ScalePixels(1, dpi_)), colour));
      const SelectedObject selected(dc, pen.get());
      MoveToEx(dc, rect.left, rect.top, nullptr);
      LineTo(dc, rect.right, rect.bottom);
    }
  }
}

LRESULT WizardWindow::ControlColour(UINT message, HDC dc, HWND control) noexcept {
  // The system's colours first; the layout's, where it has some, over them.
  const LRESULT system = DefWindowProcW(window_, message, reinterpret_cast<WPARAM>(dc),
                                        reinterpret_cast<LPARAM>(control));
  const ControlWindow* item = Find(control);
  if (item == nullptr) item = Find(GetParent(control));  // the list of a drop-down list
  if (item == nullptr) return system;
  const ControlLayout& layout = *item->layout;
  if (layout.fore != nullptr) SetTextColor(dc, ToColorRef(*layout.fore));
  if (layout.back == nullptr) return system;
  SetBkColor(dc, ToColorRef(*layout.back));
  return reinterpret_cast<LRESULT>(BrushFor(*layout.back));
}

LRESULT WizardWindow::DrawItem(const DRAWITEMSTRUCT& item) noexcept {
  const ControlWindow* found = Find(item.hwndItem);
  if (found == nullptr) return FALSE;
  const ControlLayout& control = *found->layout;
  const COLORREF text =
      control.fore != nullptr ? ToColorRef(*control.fore) : GetSysColor(COLOR_BTNTEXT);
  if (control.kind == Kind::kButton) {
    const HBRUSH face =
        control.back != nullptr ? BrushFor(*control.back) : GetSysColorBrush(COLOR_BTNFACE);
    DrawButton(item, face, text, dpi_);
    return TRUE;
  }
  if (control.kind == Kind::kLabel) {
    const HBRUSH back = control.back != nullptr && !Has(control, layout::kTransparent)
                            ? BrushFor(*control.back)
                            : nullptr;
    DrawLabel(item, back, text, Has(control, layout::kCentred));
    return TRUE;
  }
  return FALSE;
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
      if (LOWORD(wparam) == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus != nullptr && IsChild(window, focus)) last_focus_ = focus;
      } else if (HIWORD(wparam) == 0) {  // not minimised
        if (const HWND focus = FocusToRestore()) {
          SetFocus(focus);
          return 0;
        }
      }
      break;
    case WM_SETFOCUS:
      if (const HWND focus = FocusToRestore()) SetFocus(focus);
      return 0;
    case WM_NEXTDLGCTL:
      // From a multi-line edit box on Tab: the next control, or the one given.
      MoveFocus(LOWORD(lparam) != 0 ? reinterpret_cast<HWND>(wparam)
                                    : GetNextDlgTabItem(window, GetFocus(), wparam != 0));
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
