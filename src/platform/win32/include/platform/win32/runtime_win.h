#pragma once

#include <cstddef>
#include <string>

#include "platform/runtime.h"

namespace tgw {

// The program runtime on Windows.
class Win32Runtime final : public Runtime {
 public:
  // ExitProcess(0): the system closes the open files; nothing after this runs.
  [[noreturn]] void EndProgram() override;
  // From the local time of day (GetLocalTime), to the millisecond.
  float Timer() override;
  Result<std::wstring> ProgramFile() override;
  std::wstring Environment(std::wstring_view name) override;
};

// The full path of the running executable (GetModuleFileNameW), asking first with room for
// `first_capacity` characters and growing the buffer until the path fits.
Result<std::wstring> ExecutablePath(std::size_t first_capacity = 260);

}  // namespace tgw
