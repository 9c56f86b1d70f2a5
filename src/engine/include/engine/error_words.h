#pragma once

#include <string_view>

#include "platform/error.h"

namespace tgw {

// The cause of a failure in words, as the messages give it, in the language `language` (0
// English, 1 Russian): "access denied", "disk full", "file in use", ...; empty for a cause that
// has no words (a message then gives the system's code).
std::wstring_view ErrorWords(int language, ErrorKind kind);

}  // namespace tgw
