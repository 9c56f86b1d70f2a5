#pragma once

// What every FileSystem and Shell does, so that the in-memory fakes do what Windows does: checked
// alike against the fakes natively (tests/unit/contract_test.cpp) and the Win32 implementations
// under Wine (tests/win32/contract_test.cpp). Each binary instantiates the suites with a factory
// of its own backend, which gives every test a fresh implementation and an empty folder.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_system.h"
#include "platform/shell.h"

namespace tgw::testing {

// An implementation under test, and the means to set up and look at files without it.
class Backend {
 public:
  virtual ~Backend() = default;
  virtual FileSystem& files() = 0;
  virtual Shell& shell() = 0;
  virtual std::wstring root() = 0;  // an empty folder, without a final backslash
  virtual bool Put(const std::wstring& path, std::string_view bytes) = 0;    // into a folder
  virtual std::optional<std::string> Get(const std::wstring& path) = 0;      // nothing: no file
  virtual std::set<std::wstring> FileNames(const std::wstring& folder) = 0;  // in lower case
  virtual unsigned AnsiCodePage() = 0;  // that text files are in
  // Whether the volume of an existing path keeps short (8.3) names.
  virtual bool KeepsShortNames(const std::wstring& path) = 0;
};

using BackendFactory = std::unique_ptr<Backend> (*)();

class ContractTest : public ::testing::TestWithParam<BackendFactory> {
 protected:
  std::wstring At(std::wstring_view name) const { return root + L"\\" + std::wstring(name); }

  std::unique_ptr<Backend> backend = GetParam()();
  FileSystem& files = backend->files();
  Shell& shell = backend->shell();
  const std::wstring root = backend->root();
};

class FileSystemContract : public ContractTest {
 protected:
  // Opens `path` in `mode` and writes `bytes`; then what Close says, or (a file dropped without
  // Close) what the write said.
  Status Store(const std::wstring& path, OpenMode mode, std::string_view bytes, bool close = true) {
    auto output = files.OpenOutput(path, mode);
    if (!output) return output.status();
    const Status written = (*output)->WriteBytes(bytes);
    return close ? (*output)->Close() : written;
  }
};

class ShellContract : public ContractTest {};

}  // namespace tgw::testing
