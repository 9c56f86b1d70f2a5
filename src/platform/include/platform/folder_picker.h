#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/error.h"

namespace tgw {

// The system folder picker: modal over the wizard, file-system folders only, its tree
// starting at the root of the shell namespace with nothing preselected.
class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  // The chosen folder's path, without a final backslash except at a drive's root
  // ("D:\"); nothing when the user cancels; the failure when the picker cannot give a path.
  virtual Result<std::optional<std::wstring>> Pick(std::wstring_view title) = 0;
};

}  // namespace tgw
