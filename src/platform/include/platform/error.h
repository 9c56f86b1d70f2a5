#pragma once

#include <cstdint>
#include <optional>
#include <type_traits>
#include <utility>

namespace tgw {

// What kind of failure the system reported, as far as the setup tells users apart.
enum class ErrorKind : std::uint8_t {
  kAccessDenied,  // no permission, or a read-only file
  kDiskFull,      // the disk, or the user's quota on it, is full
  kInUse,         // another program holds the file
  kNotFound,      // the file, or a folder on its path, is missing
  kExists,        // the file or folder is there already
  kBadName,       // the system cannot hold this name, or the path is too long
  kNoMapping,     // a character has no counterpart in the code page a text is stored in
  kOutOfMemory,
  kOther,
};

// A failure, with the operating system's own code kept (a Win32 error or an HRESULT; 0 when
// the failure did not come from the system).
struct Error {
  ErrorKind kind = ErrorKind::kOther;
  std::uint32_t code = 0;

  friend bool operator==(const Error&, const Error&) = default;
};

// Success, or the error of a failed operation.
class [[nodiscard]] Status {
 public:
  Status() = default;
  Status(Error error) : error_(error) {}  // NOLINT: `return Error{...};` reads naturally

  bool ok() const { return !error_.has_value(); }
  // Only for a failed status.
  const Error& error() const { return *error_; }

 private:
  std::optional<Error> error_;
};

// A value, or the error of the operation that could not give one.
template <typename T>
class [[nodiscard]] Result {
 public:
  Result(T value) : value_(std::move(value)) {}  // NOLINT: implicit, as for Status
  Result(Error error) : error_(error) {}         // NOLINT

  bool ok() const { return value_.has_value(); }
  // Not for a Result<bool>, where `if (result)` would read as its value: ok() says it there.
  explicit operator bool() const requires(!std::is_same_v<T, bool>) { return ok(); }
  T& operator*() { return *value_; }
  const T& operator*() const { return *value_; }
  T* operator->() { return &*value_; }
  const T* operator->() const { return &*value_; }
  // The value, or `fallback` for a failed result.
  T value_or(T fallback) const { return ok() ? *value_ : std::move(fallback); }
  // Only for a failed result.
  const Error& error() const { return error_; }
  Status status() const { return ok() ? Status() : Status(error_); }

 private:
  std::optional<T> value_;
  Error error_;
};

}  // namespace tgw
