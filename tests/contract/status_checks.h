#pragma once

// Checks of Status and Result that name the error in a failure message.

#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include "platform/error.h"

namespace tgw {

// The kind by its number (see platform/error.h), the code in hex (an HRESULT reads so).
inline void PrintTo(const Error& error, std::ostream* out) {
  *out << "kind " << static_cast<int>(error.kind) << " (code 0x" << std::hex << error.code
       << std::dec << ")";
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

// EXPECT_TRUE(Succeeded(file->Close())).
template <typename StatusOrResult>
::testing::AssertionResult Succeeded(const StatusOrResult& outcome) {
  const auto error = FailureOf(outcome);
  if (!error) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "failed: " << ::testing::PrintToString(*error);
}

}  // namespace tgw::testing
