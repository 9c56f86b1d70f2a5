#include "packer/manifest.h"

#include <array>
#include <cstdio>
#include <map>

#include "engine/ascii.h"
#include "engine/markers.h"
#include "engine/names.h"
#include "engine/product.h"
#include "packer/failure.h"
#include "packer/files.h"

namespace tgw::pack {

namespace {

// The name with bytes outside printable ASCII written as \xNN.
std::string Quote(std::string_view name) {
  std::string out = "'";
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte < 0x7F) {
      out += c;
    } else {
      std::array<char, 5> hex{};
      std::snprintf(hex.data(), hex.size(), "\\x%02X", byte);
      out += hex.data();
    }
  }
  return out + "'";
}

// The packer's own refusal of a byte: the setup takes each byte of a name for the character of
// its number, which only printable ASCII means in every code page a manifest may be written in.
std::string ByteProblem(char c) {
  const auto byte = static_cast<unsigned char>(c);
  if (byte >= 0x20 && byte < 0x7F) return {};
  std::array<char, 8> hex{};
  std::snprintf(hex.data(), hex.size(), "0x%02X", byte);
  return std::string("holds the byte ") + hex.data() + ", outside printable ASCII";
}

}  // namespace

std::string NameProblem(std::string_view name) {
  if (HoldsMarker(name, kStartMarker)) return "holds the container's start marker";
  if (HoldsMarker(name, kFileMarker)) return "holds the container's file marker";
  for (const char c : name) {
    std::string problem = ByteProblem(c);
    if (!problem.empty()) return problem;
  }
  const NameFault fault = CheckName(name, product::kDefaultInstallDir.size());
  if (fault != NameFault::kNone) return std::string(DescribeNameFault(fault));
  return {};
}

std::string Describe(const std::string& source, const ManifestEntry& entry) {
  return source + ":" + std::to_string(entry.line) + ": " + Quote(entry.name);
}

std::vector<ManifestEntry> ParseManifest(std::string_view text, const std::string& source) {
  if (text.starts_with("\xEF\xBB\xBF")) {
    throw Failure(source + ":1: starts with a UTF-8 byte order mark; save it without one");
  }
  std::vector<ManifestEntry> entries;
  std::map<std::string, std::size_t> index_of_file;  // lower-case name -> index
  std::map<std::string, std::size_t>
      first_user_of_folder;  // lower-case folder -> first index using it
  std::size_t line = 0;
  while (!text.empty()) {
    ++line;
    const std::size_t end = text.find('\n');
    std::string_view name = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (name.ends_with('\r')) name.remove_suffix(1);
    if (name.find_first_not_of(" \t") == std::string_view::npos) continue;

    const ManifestEntry entry{std::string(name), line};
    const std::string problem = NameProblem(name);
    if (!problem.empty()) throw Failure(Describe(source, entry) + " " + problem);
    const std::string key = ascii::Lowered(name);
    if (const auto [it, added] = index_of_file.emplace(key, entries.size()); !added) {
      throw Failure(Describe(source, entry) + " is listed twice: line " +
                    std::to_string(entries[it->second].line) +
                    " names it too (letter case does not count)");
    }
    for (std::size_t at = key.find('\\'); at != std::string::npos; at = key.find('\\', at + 1)) {
      first_user_of_folder.emplace(key.substr(0, at), entries.size());
    }
    entries.push_back(entry);
  }
  if (entries.empty()) throw Failure(source + ": lists no files");
  for (const auto& [folder, index] : first_user_of_folder) {
    const auto file = index_of_file.find(folder);
    if (file == index_of_file.end()) continue;
    throw Failure(Describe(source, entries[file->second]) + " names a file where line " +
                  std::to_string(entries[index].line) + " needs a folder");
  }
  return entries;
}

std::vector<ManifestEntry> ReadManifest(const std::string& path) {
  return ParseManifest(ReadSmallFile(path), path);
}

std::string SourcePath(const std::string& root, std::string_view name) {
  std::string path = root;
  if (!path.empty() && !path.ends_with('/')) path += '/';
  for (const char c : name) path += c == '\\' ? '/' : c;
  return path;
}

}  // namespace tgw::pack
