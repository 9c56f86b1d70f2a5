#include "wizard/layout.h"

#include "engine/product.h"
#include "wizard/strings.h"

namespace tgw::layout {

namespace {

constexpr Font kTableFont{L"MS Sans Serif", 8.25, false, kCyrillicCharset};
constexpr Font kWelcomeFont{L"Arial", 20.25, false, kCyrillicCharset};
constexpr Font kCompletionFont{L"Arial", 14.25, true, kCyrillicCharset};
constexpr Font kBigTwoFont{L"Comic Sans MS", 99.75, true, kCyrillicCharset};
constexpr Font kHeaderFont{L"Arial", 36, true, kCyrillicCharset};
constexpr Rgb kWelcomeColour{89, 111, 132};
constexpr Rgb kBigTwoColour{103, 167, 129};

constexpr const Rgb* kBack = &kBackColour;

using enum Control;
using enum Kind;

constexpr WindowLayout kWindow{L"Setup of Tagwright 2", 8475, 6990, kBackColour, kWindowFont};

// clang-format off
constexpr ControlLayout kControls[] = {
  // id         kind          parent  caption                                   left   top  width height tab  flags                               font              back   fore
  {Russian,     kTextBox,     Form1,  kRussianTable,                                    2880, -120, 1695, 1215,   1, kHidden | kMultiLine,                &kTableFont,      nullptr, nullptr},
  {English,     kTextBox,     Form1,  kEnglishTable,                                    2280, -480, 1335, 1695,   0, kHidden | kMultiLine,                &kTableFont,      nullptr, nullptr},
  {Command3,    kButton,      Form1,  L"Next",                                  6360, 6480, 1575,  375,   6, kNone,                               nullptr,          kBack, nullptr},
  {Command2,    kButton,      Form1,  L"Back",                                  4560, 6480, 1575,  375,   5, kNone,                               nullptr,          kBack, nullptr},
  {Command1,    kButton,      Form1,  L"Exit",                                  2040, 6480, 1575,  375,   4, kNone,                               nullptr,          kBack, nullptr},
  {Frame5,      kFrame,       Form1,  L"Instalation",                           1800, 1080, 6495, 5175,  18, kHidden,                             nullptr,          kBack, nullptr},
  {Bar,         kProgressBar, Frame5, {},                                        480, 3000, 5775,  255,  22, kNone,                               nullptr,          nullptr, nullptr},
  {Action,      kLabel,       Frame5, L"Copying file: Tagwright.exe To c:\\program files\\Tagwright\\Tagwright.exe",
                                                                                 480, 1200, 5655,  975,  24, kTransparent,                        nullptr,          nullptr, nullptr},
  {PRG,         kLabel,       Frame5, L"0%",                                    3120, 3480,  615,  255,  23, kTransparent,                        nullptr,          nullptr, nullptr},
  {Label6,      kLabel,       Frame5, L"Label4",                                1560, 3480, 1335,  255,  19, kTransparent,                        nullptr,          nullptr, nullptr},
  {Frame4,      kFrame,       Form1,  L"Stage 4 of 4",                          1800, 1080, 6495, 5175,  16, kHidden,                             nullptr,          kBack, nullptr},
  {Check1,      kCheckBox,    Frame4, L"Create desctop icon",                    720, 3120, 3015,  615,  25, kChecked,                            nullptr,          kBack, nullptr},
  {Label5,      kLabel,       Frame4, L"Label4",                                 600, 1080, 4455, 1215,  17, kTransparent,                        nullptr,          nullptr, nullptr},
  {Frame3,      kFrame,       Form1,  L"Stage 3 of 4",                          1800, 1080, 6495, 5175,  11, kHidden,                             nullptr,          kBack, nullptr},
  {Command4,    kButton,      Frame3, L"...",                                   5160, 2640,  495,  375,  15, kNone,                               nullptr,          kBack, nullptr},
  {Text1,       kTextBox,     Frame3, product::kDefaultInstallDir,              600, 2640, 4335,  375,  14, kLocked,                             nullptr,          kBack, nullptr},
  {Label4,      kLabel,       Frame3, L"Label4",                                 600, 2040, 4455,  375,  13, kTransparent,                        nullptr,          nullptr, nullptr},
  {Frame2,      kFrame,       Form1,  L"Stage 2 of 4",                          1800, 1080, 6495, 5175,   9, kHidden,                             nullptr,          kBack, nullptr},
  {Description, kTextBox,     Frame2, {},                                        240,  240, 6015, 3015,  10, kMultiLine,                          nullptr,          nullptr, nullptr},
  {Frame1,      kFrame,       Form1,  L"Stage 1 of 4",                          1800, 1080, 6495, 5175,   2, kNone,                               nullptr,          kBack, nullptr},
  {Lang,        kComboBox,    Frame1, {},                                       2160, 3240, 2415,  360,   8, kNone,                               nullptr,          kBack, nullptr},
  {Label3,      kLabel,       Frame1, L"Welcome to Tagwright Setup",             240,  720, 6015, 1575,  12, kTransparent,                        &kWelcomeFont,    nullptr, &kWelcomeColour},
  {Label1,      kLabel,       Frame1, L"Select language",                        240, 3240, 1695,  255,   3, kTransparent,                        nullptr,          nullptr, nullptr},
  {Frame6,      kFrame,       Form1,  L"OK",                                    1800, 1080, 6495, 5175,  20, kHidden,                             nullptr,          kBack, nullptr},
  {Label7,      kLabel,       Frame6, L"Label4",                                 360,  360, 5895, 2895,  21, kTransparent,                        &kCompletionFont, nullptr, nullptr},
  {Label8,      kLabel,       Form1,  L"2",                                      240, 1680, 1095, 3615,  26, kTransparent,                        &kBigTwoFont,     nullptr, &kBigTwoColour},
  {Line1,       kLine,        Form1,  {},                                       1725,  600,    0, 5640,  -1, kNone,                               nullptr,          nullptr, nullptr},
  {Label2,      kLabel,       Form1,  L"Setup",                                 2040,  120, 6255,  855,   7, kTransparent | kCentred,             &kHeaderFont,     nullptr, nullptr},
  {Image1,      kImage,       Form1,  {},                                          0,    0, 1680, 6855,  -1, kNone,                               nullptr,          nullptr, nullptr},
};
// clang-format on
static_assert(std::size(kControls) <= kMaxControls);

}  // namespace

const WindowLayout& Window() { return kWindow; }

std::span<const ControlLayout> Controls() { return kControls; }

const ControlLayout* Find(Control id) {
  for (const ControlLayout& control : kControls) {
    if (control.id == id) return &control;
  }
  return nullptr;
}

}  // namespace tgw::layout
