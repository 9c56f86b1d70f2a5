#pragma once

// What every FileSystem and Shell does, checked alike against each implementation: the in-memory
// fakes natively (tests/unit/contract_test.cpp), the Win32 ones under Wine
// (tests/win32/contract_test.cpp). Each binary instantiates the suites with a factory of its own
// backend, which gives every test a fresh implementation and an empty folder of its own.

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
  // An empty folder, without a trailing backslash.
  virtual std::wstring root() = 0;
  // Writes a file into an existing folder.
  virtual bool Put(const std::wstring& path, std::string_view bytes) = 0;
  // A file's bytes; nothing when there is no such file.
  virtual std::optional<std::string> Get(const std::wstring& path) = 0;
  // The names of the files in a folder, in lower case.
  virtual std::set<std::wstring> FileNames(const std::wstring& folder) = 0;
  // The ANSI code page that text files are in.
  virtual unsigned AnsiCodePage() = 0;
  // Whether the volume of an existing path keeps short (8.3) names.
  virtual bool KeepsShortNames(const std::wstring& path) = 0;
};

using BackendFactory = std::unique_ptr<Backend> (*)();

class ContractTest : public ::testing::TestWithParam<BackendFactory> {
 protected:
  std::wstring At(std::wstring_view name) const { return root + L"\\" + std::wstring(name); }

  std::unique_ptr<Backend> backend = GetParam()();
  FileSystem& files = backend->files();
  const std::wstring root = backend->root();
};

class FileSystemContract : public ContractTest {
 protected:
  // Opens `path` in `mode` and writes `bytes`; then what Close says (an earlier failure
  // included), or, for a file dropped without Close, what the write said.
  Status Store(const std::wstring& path, OpenMode mode, std::string_view bytes, bool close = true);
  // Every line ReadLines gives for a file holding `bytes`, up to the end.
  std::vector<std::wstring> ReadLines(std::string_view bytes);
  // The bytes of a new file that WriteLine wrote `lines` to.
  std::string Written(std::initializer_list<std::wstring_view> lines);
};

class ShellContract : public ContractTest {
 protected:
  Shell& shell = backend->shell();
};

}  // namespace tgw::testing
