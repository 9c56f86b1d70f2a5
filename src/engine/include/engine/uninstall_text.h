#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/uninstall_plan.h"

namespace tgw {

// The uninstaller's language, 0 English or 1 Russian, from the settings file's language (see
// ReadLanguageSetting): Russian for "russian" in any letter case, English for anything else.
int UninstallLanguage(const std::optional<std::wstring>& setting);

// The title of its message boxes, and its question.
std::wstring_view UninstallTitle(int language);
std::wstring_view UninstallQuestion(int language);

// Its last message: removed; or why nothing was removed; or what stays and why, and how to finish.
// Then the lines of the log that were skipped, grouped by reason. `program` is the uninstaller's
// path, which the text names for another run. Lists are cut after a few items.
std::wstring UninstallResultText(int language, const UninstallPlan& plan,
                                 const UninstallOutcome& outcome, std::wstring_view program);

}  // namespace tgw
