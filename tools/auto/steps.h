#pragma once

// Steps through the wizard that tgwauto and the end-to-end tests share.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "driver.h"

namespace tgw::automation {

// The wizard's stages, each with its page (Frame1..Frame6).
inline constexpr int kLanguageStage = 0;
inline constexpr int kDescriptionStage = 1;
inline constexpr int kFolderStage = 2;
inline constexpr int kDesktopIconStage = 3;
inline constexpr int kRunStage = 4;
inline constexpr int kCompletionStage = 5;

// Whether `dialog` is the system folder picker: a dialog with a folder tree (its title is in
// the system's language).
bool IsFolderPicker(const Dialog& dialog);

// The folder picker ("..." on the install folder page): clicks "..." and waits for the picker to
// be ready, its tree filled (nothing is selected).
Dialog OpenFolderPicker(const SetupProcess& setup, DWORD timeout_ms = 10000);

// Selects `folder` until the tree shows it selected: an item whose name holds `shown_name` ("C:"
// for the drive, whose item has a longer name). Wine's picker goes on filling its tree for a
// moment after it shows, and ignores a selection it cannot find in it yet. Throws when the
// selection does not take.
void ChooseInPicker(const SetupProcess& setup, const Dialog& picker, const std::wstring& folder,
                    std::wstring_view shown_name);

// Selects `folder` (a full path that exists) in the picker and checks the tree: the selected item
// and each item above it must show the name the shell gives the folder and each folder above
// it, up to its drive. False when that is not so after `timeout_ms`.
bool SelectFolderInPicker(const SetupProcess& setup, const Dialog& picker,
                          const std::wstring& folder, DWORD timeout_ms);

// The exit question: Exit clicked (or, with `close_window`, the window closed through its frame)
// and the question waited for.
Dialog OpenExitQuestion(const SetupProcess& setup, bool close_window = false,
                        DWORD timeout_ms = 10000);
// The exit question answered No; returns once the setup has handled the answer.
void AnswerExitNo(const SetupProcess& setup, bool close_window = false);
// The exit question answered Yes: the setup's exit code once it has ended.
std::uint32_t AnswerExitYes(const SetupProcess& setup, bool close_window = false);

// Next until the page of `stage` (at most 3, before the run) is shown.
void NextTo(const SetupProcess& setup, int stage);
// From the page of stage 3: Next, then the wait for the completion page.
void RunToCompletion(const SetupProcess& setup, DWORD timeout_ms);

}  // namespace tgw::automation
