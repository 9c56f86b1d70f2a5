#pragma once

// The pieces the wizard window is made of beyond the system's own controls: the page frame (a
// window class of ours), the drawing of owner-drawn buttons and labels, and small GDI helpers.

#include <windows.h>

#include <string>

#include "platform/win32/handles.h"

namespace tgw::win32 {

// Selects a GDI object into a device context and puts the old one back when it goes.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) noexcept : dc_(dc), old_(SelectObject(dc, object)) {}
  ~SelectedObject() {
    if (old_ != nullptr && old_ != HGDI_ERROR) SelectObject(dc_, old_);
  }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ old_;
};

// A bitmap to draw a control into, copied to `target` at `area` when it goes: the control then
// changes on the screen in one step, without showing its background alone first. Draws straight
// into `target` when no bitmap could be made.
class OffscreenPaint {
 public:
  OffscreenPaint(HDC target, const RECT& area) noexcept;
  ~OffscreenPaint();
  OffscreenPaint(const OffscreenPaint&) = delete;
  OffscreenPaint& operator=(const OffscreenPaint&) = delete;

  // Has the same coordinates as `target`.
  HDC dc() const noexcept { return memory_ ? memory_.get() : target_; }

 private:
  HDC target_;
  RECT area_;
  UniqueMemoryDc memory_;
  UniqueBitmap bitmap_;
  HGDIOBJ old_bitmap_ = nullptr;
};

// Answers WM_PAINT: `paint(dc)` paints the window's client area, in client coordinates, into an
// off-screen bitmap of the part to repaint.
template <typename Paint>
void PaintOffscreen(HWND window, Paint&& paint) noexcept {
  PAINTSTRUCT painting{};
  if (const HDC dc = BeginPaint(window, &painting)) {
    const OffscreenPaint offscreen(dc, painting.rcPaint);
    paint(offscreen.dc());
  }
  EndPaint(window, &painting);
}

// A window's text, of any length.
std::wstring WindowText(HWND window);

// The page frame: a child window whose text is the page's title, drawn like a group box (an
// etched border, the title at its top left) on the brush its parent gives for WM_CTLCOLORSTATIC.
// The controls of the page are its children: hiding the frame hides them. It passes the
// notifications of its children (WM_COMMAND, WM_CTLCOLOR..., WM_DRAWITEM, WM_NOTIFY, ...) on to
// its parent, keeps the font sent with WM_SETFONT, and answers WM_PRINTCLIENT.
inline constexpr wchar_t kFrameClass[] = L"TagwrightFrame";
// Registers the frame class; true when it is registered (also from before).
bool RegisterFrameClass(HINSTANCE instance) noexcept;

// Paints the part of `control`'s parent that lies under it into `dc` (in the control's client
// coordinates) through WM_PRINTCLIENT: what a see-through control shows behind its text.
void PrintParentBackground(HWND control, HDC dc) noexcept;

// An owner-drawn push button: `face` filled, raised edge (sunken while pushed), the caption
// centred on one line without access keys, the focus rectangle while it has the focus.
void DrawButton(const DRAWITEMSTRUCT& item, HBRUSH face, COLORREF text, UINT dpi) noexcept;

// An owner-drawn label (SS_OWNERDRAW): its text wrapped at word ends, without access keys, on
// `back`, or over its parent's painting when `back` is null.
void DrawLabel(const DRAWITEMSTRUCT& item, HBRUSH back, COLORREF text, bool centred) noexcept;

}  // namespace tgw::win32
