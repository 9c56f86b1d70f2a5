#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tgw::pack {

// The bytes of a marker as they stand in a container.
std::string MarkerBytes(std::u16string_view marker);

// "start marker" or "file marker".
std::string_view MarkerTitle(std::u16string_view marker);

// Where the reader would take a marker inside data.
struct MarkerHit {
  std::u16string_view marker;
  std::uint64_t offset = 0;  // in the data region where the marker starts
  bool crosses_end = false;  // runs on into the marker that follows the region
};

// Follows a container as it is written and finds the places where the reader, which
// takes the first marker it meets, would see a marker that was not written as one.
// The container alternates data regions (image, name list, contents) with written
// markers. A marker occurrence that starts inside a written marker is harmless: the
// reader consumes the written marker first. So the guard only looks for occurrences
// that start inside a data region, including those that run on into the written marker
// after it (data ending in the file marker less its last letter, followed by the file
// marker, reads as a file marker one byte early). The reader's search for the last start marker
// does not consume file markers, but no start marker can begin inside a written marker: its first
// letter 's' stands nowhere else in either marker. Data arrives in chunks of any size.
// The first region begins when the guard is made, each next one when EndData ends the one before.
class MarkerGuard {
 public:
  // The next chunk of the current region; the first hit it completes, if any.
  std::optional<MarkerHit> Data(std::string_view chunk);
  // Ends the region and begins the next; `following` is the marker written right after it.
  std::optional<MarkerHit> EndData(std::u16string_view following);

 private:
  // The first hit in `bytes` that starts before `limit`, reported relative to `base`.
  std::optional<MarkerHit> FirstHit(std::string_view bytes, std::size_t limit,
                                    std::uint64_t base) const;

  std::string tail_;        // the region's last bytes, fewer than the longest marker
  std::uint64_t seen_ = 0;  // bytes of the region so far
};

}  // namespace tgw::pack
