#include "wizard/win32/toolkit_win.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "wizard/win32/controls_win.h"

namespace tgw::win32 {

void Win32Toolkit::SetCaption(Control control, std::wstring_view caption) {
  if (soon_.control == control) soon_.due = false;  // replaced before it was shown
  window_.SetText(control, caption);
}

// Each caption is a round trip to the window server and a repaint (under Wine, half a millisecond
// and more), so a caption that changes faster than anyone can read is shown ten times a second: at
// once when kSoonMs have passed since the last one, else by a timer when they have.
void Win32Toolkit::SetCaptionSoon(Control control, std::wstring_view caption) {
  if (soon_.control != control) ShowSoonCaption();
  soon_.control = control;
  soon_.text.assign(caption);
  soon_.due = true;
  const ULONGLONG since = GetTickCount64() - soon_.shown_at;
  if (since >= kSoonMs) {
    ShowSoonCaption();
  } else if (!soon_.timer) {
    soon_.timer = SetTimer(window_.handle(), reinterpret_cast<UINT_PTR>(this),
                           static_cast<UINT>(kSoonMs - since), &Win32Toolkit::OnSoonTimer) != 0;
  }
}

void Win32Toolkit::ShowSoonCaption() {
  if (!soon_.due) return;
  soon_.due = false;
  soon_.shown_at = GetTickCount64();
  window_.SetText(soon_.control, soon_.text);
}

void CALLBACK Win32Toolkit::OnSoonTimer(HWND window, UINT, UINT_PTR id, DWORD) noexcept {
  KillTimer(window, id);
  auto* const toolkit = reinterpret_cast<Win32Toolkit*>(id);
  toolkit->soon_.timer = false;
  toolkit->ShowSoonCaption();
}

std::wstring Win32Toolkit::GetText(Control control) {
  if (soon_.control == control) ShowSoonCaption();
  return window_.Text(control);
}

void Win32Toolkit::SetText(Control control, std::wstring_view text) {
  window_.SetText(control, text);
}

void Win32Toolkit::SetVisible(Control control, bool visible) {
  ShowSoonCaption();  // a page shows with its captions
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
  ShowSoonCaption();  // what the box stands over is up to date
  const std::wstring text(prompt);
  const std::wstring caption(title);
  return AnswerOf(
      MessageBoxW(window_.handle(), text.c_str(), caption.c_str(), MessageBoxStyle(kind)));
}

void Win32Toolkit::PumpEvents() {
  MSG message{};
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
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
