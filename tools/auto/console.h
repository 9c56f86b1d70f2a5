#pragma once

// tgwauto's output: UTF-8 whatever the console's code page. On a console the text goes through
// WriteConsoleW; into a file or a pipe, as UTF-8 bytes. Lines end in CR LF.

#include <string_view>

namespace tgw::automation {

void WriteOut(std::wstring_view text);
void WriteError(std::wstring_view text);

}  // namespace tgw::automation
