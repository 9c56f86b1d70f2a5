#pragma once

// Checks of Status and Result that name the error in a failure message.

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <ostream>

#include "platform/error.h"

namespace tgw {

inline void PrintTo(ErrorKind kind, std::ostream* out) {
  static constexpr const char* kNames[] = {"kAccessDenied", "kDiskFull", "kInUse",
                                           "kNotFound",     "kExists",   "kBadName",
                                           "kOutOfMemory",  "kOther"};
  *out << kNames[static_cast<int>(kind)];
}

// A Win32 code in decimal, an HRESULT in hexadecimal.
inline void PrintTo(const Error& error, std::ostream* out) {
  PrintTo(error.kind, out);
  if (error.code > 0xFFFF) {
    *out << " (code 0x" << std::hex << error.code << std::dec << ")";
  } else {
    *out << " (code " << error.code << ")";
  }
}

}  // namespace tgw

namespace tgw::testing {

// The error of a failure; nothing for a success: EXPECT_EQ(FailureOf(status), ...).
inline std::optional<Error> FailureOf(const Status& status) {
  return status.ok() ? std::nullopt : std::optional<Error>(status.error());
}
template <typename T>
std::optional<Error> FailureOf(const Result<T>& result) {
  return FailureOf(result.status());
}

// The kind of a failure; nothing for a success.
template <typename StatusOrResult>
std::optional<ErrorKind> FailureKind(const StatusOrResult& outcome) {
  const auto error = FailureOf(outcome);
  return error ? std::optional<ErrorKind>(error->kind) : std::nullopt;
}

// EXPECT_TRUE(Succeeded(file->Close())).
template <typename StatusOrResult>
::testing::AssertionResult Succeeded(const StatusOrResult& outcome) {
  const auto error = FailureOf(outcome);
  if (!error) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "failed: " << ::testing::PrintToString(*error);
}

// The first failure among steps that are each taken, in order; success when none failed.
inline Status FirstFailure(std::initializer_list<Status> steps) {
  for (const Status& step : steps) {
    if (!step.ok()) return step;
  }
  return {};
}

}  // namespace tgw::testing
