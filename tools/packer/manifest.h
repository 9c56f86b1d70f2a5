#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tgw::pack {

// One file to pack: its name in the installation folder, with '\' between folders,
// and where the manifest lists it.
struct ManifestEntry {
  std::string name;
  std::size_t line = 0;  // 1-based
};

// Why `name` cannot name a file in the container and in the installation folder; empty when
// it can. What only the container needs (no marker, printable ASCII), then the setup's own
// name rule for the default install folder.
std::string NameProblem(std::string_view name);

// The names of a manifest text: one a line, in installation order; CR LF or LF line
// ends, blank lines skipped. Refuses a bad or repeated name, naming `source` and the line.
std::vector<ManifestEntry> ParseManifest(std::string_view text, const std::string& source);
std::vector<ManifestEntry> ReadManifest(const std::string& path);

// Where the file named `name` lies below `root` on this system.
std::string SourcePath(const std::string& root, std::string_view name);

// "manifest.txt:12: 'languages\about.lng'", for messages.
std::string Describe(const std::string& source, const ManifestEntry& entry);

}  // namespace tgw::pack
