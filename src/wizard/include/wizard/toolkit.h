#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "wizard/control.h"

namespace tgw {

// The message boxes the wizard shows.
enum class MessageKind : std::uint8_t {
  kExitQuestion,  // Yes and No, Yes the default, with the information icon
  kWarning,       // OK, with the exclamation icon
};

// The button that closed a message box; kNo too when no box could be shown.
enum class MessageAnswer : std::uint8_t { kYes, kNo, kOk };

// The window toolkit as the wizard and the installation run see it. Every call
// runs on the one user-interface thread.
class Toolkit {
 public:
  virtual ~Toolkit() = default;

  // Labels, frames (page titles), buttons and the check box. Shows at the next pump.
  virtual void SetCaption(Control control, std::wstring_view caption) = 0;
  // A caption that changes many times a second (the file being copied): the toolkit may show it a
  // moment later (a tenth of a second at most), and skip one that a later caption replaced.
  virtual void SetCaptionSoon(Control control, std::wstring_view caption) {
    SetCaption(control, caption);
  }
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

  // Modal message box over the window.
  virtual MessageAnswer MsgBox(std::wstring_view prompt, std::wstring_view title,
                               MessageKind kind) = 0;
  // Handles queued repaints and input, then returns. Handlers may run inside.
  virtual void PumpEvents() = 0;
  // As PumpEvents, then sleeps until new input arrives or `seconds` have passed,
  // so that a wait does not spin the processor.
  virtual void WaitEvents(double seconds) = 0;
};

}  // namespace tgw
