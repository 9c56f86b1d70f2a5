#pragma once

// The wizard's window, made from the layout data: the main window, the page frames and every
// control on them, laid out for the DPI of the monitor the window is on.

#include <windows.h>

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "platform/error.h"
#include "platform/win32/handles.h"
#include "wizard/control.h"
#include "wizard/layout.h"

namespace tgw::win32 {

// A list of at most N values, kept in its owner: nothing to allocate, nothing that can fail but
// a full list (push_back says so).
template <typename T, std::size_t N>
class FixedList {
 public:
  bool push_back(T value) noexcept {
    if (size_ == N) return false;
    items_[size_++] = std::move(value);
    return true;
  }
  void clear() noexcept {
    for (T& item : *this) item = T();
    size_ = 0;
  }
  bool empty() const noexcept { return size_ == 0; }
  std::size_t size() const noexcept { return size_; }
  T& back() noexcept { return items_[size_ - 1]; }
  T* begin() noexcept { return items_.data(); }
  T* end() noexcept { return items_.data() + size_; }
  const T* begin() const noexcept { return items_.data(); }
  const T* end() const noexcept { return items_.data() + size_; }

 private:
  std::array<T, N> items_{};
  std::size_t size_ = 0;
};

// What the user does with the window. Called on the window's thread, also from inside a handler
// that pumps messages (re-entrantly).
class WindowEvents {
 public:
  virtual ~WindowEvents() = default;
  // A push button (Command1 ... Command4) was clicked: mouse, Space, Enter or BM_CLICK.
  virtual void Clicked(Control button) = 0;
  // The user chose another entry of a list (CBN_SELCHANGE); not for SetListIndex.
  virtual void ListChanged(Control list) = 0;
  // The user closes the window through its frame (close box, Alt+F4, system menu). The window
  // stays; ending the program is up to the handler.
  virtual void CloseRequested() = 0;
};

// The main window and its controls. Every control window has its Control value as its ID: the
// frames and the controls on the form are children of the main window, the controls of a page
// are children of its frame (EnumChildWindows on the main window finds them all). Image1 and
// Line1 are no windows: the main window paints them.
//
// What the first look shows is made first; the hidden pages and text boxes are made once the
// window is shown and painted (a message it posts itself), or before then when one is asked
// for: each window takes a few round trips to the window server, which would hold back the
// first picture of the window. A text set before its control's window is made is kept and given
// to the window as it is made.
class WizardWindow {
 public:
  // `instance` holds the resources (the icon and the picture); without them the window has no
  // icon and no picture.
  explicit WizardWindow(HINSTANCE instance) noexcept;
  ~WizardWindow();
  WizardWindow(const WizardWindow&) = delete;
  WizardWindow& operator=(const WizardWindow&) = delete;

  // Makes the window and the controls of its first look, hidden; the system's error when one
  // could not be made.
  Status Create() noexcept;
  // Without events, closing through the frame destroys the window.
  void SetEvents(WindowEvents* events) noexcept { events_ = events; }

  HWND handle() const noexcept { return window_; }
  // The window of a control, made now if it was not yet: the main window for Form1; null for the
  // painted Image1 and Line1, and when it cannot be made.
  HWND Item(Control control) noexcept;
  // Why a window made after Create could not be; the message loop then ended.
  const std::optional<Error>& failure() const noexcept { return failure_; }
  // The DPI the window is laid out for.
  UINT dpi() const noexcept { return dpi_; }

  // Shows the window and gives `focus` the keyboard focus; the other windows are made after.
  void Show(int show_command, Control focus) noexcept;
  // Shows or hides a control (a frame with all on it). When that hides the focus, it moves to
  // the next control that can take it.
  void SetVisible(Control control, bool visible) noexcept;
  // A control's text: its window's, or the one it is to be given (at first, the layout's).
  std::wstring Text(Control control) const;
  // Gives a control `text`; a window is repainted at the next pump.
  void SetText(Control control, std::wstring_view text);
  // One message through the dialog manager (Tab, Shift+Tab, Space, Enter) or, when it is not
  // for that, translated and dispatched.
  void Dispatch(MSG& message) noexcept;
  // Dispatches messages until WM_QUIT; returns its exit code.
  int RunMessageLoop() noexcept;

 private:
  struct ControlWindow {
    const layout::ControlLayout* layout = nullptr;
    HWND handle = nullptr;  // null until made
    // The text the control has and its window not (yet): set before the window was made, or a
    // hidden text box's (see CreateControl). None: the window's text is the control's.
    std::optional<std::wstring> text;
  };
  struct FontEntry {
    const layout::Font* font;
    UniqueFont handle;
  };
  struct BrushEntry {
    COLORREF colour;
    UniqueBrush handle;
  };

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam,
                                     LPARAM lparam) noexcept;
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) noexcept;

  // Makes the windows not made yet, each in its place in the tab order; when one cannot be made,
  // keeps the system's error in failure_ and ends the message loop.
  void MakeTheRest() noexcept;
  bool CreateControl(ControlWindow& item) noexcept;
  // The window of a control if it was made.
  HWND Made(Control control) const noexcept;
  // Sizes, positions, fonts, picture and icons for `dpi`; the window keeps its place, or takes
  // `suggested` (WM_DPICHANGED).
  void ApplyDpi(UINT dpi, const RECT* suggested) noexcept;
  // A control's font, then its place and size (SizeControl) for dpi_.
  void PlaceControl(const ControlWindow& item) noexcept;
  void SizeControl(const ControlWindow& item) noexcept;
  // The picture, the icons and the window's size for dpi_, as ApplyDpi.
  void FitToDpi(const RECT* suggested) noexcept;
  // Every control has at most one font and one colour of its own.
  using Fonts = FixedList<FontEntry, layout::kMaxControls + 1>;
  using Brushes = FixedList<BrushEntry, layout::kMaxControls + 1>;
  Fonts MakeFonts(UINT dpi) const noexcept;
  // What a drop-down list's window adds below its field for the list when dropped.
  int DroppedListHeight(HWND combo) const noexcept;
  int DroppedListHeight(LRESULT entries, LRESULT entry_height) const noexcept;
  // Makes a drop-down list's selection field `height` high.
  void FitSelectionField(HWND combo, int height) noexcept;
  void ScalePicture() noexcept;
  void LoadIcons() noexcept;

  const ControlWindow* Find(Control control) const noexcept;
  ControlWindow* Find(Control control) noexcept;
  const ControlWindow* Find(HWND handle) const noexcept;
  HFONT FontFor(const layout::Font* font) const noexcept;
  HBRUSH BrushFor(layout::Rgb colour) noexcept;

  void Paint(HDC dc) noexcept;
  LRESULT ControlColour(UINT message, HDC dc, HWND control) noexcept;
  LRESULT DrawItem(const DRAWITEMSTRUCT& item) noexcept;
  void Command(WPARAM wparam, LPARAM lparam) noexcept;
  void MoveFocus(HWND to) noexcept;
  HWND FocusToRestore() const noexcept;
  // WM_ACTIVATE: keeps the focus on deactivation, gives it back on activation; true when it gave
  // it back (the message is then answered).
  bool Activate(WPARAM wparam) noexcept;

  HINSTANCE instance_;
  HWND window_ = nullptr;
  WindowEvents* events_ = nullptr;
  UINT dpi_ = 0;
  // Every control with a window, in rising tab order (every frame's tab comes before those of
  // the controls on it).
  FixedList<ControlWindow, layout::kMaxControls> items_;
  bool making_ = false;  // in MakeTheRest
  std::optional<Error> failure_;
  Fonts fonts_;
  Brushes brushes_;
  UniqueBitmap picture_;         // as loaded
  UniqueBitmap scaled_picture_;  // at the size for dpi_
  SIZE scaled_size_{};
  UniqueIcon big_icon_, small_icon_;
  HWND last_focus_ = nullptr;   // the control to give the focus back to on activation
  bool quiet_destroy_ = false;  // destroyed by the destructor: no WM_QUIT
};

}  // namespace tgw::win32
