#include "platform/file_system.h"

namespace tgw {

std::vector<std::string_view> SplitLines(std::string_view bytes) {
  std::vector<std::string_view> lines;
  while (!bytes.empty()) {
    const std::size_t cr = bytes.find('\r');
    lines.push_back(bytes.substr(0, cr));
    if (cr == std::string_view::npos) break;
    // A CR LF pair is one terminator.
    bytes.remove_prefix(cr + (cr + 1 < bytes.size() && bytes[cr + 1] == '\n' ? 2 : 1));
  }
  return lines;
}

}  // namespace tgw
