#pragma once

#include <cmath>
#include <map>
#include <string>

#include "platform/runtime.h"

namespace tgw::fakes {

// Thrown by EndProgram so that a test sees the program end where it would have.
struct ProgramEnded {};

// A manual clock that moves on by `tick` seconds at every reading and falls back
// to 0 at midnight, a fixed program path and a fixed environment.
class FakeRuntime : public Runtime {
 public:
  void EndProgram() override {
    ++ends;
    throw ProgramEnded{};
  }
  float Timer() override {
    const double reading = now;
    now = std::fmod(now + tick, 86400.0);
    return static_cast<float>(reading);
  }
  Result<std::wstring> ProgramFile() override { return program_file; }
  std::wstring Environment(std::wstring_view name) override {
    const auto it = environment.find(std::wstring(name));
    return it == environment.end() ? std::wstring() : it->second;
  }

  double now = 36000.0;
  double tick = 0.0;
  int ends = 0;
  std::wstring program_file = L"D:\\dist\\setup.exe";
  std::map<std::wstring, std::wstring> environment{
      {L"appdata", L"C:\\Users\\ann\\AppData\\Roaming"}};
};

}  // namespace tgw::fakes
