#include "wizard/win32/toolkit_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "wizard/win32/controls_win.h"

namespace tgw::win32 {

void Win32Toolkit::SetCaption(Control control, std::wstring_view caption) {
  // A label repaints itself as it takes a text (under Wine, a dozen calls to its server and to the
  // X server each time). With its redrawing off meanwhile, it is painted at a pump instead, with
  // every other label changed since, at most once a frame (PumpEvents). Only a control shown by
  // itself is so set: turning redrawing on shows it.
  const HWND handle = window_.Item(control);
  const bool shown = handle != nullptr && (GetWindowLongPtrW(handle, GWL_STYLE) & WS_VISIBLE) != 0;
  if (shown) SendMessageW(handle, WM_SETREDRAW, FALSE, 0);
  window_.SetText(control, caption);
  if (shown) {
    SendMessageW(handle, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(handle, nullptr, FALSE);  // what was invalidated meanwhile was not kept
  }
}

std::wstring Win32Toolkit::GetText(Control control) { return window_.Text(control); }

void Win32Toolkit::SetText(Control control, std::wstring_view text) {
  window_.SetText(control, text);
}

void Win32Toolkit::SetVisible(Control control, bool visible) {
  window_.SetVisible(control, visible);
}

std::int16_t Win32Toolkit::GetListIndex(Control control) {
  const HWND handle = window_.Item(control);
  if (handle == nullptr) return -1;
  const LRESULT index = SendMessageW(handle, CB_GETCURSEL, 0, 0);
  return index < 0 || index > INT16_MAX ? std::int16_t{-1} : static_cast<std::int16_t>(index);
}

void Win32Toolkit::SetListIndex(Control control, std::int16_t index) {
  if (const HWND handle = window_.Item(control)) {
    SendMessageW(handle, CB_SETCURSEL, static_cast<WPARAM>(index), 0);  // -1: none
  }
}

int Win32Toolkit::GetCheckValue(Control control) {
  const HWND handle = window_.Item(control);
  return handle != nullptr ? static_cast<int>(SendMessageW(handle, BM_GETCHECK, 0, 0)) : 0;
}

void Win32Toolkit::SetBarValue(Control control, float value) {
  BarValue* found = nullptr;
  for (BarValue& bar : bar_values_) {
    if (bar.control == control) found = &bar;
  }
  if (found != nullptr) {
    found->value = value;
  } else {
    bar_values_.push_back({control, value});  // room for every control
  }
  if (const HWND handle = window_.Item(control)) {
    // Within 0 to 100 (not a number: 0), rounded half up.
    const float shown = value > 0.0F ? (value < 100.0F ? value : 100.0F) : 0.0F;
    SendMessageW(handle, PBM_SETPOS, static_cast<WPARAM>(shown + 0.5F), 0);
  }
}

float Win32Toolkit::GetBarValue(Control control) {
  for (const BarValue& bar : bar_values_) {
    if (bar.control == control) return bar.value;
  }
  return 0.0F;
}

MessageAnswer Win32Toolkit::MsgBox(std::wstring_view prompt, std::wstring_view title,
                                   MessageKind kind) {
  const std::wstring text(prompt);
  const std::wstring caption(title);
  return AnswerOf(
      MessageBoxW(window_.handle(), text.c_str(), caption.c_str(), MessageBoxStyle(kind)));
}

void Win32Toolkit::PumpEvents() {
  // Painting is what a pump costs most (under Wine, a dozen calls to its server and to the X
  // server). Pumps in quick succession (the run between files, were it not for its pauses) paint
  // at most once a frame; every other message is handled at each pump.
  constexpr ULONGLONG kFrameMs = 16;
  static ULONGLONG last_paint = 0;
  const ULONGLONG now = GetTickCount64();
  const bool paint = now - last_paint >= kFrameMs;
  if (paint) last_paint = now;
  const UINT remove =
      paint ? PM_REMOVE : PM_REMOVE | PM_QS_INPUT | PM_QS_POSTMESSAGE | PM_QS_SENDMESSAGE;
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, remove)) {
    if (message.message == WM_QUIT) {
      // For the message loop, once the handler that pumps has returned.
      PostQuitMessage(static_cast<int>(message.wParam));
      return;
    }
    window_.Dispatch(message);
  }
}

void Win32Toolkit::WaitEvents(double seconds) {
  PumpEvents();
  // Whole milliseconds, rounded up so that a wait is never cut short; at most a day.
  constexpr double kLongestMs = 86'400'000.0;
  const double ms = seconds > 0.0 ? std::min(seconds * 1000.0, kLongestMs) : 0.0;
  auto whole = static_cast<DWORD>(ms);
  if (whole < ms) ++whole;
  MsgWaitForMultipleObjectsEx(0, nullptr, whole, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  PumpEvents();
}

UINT MessageBoxStyle(MessageKind kind) noexcept {
  switch (kind) {
    case MessageKind::kExitQuestion:
      return MB_YESNO | MB_ICONINFORMATION;
    case MessageKind::kWarning:
      break;
  }
  return MB_OK | MB_ICONEXCLAMATION;
}

MessageAnswer AnswerOf(int result) noexcept {
  switch (result) {
    case IDYES:
      return MessageAnswer::kYes;
    case IDOK:
      return MessageAnswer::kOk;
    default:
      return MessageAnswer::kNo;
  }
}

}  // namespace tgw::win32
