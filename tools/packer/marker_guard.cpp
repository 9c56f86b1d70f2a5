#include "packer/marker_guard.h"

#include <algorithm>
#include <array>

#include "engine/markers.h"

namespace tgw::pack {

namespace {

constexpr std::array<std::u16string_view, 2> kMarkers = {kStartMarker, kFileMarker};
constexpr std::size_t kLongest = std::max(kStartMarker.size(), kFileMarker.size());

}  // namespace

std::string MarkerBytes(std::u16string_view marker) {
  std::string bytes;
  for (const char16_t c : marker) bytes += static_cast<char>(c);
  return bytes;
}

std::string_view MarkerTitle(std::u16string_view marker) {
  return marker == kStartMarker ? "start marker" : "file marker";
}

std::optional<MarkerHit> MarkerGuard::FirstHit(std::string_view bytes, std::size_t limit,
                                               std::uint64_t base) const {
  std::optional<MarkerHit> first;
  for (const std::u16string_view marker : kMarkers) {
    const std::size_t at = FindMarker(bytes, marker);
    if (at >= limit || (first && base + at >= first->offset)) continue;
    first = MarkerHit{marker, base + at, false};
  }
  return first;
}

std::optional<MarkerHit> MarkerGuard::Data(std::string_view chunk) {
  // A marker that starts in the tail of the previous chunks and ends in this one.
  std::string joint = tail_;
  joint.append(chunk.substr(0, kLongest - 1));
  std::optional<MarkerHit> hit = FirstHit(joint, tail_.size(), seen_ - tail_.size());
  if (!hit) hit = FirstHit(chunk, chunk.size(), seen_);

  seen_ += chunk.size();
  if (chunk.size() >= kLongest - 1) {
    tail_.assign(chunk.substr(chunk.size() - (kLongest - 1)));
  } else {
    tail_.append(chunk);
    tail_.erase(0, tail_.size() - std::min(tail_.size(), kLongest - 1));
  }
  return hit;
}

std::optional<MarkerHit> MarkerGuard::EndData(std::u16string_view following) {
  const std::string joint = tail_ + MarkerBytes(following);
  std::optional<MarkerHit> hit = FirstHit(joint, tail_.size(), seen_ - tail_.size());
  if (hit) hit->crosses_end = true;
  tail_.clear();
  seen_ = 0;
  return hit;
}

}  // namespace tgw::pack
