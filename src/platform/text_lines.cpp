#include "platform/file_system.h"

namespace tgw {

std::vector<std::wstring> TextLines(std::string_view bytes,
                                    std::wstring (*decode)(std::string_view line)) {
  std::vector<std::wstring> lines;
  while (!bytes.empty()) {
    const std::size_t cr = bytes.find('\r');
    lines.push_back(decode(bytes.substr(0, cr)));
    if (cr == std::string_view::npos) break;
    // A CR LF pair is one terminator.
    bytes.remove_prefix(cr + (cr + 1 < bytes.size() && bytes[cr + 1] == '\n' ? 2 : 1));
  }
  return lines;
}

}  // namespace tgw
