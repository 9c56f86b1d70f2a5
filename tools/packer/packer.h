#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <string>

// Builds, lists and checks setup executables: a program image followed by the container
// of the files to install. See engine/payload.h for how the setup reads it back.
namespace tgw::pack {

inline constexpr std::size_t kDefaultChunkSize = std::size_t{1} << 20;

struct PackOptions {
  std::string image;     // the setup program
  std::string root;      // the folder holding the files to pack
  std::string manifest;  // their names, in installation order
  std::string output;
  std::size_t chunk_size = kDefaultChunkSize;  // bytes read and written at once
  // Told after each chunk of the image or of a file is written: its path and the bytes of it
  // written so far.
  std::function<void(const std::string& path, std::uint64_t copied)> progress;
};

struct PackSummary {
  std::size_t files = 0;
  std::uint64_t content_bytes = 0;
  std::uint64_t output_bytes = 0;
  std::string body_sha256;  // as the integrity record holds it
};

// Writes the output: the image, the start marker, the integrity record, the start marker and
// the container body. Refuses a file whose size changes while it is read. Throws Failure and
// leaves the output path untouched on any refusal or error.
PackSummary Pack(const PackOptions& options);

// Prints each packed file's size and name, a total line and whether the integrity record
// holds. Refuses a damaged setup (its record does not match its body).
void ListSetup(const std::string& setup, std::ostream& out);

// Reads `setup` back with the setup's own reader and compares it with the manifest's
// files below `root`. Prints OK, DAMAGED when the integrity record does not match the body,
// or each difference; true when nothing differs.
bool VerifySetup(const std::string& setup, const std::string& root, const std::string& manifest,
                 std::ostream& out);

}  // namespace tgw::pack
