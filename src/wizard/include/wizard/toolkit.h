#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "wizard/control.h"

namespace tgw {

// The window toolkit as the wizard and the installation run see it. Every call
// runs on the one user-interface thread.
class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Labels, frames (page titles), buttons and the check box. Shows at the next pump.
  virtual void SetCaption(Control control, std::wstring_view caption) = 0;
  // Text boxes.
  virtual std::wstring GetText(Control control) = 0;
  virtual void SetText(Control control, std::wstring_view text) = 0;
  // Frames: hiding a page hides everything on it.
  virtual void SetVisible(Control control, bool visible) = 0;
  // The language list; -1 means nothing is selected.
  virtual std::int16_t GetListIndex(Control control) = 0;
  virtual void SetListIndex(Control control, std::int16_t index) = 0;
  // The check box: 0 unchecked, 1 checked, 2 greyed.
  virtual int GetCheckValue(Control control) = 0;
  // The progress bar, 0 to 100; get returns the value last set.
  virtual void SetBarValue(Control control, float value) = 0;
  virtual float GetBarValue(Control control) = 0;

  // Modal message box; returns 6 for Yes and 7 for No with buttons 68, 1 for OK.
  virtual int MsgBox(std::wstring_view prompt, std::wstring_view title, int buttons) = 0;
  // Handles queued repaints and input, then returns. Handlers may run inside.
  virtual void PumpEvents() = 0;
  // As PumpEvents, then sleeps until new input arrives or `seconds` have passed,
  // so that a wait does not spin the processor.
  virtual void WaitEvents(double seconds) = 0;
};

inline constexpr int kMsgBoxYesNoInformation = 68;
inline constexpr int kMsgBoxOkExclamation = 48;
inline constexpr int kMsgBoxYes = 6;
inline constexpr int kMsgBoxNo = 7;

}  // namespace tgw
