#pragma once

#include <windows.h>

#include "platform/error.h"

namespace tgw::win32 {

// A Win32 error code as the portable error, the code kept.
Error ErrorFromCode(DWORD code) noexcept;
// GetLastError() as the portable error; a failure that set no code stays kOther with code 0.
Error LastError() noexcept;
// A failed HRESULT as the portable error, the HRESULT kept as the code.
Error ErrorFromHresult(HRESULT result) noexcept;
// Success, or the portable error of a failed HRESULT.
Status StatusFromHresult(HRESULT result) noexcept;

}  // namespace tgw::win32
