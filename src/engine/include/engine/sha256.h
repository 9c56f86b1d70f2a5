#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tgw {

using Sha256Digest = std::array<std::uint8_t, 32>;

// How the blocks are compressed: the fastest way this processor offers (its SHA instructions,
// where it has them), or the portable code alone. Both give the same digests.
enum class Sha256Engine : std::uint8_t { kFastest, kPortable };

// SHA-256 (FIPS 180-4) over bytes given in pieces of any size.
class Sha256 {
 public:
  explicit Sha256(Sha256Engine engine = Sha256Engine::kFastest);
  void Update(std::string_view bytes);
  // The digest of everything given; the object must not be used afterwards.
  Sha256Digest Finish();

  // Compresses `count` blocks of 64 bytes into `state`.
  using CompressBlocks = void (*)(std::array<std::uint32_t, 8>& state, const std::uint8_t* blocks,
                                  std::size_t count);

 private:
  CompressBlocks compress_;
  std::array<std::uint32_t, 8> state_;
  std::array<std::uint8_t, 64> block_{};
  std::size_t used_ = 0;      // bytes waiting in block_
  std::uint64_t length_ = 0;  // bytes given in all
};

Sha256Digest Sha256Of(std::string_view bytes);

// The digest as 64 lower-case hexadecimal digits.
std::string ToHex(const Sha256Digest& digest);

}  // namespace tgw
