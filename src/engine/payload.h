#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tgw {

class FileSystem;
class Runtime;

// The files carried by a setup executable.
//   pieces: the container body split on the file marker; 0 is the name list,
//           1..FileCount() the contents in order, the last one the trailer.
//   names:  pieces[0] split on the name separator; names[k-1] names pieces[k].
// Both view `image` when it holds the executable, else the buffer that was split.
struct Payload {
  Payload() = default;
  Payload(Payload&&) = default;
  Payload& operator=(Payload&&) = default;
  Payload(const Payload&) = delete;  // a copy's views would still point into this image
  Payload& operator=(const Payload&) = delete;

  std::vector<char> image;
  std::vector<std::string_view> pieces;
  std::vector<std::string_view> names;

  std::size_t FileCount() const { return pieces.size() < 2 ? 0 : pieces.size() - 2; }
  std::string_view Content(std::size_t k) const { return pieces[k]; }
  // Empty when the name list is too short: such a content has no name.
  std::string_view Name(std::size_t k) const {
    return k - 1 < names.size() ? names[k - 1] : std::string_view{};
  }
  bool HasName(std::size_t k) const { return k - 1 < names.size(); }
};

// Splits `data` at every non-overlapping occurrence of `separator`: k occurrences
// give k+1 pieces, an empty input gives none.
std::vector<std::string_view> Split(std::string_view data, std::u16string_view separator);

// Splits a whole setup executable into pieces and names, viewing `whole`.
Payload SplitContainer(std::string_view whole);
Payload SplitContainer(std::string&& whole) = delete;  // the views would outlive it

// Whether a payload name stays inside the install folder when appended to it: not
// empty, no leading separator, no drive or stream ":", and no component that is
// empty or only dots and spaces ("..", "." or "... " which Windows trims to "..").
bool IsSafeRelativeName(std::string_view name);

// Reads the running program's own file and splits off its payload. Never fails:
// what cannot be read gives an empty payload.
Payload ReadPayload(FileSystem& files, Runtime& runtime);

}  // namespace tgw
