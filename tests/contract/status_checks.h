#pragma once

// Checks of Status and Result that name the error in a failure message.

#include <gtest/gtest.h>

#include <initializer_list>
#include <optional>
#include <ostream>

#include "platform/error.h"

namespace tgw {

// The kind by its number (see platform/error.h); a Win32 code in decimal, an HRESULT in hex.
inline void PrintTo(const Error& error, std::ostream* out) {
  *out << "kind " << static_cast<int>(error.kind) << " (code ";
  if (error.code > 0xFFFF) *out << "0x" << std::hex;
  *out << error.code << std::dec << ")";
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
