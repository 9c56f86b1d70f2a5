// The wizard's window laid out for a DPI: the controls' places and sizes, the fonts, the picture
// and the icons.

#include <windows.h>
// After windows.h, which it needs.
#include <commctrl.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/win32/system_function_win.h"
#include "resource.h"
#include "window_parts_win.h"
#include "wizard/win32/controls_win.h"
#include "wizard/win32/dpi_win.h"
#include "wizard/win32/window_win.h"

namespace tgw::win32 {

namespace {

using layout::ControlLayout;
using layout::Kind;

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

// The picture of the resources (IDB_IMAGE1), as a bitmap to copy and scale from. The resource is
// run-length encoded (BI_RLE8, see make-pictures.sh), which LoadImage and CreateDIBSection do not
// take; StretchDIBits draws it, one to one, into a 32-bit bitmap made for it. Null when the
// resource is missing or not a whole bitmap.
UniqueBitmap LoadPicture(HINSTANCE instance) noexcept {
  const HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(IDB_IMAGE1), RT_BITMAP);
  const HGLOBAL loaded = found != nullptr ? LoadResource(instance, found) : nullptr;
  const auto* info =
      loaded != nullptr ? static_cast<const BITMAPINFO*>(LockResource(loaded)) : nullptr;
  const DWORD size = found != nullptr ? SizeofResource(instance, found) : 0;
  if (info == nullptr || size < sizeof(BITMAPINFOHEADER)) return {};
  const BITMAPINFOHEADER& header = info->bmiHeader;
  const DWORD colours = header.biBitCount > 8   ? 0
                        : header.biClrUsed != 0 ? header.biClrUsed
                                                : DWORD{1} << header.biBitCount;
  const DWORD bits_offset = header.biSize + colours * sizeof(RGBQUAD);
  if (header.biSize < sizeof(BITMAPINFOHEADER) || colours > 256 || header.biWidth <= 0 ||
      header.biHeight <= 0 || bits_offset > size) {
    return {};
  }
  BITMAPINFO target{};
  target.bmiHeader = {
      sizeof(BITMAPINFOHEADER), header.biWidth, header.biHeight, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
  void* pixels = nullptr;
  UniqueBitmap bitmap(CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &pixels, nullptr, 0));
  const UniqueMemoryDc dc(CreateCompatibleDC(nullptr));
  if (!bitmap || !dc) return {};
  const SelectedObject selected(dc.get(), bitmap.get());
  const int drawn = StretchDIBits(
      dc.get(), 0, 0, header.biWidth, header.biHeight, 0, 0, header.biWidth, header.biHeight,
      reinterpret_cast<const BYTE*>(info) + bits_offset, info, DIB_RGB_COLORS, SRCCOPY);
  return drawn > 0 ? std::move(bitmap) : UniqueBitmap();
}

}  // namespace

void WizardWindow::ApplyDpi(UINT dpi, const RECT* suggested) noexcept {
  dpi_ = dpi;
  // The old fonts stay until every control has its new one.
  const Fonts old_fonts = std::exchange(fonts_, MakeFonts(dpi));
  for (const ControlWindow& item : items_) {
    if (item.handle != nullptr) PlaceControl(item);  // the others are made for dpi_
  }
  FitToDpi(suggested);
}

void WizardWindow::PlaceControl(const ControlWindow& item) noexcept {
  SendMessageW(item.handle, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(item.layout->font)),
               FALSE);
  SizeControl(item);
}

void WizardWindow::SizeControl(const ControlWindow& item) noexcept {
  const ControlLayout& control = *item.layout;
  const RECT rect = PixelRect(control, dpi_);
  const int height = rect.bottom - rect.top;
  const bool list = control.kind == Kind::kComboBox;
  // A drop-down list is given the height with its list dropped; its field is fitted after.
  SetWindowPos(item.handle, nullptr, rect.left, rect.top, rect.right - rect.left,
               list ? height + DroppedListHeight(item.handle) : height,
               SWP_NOZORDER | SWP_NOACTIVATE);
  if (list) FitSelectionField(item.handle, height);
}

void WizardWindow::FitToDpi(const RECT* suggested) noexcept {
  const UINT dpi = dpi_;
  ScalePicture();
  LoadIcons();

  const layout::WindowLayout& form = layout::Window();
  const int client_width = TwipsToPixels(form.client_width, dpi);
  const int client_height = TwipsToPixels(form.client_height, dpi);
  const RECT outer =
      WindowRectForClient(client_width, client_height, kWindowStyle, kWindowExStyle, dpi);
  RECT now{};
  GetWindowRect(window_, &now);
  if (suggested != nullptr) {
    SetWindowPos(window_, nullptr, suggested->left, suggested->top, outer.right, outer.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (now.right - now.left != outer.right || now.bottom - now.top != outer.bottom) {
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
  // A window not shown yet is painted whole when it is.
  if (IsWindowVisible(window_)) {
    RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}

WizardWindow::Fonts WizardWindow::MakeFonts(UINT dpi) const noexcept {
  Fonts fonts;
  const auto add = [&fonts, dpi](const layout::Font* font) {
    for (const FontEntry& entry : fonts) {
      if (entry.font == font) return;
    }
    fonts.push_back({font, MakeFont(*font, dpi)});
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
  return fonts_.empty() ? nullptr : fonts_.begin()->handle.get();
}

int WizardWindow::DroppedListHeight(HWND combo) const noexcept {
  return DroppedListHeight(SendMessageW(combo, CB_GETCOUNT, 0, 0),
                           SendMessageW(combo, CB_GETITEMHEIGHT, 0, 0));
}

int WizardWindow::DroppedListHeight(LRESULT entries, LRESULT entry_height) const noexcept {
  return static_cast<int>(std::max<LRESULT>(entries, 1) * std::max<LRESULT>(entry_height, 1)) +
         ScalePixels(4, dpi_);
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
  if (!picture_) picture_ = LoadPicture(instance_);
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

}  // namespace tgw::win32
