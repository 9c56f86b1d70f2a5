#include "wizard/win32/controls_win.h"

#include <algorithm>

#include "wizard/win32/dpi_win.h"

namespace tgw::win32 {

namespace {

// The frame keeps its font in its window's extra bytes.
constexpr int kFrameFontOffset = 0;

// The frame's look: the brush and text colour its parent gives, as a group box asks for them.
HBRUSH FrameBrush(HWND frame, HDC dc) noexcept {
  const HWND parent = GetParent(frame);
  const auto brush = reinterpret_cast<HBRUSH>(SendMessageW(
      parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(frame)));
  return brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE);
}

void PaintFrame(HWND frame, HDC dc) noexcept {
  const int saved = SaveDC(dc);
  RECT client{};
  GetClientRect(frame, &client);
  const HBRUSH brush = FrameBrush(frame, dc);
  FillRect(dc, &client, brush);

  if (const auto font = reinterpret_cast<HFONT>(GetWindowLongPtrW(frame, kFrameFontOffset))) {
    SelectObject(dc, font);
  }
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  // The border runs through the middle of the title's line.
  RECT border = client;
  border.top += metrics.tmHeight / 2;
  DrawEdge(dc, &border, EDGE_ETCHED, BF_RECT);

  const std::wstring title = WindowText(frame);
  if (!title.empty()) {
    // The title starts one character in; a little space either side of it cuts the border.
    const int indent = std::max<int>(metrics.tmAveCharWidth, 1);
    const int gap = std::max<int>(metrics.tmAveCharWidth / 3, 1);
    RECT text{indent, 0, std::max<int>(client.right - indent, indent), metrics.tmHeight};
    RECT measured = text;
    constexpr UINT kFormat = DT_SINGLELINE | DT_NOPREFIX | DT_LEFT | DT_TOP | DT_END_ELLIPSIS;
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &measured, kFormat | DT_CALCRECT);
    const RECT cut{text.left - gap, 0, std::min(measured.right, text.right) + gap,
                   metrics.tmHeight};
    FillRect(dc, &cut, brush);
    SetBkMode(dc, TRANSPARENT);
    DrawTextW(dc, title.c_str(), static_cast<int>(title.size()), &text, kFormat);
  }
  RestoreDC(dc, saved);
}

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) noexcept {
  switch (message) {
    case WM_SETFONT:
      SetWindowLongPtrW(frame, kFrameFontOffset, static_cast<LONG_PTR>(wparam));
      if (LOWORD(lparam) != 0) InvalidateRect(frame, nullptr, FALSE);
      return 0;
    case WM_GETFONT:
      return GetWindowLongPtrW(frame, kFrameFontOffset);
    case WM_SETTEXT: {
      const LRESULT result = DefWindowProcW(frame, message, wparam, lparam);
      InvalidateRect(frame, nullptr, FALSE);
      return result;
    }
    case WM_ERASEBKGND:
      return 1;  // WM_PAINT paints everything
    case WM_PAINT:
      PaintOffscreen(frame, [frame](HDC dc) { PaintFrame(frame, dc); });
      return 0;
    case WM_PRINTCLIENT:
      PaintFrame(frame, reinterpret_cast<HDC>(wparam));
      return 0;
    // What the controls on the page report goes to the window that handles the whole wizard.
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_COMPAREITEM:
    case WM_DELETEITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_NEXTDLGCTL:
      if (const HWND parent = GetParent(frame)) {
        return SendMessageW(parent, message, wparam, lparam);
      }
      break;
    default:
      break;
  }
  return DefWindowProcW(frame, message, wparam, lparam);
}

}  // namespace

OffscreenPaint::OffscreenPaint(HDC target, const RECT& area) noexcept
    : target_(target), area_(area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return;
  memory_.reset(CreateCompatibleDC(target));
  if (!memory_) return;
  bitmap_.reset(CreateCompatibleBitmap(target, width, height));
  if (!bitmap_) {
    memory_.reset();
    return;
  }
  old_bitmap_ = SelectObject(memory_.get(), bitmap_.get());
  SetViewportOrgEx(memory_.get(), -area.left, -area.top, nullptr);
}

OffscreenPaint::~OffscreenPaint() {
  if (!memory_) return;
  SetViewportOrgEx(memory_.get(), 0, 0, nullptr);
  BitBlt(target_, area_.left, area_.top, area_.right - area_.left, area_.bottom - area_.top,
         memory_.get(), 0, 0, SRCCOPY);
  SelectObject(memory_.get(), old_bitmap_);
}

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  if (length <= 0) return {};
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(copied, 0)));
  return text;
}

bool RegisterFrameClass(HINSTANCE instance) noexcept {
  WNDCLASSEXW frame{};
  frame.cbSize = sizeof frame;
  frame.lpfnWndProc = FrameProc;
  frame.cbWndExtra = sizeof(LONG_PTR);
  frame.hInstance = instance;
  frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  frame.lpszClassName = kFrameClass;
  return RegisterClassExW(&frame) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

void PrintParentBackground(HWND control, HDC dc) noexcept {
  const HWND parent = GetParent(control);
  if (parent == nullptr) return;
  POINT origin{0, 0};
  MapWindowPoints(control, parent, &origin, 1);
  const int saved = SaveDC(dc);
  OffsetViewportOrgEx(dc, -origin.x, -origin.y, nullptr);
  SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  RestoreDC(dc, saved);
}

void DrawButton(const DRAWITEMSTRUCT& item, HBRUSH face, COLORREF text, UINT dpi) noexcept {
  const OffscreenPaint offscreen(item.hDC, item.rcItem);
  const HDC dc = offscreen.dc();
  RECT rect = item.rcItem;
  FillRect(dc, &rect, face);
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  DrawEdge(dc, &rect, pushed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);

  const std::wstring caption = WindowText(item.hwndItem);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
  const SelectedObject selected(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text);
  RECT caption_rect = rect;
  if (pushed) OffsetRect(&caption_rect, ScalePixels(1, dpi), ScalePixels(1, dpi));
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &caption_rect,
            DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);

  if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
    RECT focus = rect;
    InflateRect(&focus, -ScalePixels(2, dpi), -ScalePixels(2, dpi));
    DrawFocusRect(dc, &focus);
  }
}

void DrawLabel(const DRAWITEMSTRUCT& item, HBRUSH back, COLORREF text, bool centred) noexcept {
  const OffscreenPaint offscreen(item.hDC, item.rcItem);
  const HDC dc = offscreen.dc();
  if (back != nullptr) {
    FillRect(dc, &item.rcItem, back);
  } else {
    PrintParentBackground(item.hwndItem, dc);
  }
  const std::wstring caption = WindowText(item.hwndItem);
  const auto font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
  const SelectedObject selected(dc, font != nullptr ? font : GetStockObject(DEFAULT_GUI_FONT));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text);
  RECT rect = item.rcItem;
  DrawTextW(dc, caption.c_str(), static_cast<int>(caption.size()), &rect,
            DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS | (centred ? DT_CENTER : DT_LEFT));
}

}  // namespace tgw::win32
