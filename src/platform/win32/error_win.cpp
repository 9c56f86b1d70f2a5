#include "platform/win32/error_win.h"

namespace tgw::win32 {

namespace {

ErrorKind KindOf(DWORD code) noexcept {
  switch (code) {
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_PRIVILEGE_NOT_HELD:
      return ErrorKind::kAccessDenied;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case 1295:  // ERROR_DISK_QUOTA_EXCEEDED, which the mingw headers lack
      return ErrorKind::kDiskFull;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
      return ErrorKind::kInUse;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NOT_READY:
      return ErrorKind::kNotFound;
    case ERROR_ALREADY_EXISTS:
    case ERROR_FILE_EXISTS:
      return ErrorKind::kExists;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_DIRECTORY:
      return ErrorKind::kBadName;
    case ERROR_NO_UNICODE_TRANSLATION:
      return ErrorKind::kNoMapping;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ErrorKind::kOutOfMemory;
    default:
      return ErrorKind::kOther;
  }
}

}  // namespace

Error ErrorFromCode(DWORD code) noexcept { return Error{KindOf(code), code}; }

Error LastError() noexcept { return ErrorFromCode(GetLastError()); }

Error ErrorFromHresult(HRESULT result) noexcept {
  const auto code = static_cast<std::uint32_t>(result);
  if (result == E_OUTOFMEMORY) return Error{ErrorKind::kOutOfMemory, code};
  if (result == E_ACCESSDENIED) return Error{ErrorKind::kAccessDenied, code};
  if (HRESULT_FACILITY(result) == FACILITY_WIN32) {
    return Error{KindOf(static_cast<DWORD>(HRESULT_CODE(result))), code};
  }
  return Error{ErrorKind::kOther, code};
}

Status StatusFromHresult(HRESULT result) noexcept {
  if (SUCCEEDED(result)) return {};
  return ErrorFromHresult(result);
}

}  // namespace tgw::win32
