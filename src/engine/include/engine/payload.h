#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/error.h"
#include "platform/file_system.h"

namespace tgw {

class Runtime;

// How far the container could be checked.
enum class Integrity : std::uint8_t {
  kUnchecked,  // it has no integrity record (an older setup): read as it stands
  kIntact,     // its body matches the integrity record
  kDamaged,    // the record is there, and the body is short or differs: nothing to install
};

// The files carried by a setup executable.
//   pieces: the container body split on the file marker; 0 is the name list,
//           1..FileCount() the contents in order, the last one the trailer.
//   names:  pieces[0] split on the name separator, into at most FileCount() + 1 names
//           (the last holds the rest of the list); names[k-1] names pieces[k].
// Both view `image` when it holds the executable, else the buffer that was split.
struct Payload {
  Payload() = default;
  Payload(Payload&&) = default;
  Payload& operator=(Payload&&) = default;
  Payload(const Payload&) = delete;  // a copy's views would still point into this image
  Payload& operator=(const Payload&) = delete;

  std::unique_ptr<MappedFile> image;  // the executable's file, when the payload was read from it
  std::vector<std::string_view> pieces;
  std::vector<std::string_view> names;
  Integrity integrity = Integrity::kUnchecked;
  std::optional<Error> read_error;  // the executable could not be read

  std::size_t FileCount() const { return pieces.size() < 2 ? 0 : pieces.size() - 2; }
  std::string_view Content(std::size_t k) const { return pieces[k]; }
  // Empty when the name list is too short: such a content has no name.
  std::string_view Name(std::size_t k) const {
    return k - 1 < names.size() ? names[k - 1] : std::string_view{};
  }
  bool HasName(std::size_t k) const { return k - 1 < names.size(); }
  // Whether every byte read from the pieces so far came from the file (MappedFile::ReadStatus).
  Status ReadStatus() const { return image ? image->ReadStatus() : Status(); }
};

// The container body is read in blocks of this many bytes: each is hashed for the integrity
// check and searched for file markers while it is in the cache.
inline constexpr std::size_t kReadBlock = std::size_t{1} << 20;

// Splits `data` at every non-overlapping occurrence of `separator`: k occurrences
// give k+1 pieces, an empty input gives none. With `most`, splitting stops once there are
// `most` pieces; the last one holds the rest.
std::vector<std::string_view> Split(std::string_view data, std::u16string_view separator,
                                    std::size_t most = SIZE_MAX);

// Splits a whole setup executable into pieces and names, viewing `whole`. When the container
// holds an integrity record, the body is the length the record gives (bytes after it, such as
// a signature, are ignored) and is checked first; a damaged one gives no pieces.
Payload SplitContainer(std::string_view whole);
Payload SplitContainer(std::string&& whole) = delete;  // the views would outlive it

// Maps the running program's own file and splits off its payload. What cannot be read (the file,
// or a byte of it during the split, which reads every byte of the body) gives an empty payload
// with the reason in read_error.
Payload ReadPayload(FileSystem& files, Runtime& runtime);

}  // namespace tgw
