#include "engine/integrity.h"

namespace tgw {

namespace {

constexpr std::size_t kLengthDigits = 20;
constexpr std::string_view kDigestLabel = " sha256 ";
constexpr std::string_view kLineEnd = "\r\n";

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;  // upper case is not the record's form
}

}  // namespace

std::string FormatIntegrityRecord(const IntegrityRecord& record) {
  std::string length(kLengthDigits, '0');
  std::uint64_t value = record.body_length;
  for (std::size_t i = kLengthDigits; i-- > 0 && value != 0; value /= 10) {
    length[i] = static_cast<char>('0' + value % 10);
  }
  std::string line;
  line.reserve(kRecordSize);
  line.append(kRecordPrefix).append(length).append(kDigestLabel).append(ToHex(record.digest));
  line.append(kLineEnd);
  return line;
}

std::optional<IntegrityRecord> ParseIntegrityRecord(std::string_view bytes) {
  if (bytes.size() < kRecordSize || !bytes.starts_with(kRecordPrefix)) return std::nullopt;
  bytes = bytes.substr(kRecordPrefix.size(), kRecordSize - kRecordPrefix.size());

  IntegrityRecord record;
  const std::string_view length = bytes.substr(0, kLengthDigits);
  for (const char c : length) {
    if (c < '0' || c > '9') return std::nullopt;
    const auto digit = static_cast<std::uint64_t>(c - '0');
    if (record.body_length > (UINT64_MAX - digit) / 10) return std::nullopt;
    record.body_length = record.body_length * 10 + digit;
  }
  bytes.remove_prefix(kLengthDigits);
  if (!bytes.starts_with(kDigestLabel)) return std::nullopt;
  bytes.remove_prefix(kDigestLabel.size());
  for (std::size_t i = 0; i < record.digest.size(); ++i) {
    const int high = HexValue(bytes[2 * i]);
    const int low = HexValue(bytes[2 * i + 1]);
    if (high < 0 || low < 0) return std::nullopt;
    record.digest[i] = static_cast<std::uint8_t>(high << 4 | low);
  }
  bytes.remove_prefix(2 * record.digest.size());
  if (bytes != kLineEnd) return std::nullopt;
  return record;
}

}  // namespace tgw
