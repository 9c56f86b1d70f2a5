#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "wizard/control.h"

namespace tgw::layout {

// Sizes are in twips: 1/1440 inch, 15 to a pixel at 96 dots per inch.
inline constexpr int kTwipsPerInch = 1440;

enum class Kind : std::uint8_t {
  kLabel,
  kTextBox,
  kFrame,
  kButton,
  kCheckBox,
  kComboBox,  // a drop-down list: no typing
  kImage,
  kLine,
  kProgressBar,  // range 0 to 100
};

struct Rgb {
  std::uint8_t r, g, b;
};

struct Font {
  std::wstring_view face;
  double points;
  bool bold;
  std::uint8_t charset;
};

enum Flags : std::uint16_t {
  kNone = 0,
  kHidden = 1 << 0,
  kMultiLine = 1 << 1,
  kLocked = 1 << 2,       // read-only
  kTransparent = 1 << 3,  // no background of its own
  kCentred = 1 << 4,
  kChecked = 1 << 5,
  kNoTabStop = 1 << 6,
};

inline constexpr Rgb kBackColour{189, 200, 210};
inline constexpr std::uint8_t kCyrillicCharset = 204;
inline constexpr Font kWindowFont{L"Arial", 9.75, true, kCyrillicCharset};

struct ControlLayout {
  Control id;
  Kind kind;
  Control parent;  // Form1 or a frame
  std::wstring_view caption;
  int left, top, width, height;  // a line runs from (left, top) to (left + width, top + height)
  int tab;                       // focus order; -1 for none
  std::uint16_t flags;
  const Font* font;  // null: the window's font
  const Rgb* back;   // null: the toolkit's default (transparent labels show the parent's)
  const Rgb* fore;   // null: the toolkit's default
};

struct WindowLayout {
  std::wstring_view caption;
  int client_width, client_height;  // twips
  Rgb back;
  Font font;
};

const WindowLayout& Window();
// Every control, in layout order; frames come before the controls they hold.
std::span<const ControlLayout> Controls();
// At most this many controls (layout.cpp checks): a program may keep what it holds per control
// in fixed room.
inline constexpr std::size_t kMaxControls = 32;
const ControlLayout* Find(Control id);

// The entries of the language list, by index.
inline constexpr std::wstring_view kLanguages[] = {L"English", L"Русский"};

}  // namespace tgw::layout
