#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "wizard/layout.h"
#include "wizard/toolkit.h"

namespace tgw::fakes {

// The window as its layout creates it: remembers every control's state and every caption set,
// answers No to every message box, and runs `on_pump` at each pump so a test can click during a
// run.
class FakeToolkit : public Toolkit {
 public:
  FakeToolkit() {
    for (const layout::ControlLayout& control : layout::Controls()) {
      captions[control.id] = texts[control.id] = control.caption;
      visible[control.id] = (control.flags & layout::kHidden) == 0;
    }
  }
  void SetCaption(Control control, std::wstring_view caption) override {
    captions[control] = caption;
    caption_log[control].emplace_back(caption);
  }
  std::wstring GetText(Control control) override { return texts[control]; }
  void SetText(Control control, std::wstring_view text) override { texts[control] = text; }
  void SetVisible(Control control, bool shown) override { visible[control] = shown; }
  std::int16_t GetListIndex(Control) override { return list_index; }
  void SetListIndex(Control, std::int16_t index) override { list_index = index; }
  int GetCheckValue(Control) override { return 1; }  // checked
  void SetBarValue(Control, float value) override { bar = value; }
  float GetBarValue(Control) override { return bar; }
  MessageAnswer MsgBox(std::wstring_view prompt, std::wstring_view title,
                       MessageKind kind) override {
    messages.push_back({std::wstring(prompt), std::wstring(title), kind});
    return MessageAnswer::kNo;
  }
  void PumpEvents() override {
    if (on_pump) on_pump();
  }
  void WaitEvents(double) override { PumpEvents(); }
  std::map<Control, std::wstring> captions, texts;
  std::map<Control, bool> visible;
  std::map<Control, std::vector<std::wstring>> caption_log;  // every caption set, in order
  struct Message {
    std::wstring prompt, title;
    MessageKind kind;
  };
  std::vector<Message> messages;
  std::int16_t list_index = -1;
  float bar = 0;
  std::function<void()> on_pump;
};

}  // namespace tgw::fakes
