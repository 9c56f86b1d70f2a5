#include "engine/payload.h"

#include <algorithm>

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

// Split(body, kFileMarker), and the body's SHA-256, in one pass: block by block, each block is
// hashed and then searched while it is in the cache, so that a body larger than the memory is read
// from its file once.
std::vector<std::string_view> SplitHashing(std::string_view body, Sha256Digest& digest) {
  constexpr std::size_t m = kFileMarker.size();
  std::vector<std::string_view> pieces;
  Sha256 hash;
  std::size_t begin = 0;  // of the piece under way
  std::size_t from = 0;   // where the search goes on: no marker starts before it, after `begin`
  for (std::size_t hashed = 0; hashed < body.size();) {
    const std::size_t end = std::min(body.size(), hashed + kReadBlock);
    hash.Update(body.substr(hashed, end - hashed));
    hashed = end;
    const std::string_view known = body.substr(0, hashed);
    for (std::size_t at; (at = FindMarker(known, kFileMarker, from)) != std::string_view::npos;) {
      pieces.push_back(body.substr(begin, at - begin));
      begin = from = at + m;
    }
    // A marker may still start in the last m - 1 bytes: it ends in the next block.
    from = std::max(from, hashed - std::min(hashed, m - 1));
  }
  if (!body.empty()) pieces.push_back(body.substr(begin));
  digest = hash.Finish();
  return pieces;
}

// The pieces of a container whose first start marker is followed by an integrity record:
// nothing when the record, the second start marker or the body is damaged.
std::optional<std::vector<std::string_view>> CheckedPieces(std::string_view after_first_marker) {
  const auto record = ParseIntegrityRecord(after_first_marker);
  if (!record) return std::nullopt;
  const std::string_view rest = after_first_marker.substr(kRecordSize);
  if (!StartsWithMarker(rest, kStartMarker)) return std::nullopt;
  const std::string_view body = rest.substr(kStartMarker.size());
  if (body.size() < record->body_length) return std::nullopt;
  Sha256Digest digest;
  auto pieces = SplitHashing(body.substr(0, record->body_length), digest);
  if (digest != record->digest) return std::nullopt;
  return pieces;
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
  const std::size_t first = FindMarker(whole, kStartMarker);
  const std::string_view after_first = first == std::string_view::npos
                                           ? std::string_view{}
                                           : whole.substr(first + kStartMarker.size());
  if (HoldsRecord(after_first)) {
    auto checked = CheckedPieces(after_first);
    if (!checked) {
      payload.integrity = Integrity::kDamaged;
      return payload;
    }
    payload.integrity = Integrity::kIntact;
    payload.pieces = std::move(*checked);
  } else {
    payload.pieces = Split(LastBody(whole), kFileMarker);
  }
  if (!payload.pieces.empty()) {
    payload.names = Split(payload.pieces.front(), kSeparator16, payload.FileCount() + 1);
  }
  return payload;
}

Payload ReadPayload(FileSystem& files, Runtime& runtime) {
  const auto program = runtime.ProgramFile();
  auto image = program ? files.MapFile(*program) : program.error();
  Payload payload;
  if (image) {
    payload = SplitContainer((*image)->Bytes());
    if (const Status read = (*image)->ReadStatus(); !read.ok()) image = read.error();
  }
  if (!image) {
    Payload unread;
    unread.read_error = image.error();
    return unread;
  }
  payload.image = std::move(*image);  // the views point into its mapping
  return payload;
}

}  // namespace tgw
