#include "engine/payload.h"

#include "engine/markers.h"
#include "platform/file_system.h"
#include "platform/runtime.h"

namespace tgw {

std::vector<std::string_view> Split(std::string_view data, std::u16string_view separator) {
  std::vector<std::string_view> pieces;
  if (data.empty()) return pieces;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t at = FindMarker(data, separator, begin);
    if (at == std::string_view::npos) break;
    pieces.push_back(data.substr(begin, at - begin));
    begin = at + separator.size();
  }
  pieces.push_back(data.substr(begin));
  return pieces;
}

namespace {

// The piece after the last start marker: the container body, or the whole input
// when it holds no start marker.
std::string_view Body(std::string_view whole) {
  std::size_t begin = 0;
  for (std::size_t at = FindMarker(whole, kStartMarker); at != std::string_view::npos;
       at = FindMarker(whole, kStartMarker, at + kStartMarker.size())) {
    begin = at + kStartMarker.size();
  }
  return whole.substr(begin);
}

constexpr char16_t kSeparator16[] = {static_cast<char16_t>(kNameSeparator), 0};

}  // namespace

Payload SplitContainer(std::string_view whole) {
  Payload payload;
  payload.pieces = Split(Body(whole), kFileMarker);
  if (!payload.pieces.empty()) payload.names = Split(payload.pieces.front(), kSeparator16);
  return payload;
}

bool IsSafeRelativeName(std::string_view name) {
  if (name.empty() || name.find(':') != std::string_view::npos) return false;
  std::size_t begin = 0;
  for (;;) {
    const std::size_t end = name.find_first_of("\\/", begin);
    const std::string_view part = name.substr(begin, end - begin);
    if (part.find_first_not_of(". ") == std::string_view::npos) return false;
    if (end == std::string_view::npos) return true;
    begin = end + 1;
  }
}

Payload ReadPayload(FileSystem& files, Runtime& runtime) {
  auto image = files.ReadWholeFile(runtime.ProgramFile());
  if (!image) return {};
  Payload payload = SplitContainer(std::string_view(image->data(), image->size()));
  payload.image = std::move(*image);  // the views keep pointing into the moved buffer
  return payload;
}

}  // namespace tgw
