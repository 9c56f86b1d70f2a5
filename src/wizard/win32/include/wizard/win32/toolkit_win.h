#pragma once

#include "wizard/toolkit.h"
#include "wizard/win32/window_win.h"

namespace tgw::win32 {

// The toolkit over the wizard's window. Captions and texts are window texts; what changes shows
// when messages are next pumped (PumpEvents, WaitEvents or the message loop), which is also where
// the window's handlers run again.
class Win32Toolkit final : public Toolkit {
 public:
  explicit Win32Toolkit(WizardWindow& window) noexcept : window_(window) {}
  ~Win32Toolkit() override { KillTimer(window_.handle(), reinterpret_cast<UINT_PTR>(this)); }
  Win32Toolkit(const Win32Toolkit&) = delete;
  Win32Toolkit& operator=(const Win32Toolkit&) = delete;

  void SetCaption(Control control, std::wstring_view caption) override;
  void SetCaptionSoon(Control control, std::wstring_view caption) override;
  std::wstring GetText(Control control) override;
  void SetText(Control control, std::wstring_view text) override;
  void SetVisible(Control control, bool visible) override;
  // CB_GETCURSEL / CB_SETCURSEL; setting sends no CBN_SELCHANGE, so no handler runs.
  std::int16_t GetListIndex(Control control) override;
  void SetListIndex(Control control, std::int16_t index) override;
  int GetCheckValue(Control control) override;
  // The bar shows the value rounded to a whole percent; Get returns the value as set.
  void SetBarValue(Control control, float value) override;
  float GetBarValue(Control control) override;
  // MessageBoxW over the window, in the style MessageBoxStyle gives the kind.
  MessageAnswer MsgBox(std::wstring_view prompt, std::wstring_view title,
                       MessageKind kind) override;
  void PumpEvents() override;
  void WaitEvents(double seconds) override;

 private:
  struct BarValue {
    Control control;
    float value;
  };

  // The caption SetCaptionSoon holds back until kSoonMs have passed since the last one it showed.
  struct SoonCaption {
    Control control{};
    bool due = false;
    bool timer = false;  // its timer is set
    ULONGLONG shown_at = 0;
    std::wstring text;
  };
  // Ten captions a second: a name shown for less than a tenth of a second cannot be read.
  static constexpr ULONGLONG kSoonMs = 100;

  void ShowSoonCaption();
  static void CALLBACK OnSoonTimer(HWND window, UINT message, UINT_PTR id, DWORD time) noexcept;

  WizardWindow& window_;
  SoonCaption soon_;
  FixedList<BarValue, layout::kMaxControls> bar_values_;  // the last value set of each bar
};

// MessageBoxW's style for a kind of message: MB_YESNO | MB_ICONINFORMATION (68) for the exit
// question, MB_OK | MB_ICONEXCLAMATION (48) for a warning.
UINT MessageBoxStyle(MessageKind kind) noexcept;
// The answer MessageBoxW's result stands for: IDYES, IDOK, and kNo for anything else (IDNO, or 0
// when no box could be shown).
MessageAnswer AnswerOf(int result) noexcept;

}  // namespace tgw::win32
