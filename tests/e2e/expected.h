#pragma once

// What the user should see: the window's captions in each language, the product descriptions,
// the exit question, the texts of the run, what it installs. Written out here rather than taken
// from the program's tables, so that a changed table shows as a failure.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "scenario.h"

namespace tgw::e2e {

inline constexpr wchar_t kExitTitle[] = L"Exit";
inline constexpr wchar_t kEnglishQuestion[] = L"Are you sure you want to exit?";
inline constexpr wchar_t kRussianQuestion[] = L"Вы действительно хотите выйти?";
inline constexpr wchar_t kDefaultInstallDir[] = L"c:\\program files\\Tagwright\\";
// How long a run may take, with a wide margin for a busy machine: the small payload's takes a few
// seconds, the sample's about ten.
inline constexpr DWORD kSmallRunMs = 30000;
inline constexpr DWORD kSampleRunMs = 90000;

struct Caption {
  Control id;
  const char* name;
  std::wstring text;
};

std::vector<Caption> EnglishCaptions();
std::vector<Caption> RussianCaptions();
std::wstring EnglishDescription();
std::wstring RussianDescription();

// Checks the text of every control in `captions` (GoogleTest expectations, one per control).
void ExpectCaptions(const SetupProcess& setup, const std::vector<Caption>& captions);

// Checks the exit question shown over the window: title, prompt, Yes and No (No not the default)
// and the information icon.
void ExpectExitQuestion(const SetupProcess& setup, const Dialog& question,
                        const std::wstring& prompt);

// The names of a manifest (one relative Windows name a line), in order.
std::vector<std::wstring> ManifestNames(const std::wstring& manifest);
// The progress label's texts in a run of `file_count` files, in order.
std::vector<std::wstring> ProgressTexts(std::size_t file_count);
// The action label's texts in a run of `names` into `install_dir`, in order.
std::vector<std::wstring> ActionTexts(const std::vector<std::wstring>& names,
                                      std::wstring_view install_dir);

// The sample's 30 file names and the small payload's, in installation order.
std::vector<std::wstring> SampleNames();
std::vector<std::wstring> SmallPayloadNames();
// Checks that every file of the small payload is in `install_dir` byte for byte.
void ExpectSmallPayloadInstalled(const std::wstring& install_dir);
// The install log of a run of `names` into `install_dir`: the folder, the files, the shortcuts.
std::string InstallLog(const std::wstring& install_dir, const std::vector<std::wstring>& names,
                       bool desktop_icon);

}  // namespace tgw::e2e
