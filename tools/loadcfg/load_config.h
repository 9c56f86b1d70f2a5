#pragma once

// The load-configuration directory of a 64-bit Windows program (PE32+), read and set from the
// build machine. GNU ld links the structure `_load_config_used` into the program but leaves
// data directory 10 (IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG) empty; the Windows loader reads the
// structure only through that directory. SetLoadConfigDirectory points it at the structure.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace tgw::loadcfg {

// A refusal or an error that ends the tool's run; what() is the message for the user.
class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// LOAD_LIBRARY_SEARCH_SYSTEM32: the DLLs a program imports are looked for in the system folder
// only (Windows 10 and later read it from DependentLoadFlags).
inline constexpr std::uint16_t kSearchSystem32 = 0x0800;
// Where DependentLoadFlags lies in the 64-bit structure; the structure must reach past it.
inline constexpr std::uint32_t kDependentLoadFlagsOffset = 78;
inline constexpr std::uint32_t kSmallestSize = kDependentLoadFlagsOffset + 2;
inline constexpr std::string_view kStructureSymbol = "_load_config_used";

// The load-configuration structure as the directory gives it.
struct LoadConfig {
  std::uint32_t rva = 0;
  std::uint32_t size = 0;  // the directory's size, equal to the structure's own Size field
  std::uint16_t dependent_load_flags = 0;
};

// The address (virtual, with the image base) that a GNU ld map file gives `symbol`; throws when
// the map names it nowhere, or at two different addresses.
std::uint64_t SymbolAddress(std::string_view map, std::string_view symbol);

// A PE32+ program file in memory, its headers checked when it is made (throws Failure).
class PeImage {
 public:
  explicit PeImage(std::vector<std::uint8_t> bytes);

  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  std::uint64_t image_base() const { return image_base_; }

  // The structure the load-configuration directory points at; nothing when the directory is
  // empty. Throws when it is set but points outside the file's sections, at a structure whose
  // Size field differs from the directory's size, or at one too small to hold
  // DependentLoadFlags.
  std::optional<LoadConfig> ReadLoadConfig() const;

  // Points the directory at the structure at `address` (virtual, with the image base), with the
  // structure's own Size field as its size, and recomputes the header's checksum when the
  // linker wrote one. Returns the structure as ReadLoadConfig then reads it.
  LoadConfig SetLoadConfigDirectory(std::uint64_t address);

  // The PE checksum of the file as it is now (the CheckSum field counted as zero).
  std::uint32_t ComputeChecksum() const;
  std::uint32_t StoredChecksum() const;

 private:
  // The file offset of `size` bytes at `rva`, when they lie in one section's data.
  std::optional<std::size_t> FileOffset(std::uint32_t rva, std::uint32_t size) const;
  std::uint16_t Read16(std::size_t offset) const;
  std::uint32_t Read32(std::size_t offset) const;
  void Write32(std::size_t offset, std::uint32_t value);

  std::vector<std::uint8_t> bytes_;
  std::uint64_t image_base_ = 0;
  std::size_t checksum_offset_ = 0;
  std::size_t directory_offset_ = 0;  // of the load-configuration directory's entry
  std::size_t sections_offset_ = 0;
  std::size_t section_count_ = 0;
};

}  // namespace tgw::loadcfg
