#pragma once

#include <string>
#include <string_view>

#include "platform/error.h"

namespace tgw {

// The program runtime: process, clock and environment.
class Runtime {
 public:
  virtual ~Runtime() = default;

  // Stops the program at once; open files are closed, no further events run.
  // The real program never returns from here.
  virtual void EndProgram() = 0;
  // Seconds since local midnight, with a fraction; falls back to 0 at midnight.
  virtual float Timer() = 0;
  // The full path of the running executable.
  virtual Result<std::wstring> ProgramFile() = 0;
  // The value of an environment variable; empty when it is absent.
  virtual std::wstring Environment(std::wstring_view name) = 0;
};

// The folder of a program path, without a trailing backslash except at the root
// of a drive ("C:\").
std::wstring FolderOf(std::wstring_view path);

}  // namespace tgw
