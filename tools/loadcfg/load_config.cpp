#include "loadcfg/load_config.h"

#include <sstream>
#include <string>
#include <utility>

namespace tgw::loadcfg {

namespace {

// Offsets in the headers of a PE32+ file.
constexpr std::size_t kNewHeaderPointer = 0x3C;   // in the MS-DOS header
constexpr std::size_t kFileHeaderSize = 20;       // after the "PE\0\0" signature
constexpr std::size_t kSectionCountAt = 2;        // in the file header
constexpr std::size_t kOptionalSizeAt = 16;       // in the file header
constexpr std::uint16_t kPe32PlusMagic = 0x20B;   // the optional header's first field
constexpr std::size_t kImageBaseAt = 24;          // in the optional header, 8 bytes
constexpr std::size_t kChecksumAt = 64;           // in the optional header
constexpr std::size_t kDirectoryCountAt = 108;    // in the optional header
constexpr std::size_t kDirectoriesAt = 112;       // in the optional header, 8 bytes each
constexpr std::size_t kLoadConfigDirectory = 10;  // IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG
constexpr std::size_t kSectionHeaderSize = 40;
constexpr std::size_t kSectionVirtualSizeAt = 8;
constexpr std::size_t kSectionRvaAt = 12;
constexpr std::size_t kSectionRawSizeAt = 16;
constexpr std::size_t kSectionRawPointerAt = 20;

std::string Hex(std::uint64_t value) {
  std::ostringstream text;
  text << "0x" << std::hex << value;
  return text.str();
}

}  // namespace

std::uint64_t SymbolAddress(std::string_view map, std::string_view symbol) {
  // GNU ld lists a symbol as a line of two words: its address ("0x" and hexadecimal digits),
  // then its name.
  std::optional<std::uint64_t> found;
  std::istringstream lines{std::string(map)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string address;
    std::string name;
    std::string more;
    if (!(words >> address >> name) || (words >> more) || name != symbol) continue;
    if (address.size() < 3 || address.size() > 18 || address.compare(0, 2, "0x") != 0 ||
        address.find_first_not_of("0123456789abcdefABCDEF", 2) != std::string::npos) {
      continue;
    }
    const std::uint64_t value = std::stoull(address.substr(2), nullptr, 16);
    if (found && *found != value) {
      throw Failure("the map gives " + std::string(symbol) + " two addresses: " + Hex(*found) +
                    " and " + Hex(value));
    }
    found = value;
  }
  if (!found) throw Failure("the map does not name " + std::string(symbol));
  return *found;
}

PeImage::PeImage(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {
  if (bytes_.size() < 0x40 || bytes_[0] != 'M' || bytes_[1] != 'Z') {
    throw Failure("not a Windows program (no MS-DOS header)");
  }
  const std::size_t pe = Read32(kNewHeaderPointer);
  if (pe > bytes_.size() || bytes_.size() - pe < 4 + kFileHeaderSize ||
      Read32(pe) != 0x00004550) {  // "PE\0\0"
    throw Failure("not a Windows program (no PE signature)");
  }
  const std::size_t file_header = pe + 4;
  const std::size_t optional = file_header + kFileHeaderSize;
  const std::size_t optional_size = Read16(file_header + kOptionalSizeAt);
  section_count_ = Read16(file_header + kSectionCountAt);
  if (optional_size < kDirectoriesAt || bytes_.size() - optional < optional_size) {
    throw Failure("the optional header is cut short");
  }
  if ((bytes_[optional] | (bytes_[optional + 1] << 8)) != kPe32PlusMagic) {
    throw Failure("not a 64-bit (PE32+) program");
  }
  const std::uint32_t directory_count = Read32(optional + kDirectoryCountAt);
  if (directory_count <= kLoadConfigDirectory ||
      optional_size < kDirectoriesAt + 8 * (kLoadConfigDirectory + 1)) {
    throw Failure("the optional header has no load-configuration directory entry");
  }
  image_base_ = Read32(optional + kImageBaseAt) |
                (static_cast<std::uint64_t>(Read32(optional + kImageBaseAt + 4)) << 32);
  checksum_offset_ = optional + kChecksumAt;
  directory_offset_ = optional + kDirectoriesAt + 8 * kLoadConfigDirectory;
  sections_offset_ = optional + optional_size;
  if ((bytes_.size() - sections_offset_) / kSectionHeaderSize < section_count_) {
    throw Failure("the section table is cut short");
  }
}

std::uint16_t PeImage::Read16(std::size_t offset) const {
  if (offset > bytes_.size() || bytes_.size() - offset < 2) throw Failure("read past the end");
  return static_cast<std::uint16_t>(bytes_[offset] | (bytes_[offset + 1] << 8));
}

std::uint32_t PeImage::Read32(std::size_t offset) const {
  if (offset > bytes_.size() || bytes_.size() - offset < 4) throw Failure("read past the end");
  return static_cast<std::uint32_t>(bytes_[offset]) |
         (static_cast<std::uint32_t>(bytes_[offset + 1]) << 8) |
         (static_cast<std::uint32_t>(bytes_[offset + 2]) << 16) |
         (static_cast<std::uint32_t>(bytes_[offset + 3]) << 24);
}

void PeImage::Write32(std::size_t offset, std::uint32_t value) {
  if (offset > bytes_.size() || bytes_.size() - offset < 4) throw Failure("write past the end");
  for (std::size_t i = 0; i < 4; ++i)
    bytes_[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::optional<std::size_t> PeImage::FileOffset(std::uint32_t rva, std::uint32_t size) const {
  for (std::size_t i = 0; i < section_count_; ++i) {
    const std::size_t header = sections_offset_ + i * kSectionHeaderSize;
    const std::uint32_t start = Read32(header + kSectionRvaAt);
    const std::uint32_t virtual_size = Read32(header + kSectionVirtualSizeAt);
    const std::uint32_t raw_size = Read32(header + kSectionRawSizeAt);
    const std::uint32_t raw_pointer = Read32(header + kSectionRawPointerAt);
    // Only the bytes the file holds: the rest of a section is zeros the loader adds.
    const std::uint64_t held = virtual_size < raw_size ? virtual_size : raw_size;
    if (rva < start || std::uint64_t{rva} - start + size > held) continue;
    const std::uint64_t offset = std::uint64_t{raw_pointer} + (rva - start);
    if (offset + size > bytes_.size()) return std::nullopt;
    return static_cast<std::size_t>(offset);
  }
  return std::nullopt;
}

std::optional<LoadConfig> PeImage::ReadLoadConfig() const {
  LoadConfig config;
  config.rva = Read32(directory_offset_);
  config.size = Read32(directory_offset_ + 4);
  if (config.rva == 0 && config.size == 0) return std::nullopt;
  const std::optional<std::size_t> offset = FileOffset(config.rva, config.size);
  if (!offset) {
    throw Failure("the load-configuration directory (RVA " + Hex(config.rva) + ", " +
                  std::to_string(config.size) + " bytes) lies outside the sections' data");
  }
  const std::uint32_t own_size = Read32(*offset);
  if (own_size != config.size) {
    throw Failure("the load-configuration structure says it has " + std::to_string(own_size) +
                  " bytes, its directory " + std::to_string(config.size));
  }
  if (config.size < kSmallestSize) {
    throw Failure("the load-configuration structure (" + std::to_string(config.size) +
                  " bytes) is too small to hold DependentLoadFlags");
  }
  const std::size_t flags = *offset + kDependentLoadFlagsOffset;
  config.dependent_load_flags =
      static_cast<std::uint16_t>(bytes_[flags] | (bytes_[flags + 1] << 8));
  return config;
}

LoadConfig PeImage::SetLoadConfigDirectory(std::uint64_t address) {
  if (address < image_base_ || address - image_base_ > 0xFFFFFFFFu) {
    throw Failure("the address " + Hex(address) + " is not in the image (based at " +
                  Hex(image_base_) + ")");
  }
  const auto rva = static_cast<std::uint32_t>(address - image_base_);
  const std::optional<std::size_t> offset = FileOffset(rva, 4);
  if (!offset) {
    throw Failure("no section holds the load-configuration structure at RVA " + Hex(rva));
  }
  const bool had_checksum = StoredChecksum() != 0;
  Write32(directory_offset_, rva);
  Write32(directory_offset_ + 4, Read32(*offset));
  if (had_checksum) Write32(checksum_offset_, ComputeChecksum());
  const std::optional<LoadConfig> config = ReadLoadConfig();
  if (!config) throw Failure("the load-configuration structure is empty");
  return *config;
}

std::uint32_t PeImage::StoredChecksum() const { return Read32(checksum_offset_); }

std::uint32_t PeImage::ComputeChecksum() const {
  // The 16-bit words of the file added with their carries folded back in, then the file's size.
  const auto byte = [&](std::size_t i) -> std::uint32_t {
    const bool in_checksum = i >= checksum_offset_ && i < checksum_offset_ + 4;
    return i < bytes_.size() && !in_checksum ? bytes_[i] : 0;
  };
  std::uint64_t sum = 0;
  for (std::size_t i = 0; i < bytes_.size(); i += 2) {
    sum += byte(i) | (byte(i + 1) << 8);
    sum = (sum & 0xFFFF) + (sum >> 16);
  }
  sum = (sum & 0xFFFF) + (sum >> 16);
  return static_cast<std::uint32_t>(sum + bytes_.size());
}

}  // namespace tgw::loadcfg
