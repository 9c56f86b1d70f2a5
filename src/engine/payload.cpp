#include "engine/payload.h"

#include "engine/integrity.h"
#include "engine/markers.h"
#include "engine/sha256.h"
#include "platform/file_system.h"
#include "platform/runtime.h"

namespace tgw {

std::vector<std::string_view> Split(std::string_view data, std::u16string_view separator,
                                    std::size_t most) {
  std::vector<std::string_view> pieces;
  if (data.empty() || most == 0) return pieces;
  std::size_t begin = 0;
  while (pieces.size() + 1 < most) {
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
std::string_view LastBody(std::string_view whole) {
  std::size_t begin = 0;
  for (std::size_t at = FindMarker(whole, kStartMarker); at != std::string_view::npos;
       at = FindMarker(whole, kStartMarker, at + kStartMarker.size())) {
    begin = at + kStartMarker.size();
  }
  return whole.substr(begin);
}

bool StartsWithMarker(std::string_view bytes, std::u16string_view marker) {
  return bytes.size() >= marker.size() && FindMarker(bytes.substr(0, marker.size()), marker) == 0;
}

// The body of a container whose first start marker is followed by an integrity record:
// nothing when the record, the second start marker or the body is damaged.
std::optional<std::string_view> CheckedBody(std::string_view after_first_marker) {
  const auto record = ParseIntegrityRecord(after_first_marker);
  if (!record) return std::nullopt;
  const std::string_view rest = after_first_marker.substr(kRecordSize);
  if (!StartsWithMarker(rest, kStartMarker)) return std::nullopt;
  const std::string_view body = rest.substr(kStartMarker.size());
  if (body.size() < record->body_length) return std::nullopt;
  const std::string_view checked = body.substr(0, record->body_length);
  if (Sha256Of(checked) != record->digest) return std::nullopt;
  return checked;
}

// Whether the bytes after the first start marker hold an integrity record: they begin with its
// first word, are all that is left of one cut short within it, or have the second start marker
// where a record ends (its first word is damaged). An older container has the start marker
// twice in a row, and no marker inside its data.
bool HoldsRecord(std::string_view after_first_marker) {
  if (after_first_marker.starts_with(kRecordPrefix)) return true;
  if (!after_first_marker.empty() && kRecordPrefix.starts_with(after_first_marker)) return true;
  return after_first_marker.size() > kRecordSize &&
         !StartsWithMarker(after_first_marker, kStartMarker) &&
         StartsWithMarker(after_first_marker.substr(kRecordSize), kStartMarker);
}

constexpr char16_t kSeparator16[] = {static_cast<char16_t>(kNameSeparator), 0};

}  // namespace

Payload SplitContainer(std::string_view whole) {
  Payload payload;
  std::string_view body;
  const std::size_t first = FindMarker(whole, kStartMarker);
  const std::string_view after_first = first == std::string_view::npos
                                           ? std::string_view{}
                                           : whole.substr(first + kStartMarker.size());
  if (HoldsRecord(after_first)) {
    const auto checked = CheckedBody(after_first);
    if (!checked) {
      payload.integrity = Integrity::kDamaged;
      return payload;
    }
    payload.integrity = Integrity::kIntact;
    body = *checked;
  } else {
    body = LastBody(whole);
  }
  payload.pieces = Split(body, kFileMarker);
  if (!payload.pieces.empty()) {
    payload.names = Split(payload.pieces.front(), kSeparator16, payload.FileCount() + 1);
  }
  return payload;
}

Payload ReadPayload(FileSystem& files, Runtime& runtime) {
  const auto program = runtime.ProgramFile();
  auto image = program ? files.ReadWholeFile(*program) : program.error();
  if (!image) {
    Payload unread;
    unread.read_error = image.error();
    return unread;
  }
  Payload payload = SplitContainer(std::string_view(image->data(), image->size()));
  payload.image = std::move(*image);  // the views keep pointing into the moved buffer
  return payload;
}

}  // namespace tgw
