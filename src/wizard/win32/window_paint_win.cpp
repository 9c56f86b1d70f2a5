// The wizard's window painted: its background, picture and line, the colours of its controls and
// the owner-drawn buttons and labels.

#include <algorithm>

#include "window_parts_win.h"
#include "wizard/win32/controls_win.h"
#include "wizard/win32/dpi_win.h"
#include "wizard/win32/window_win.h"

namespace tgw::win32 {

namespace {

using layout::ControlLayout;
using layout::Kind;

COLORREF ToColorRef(layout::Rgb colour) noexcept { return RGB(colour.r, colour.g, colour.b); }

}  // namespace

HBRUSH WizardWindow::BrushFor(layout::Rgb colour) noexcept {
  const COLORREF wanted = ToColorRef(colour);
  for (const BrushEntry& entry : brushes_) {
    if (entry.colour == wanted) return entry.handle.get();
  }
  if (!brushes_.push_back({wanted, UniqueBrush(CreateSolidBrush(wanted))})) return nullptr;
  return brushes_.back().handle.get();
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

}  // namespace tgw::win32
