#pragma once

// What the tests of the build tools share: a fresh folder for each test, the refusal a call
// throws, the exit code of a run of a tool.

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>

namespace tgw::testing {

// The message of the refusal (a Failure, or any std::runtime_error) that `run` throws; "(done)"
// when it throws none.
inline std::string Refusal(const std::function<void()>& run) {
  try {
    run();
  } catch (const std::runtime_error& failure) {
    return failure.what();
  }
  return "(done)";
}

// The exit code of a shell command, its output dropped; -1 when it did not exit.
inline int ExitCode(const std::string& command) {
  const int status = std::system((command + " >/dev/null 2>&1").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A fresh folder below the test's temporary folder, removed with what it holds.
class ToolTest : public ::testing::Test {
 public:
  ToolTest() {
    std::string pattern = ::testing::TempDir() + "tgw-XXXXXX";
    dir_ = ::mkdtemp(pattern.data());
  }
  ~ToolTest() override { std::filesystem::remove_all(dir_); }

  std::string Path(const std::string& relative) const { return (dir_ / relative).string(); }
  std::string Write(const std::string& relative, std::string_view bytes) const {  // its path
    std::filesystem::create_directories((dir_ / relative).parent_path());
    std::ofstream(dir_ / relative, std::ios::binary) << bytes;
    return Path(relative);
  }
  std::string Read(const std::string& relative) const {
    std::ostringstream bytes;
    bytes << std::ifstream(dir_ / relative, std::ios::binary).rdbuf();
    return bytes.str();
  }

  std::filesystem::path dir_;
};

}  // namespace tgw::testing
