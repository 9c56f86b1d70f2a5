#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/sha256.h"

namespace tgw {

// The integrity record: one ASCII line that the packer writes between the container's two
// start markers, holding the length and SHA-256 of the container body (everything after the
// second start marker, through the trailer). A reader that keeps only what follows the last
// start marker never sees it; ours checks the body against it before anything is written.
//
//   "tgw-body " + the length in 20 decimal digits + " sha256 " + 64 lower-case hex digits + CR LF
struct IntegrityRecord {
  std::uint64_t body_length = 0;
  Sha256Digest digest{};
};

inline constexpr std::string_view kRecordPrefix = "tgw-body ";
inline constexpr std::size_t kRecordSize = 9 + 20 + 8 + 64 + 2;  // 103 bytes

std::string FormatIntegrityRecord(const IntegrityRecord& record);
// The record at the start of `bytes` (exactly kRecordSize bytes of it are read); nothing when
// they are not one.
std::optional<IntegrityRecord> ParseIntegrityRecord(std::string_view bytes);

}  // namespace tgw
