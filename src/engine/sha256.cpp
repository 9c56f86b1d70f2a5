#include "engine/sha256.h"

#include <atomic>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#include <immintrin.h>
#define TGW_SHA_INSTRUCTIONS 1
#endif

namespace tgw {

namespace {

constexpr std::array<std::uint32_t, 64> kRound = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2,
};

constexpr std::uint32_t Rotr(std::uint32_t x, int n) { return (x >> n) | (x << (32 - n)); }

void CompressPortable(std::array<std::uint32_t, 8>& state, const std::uint8_t* block,
                      std::size_t count) {
  for (; count != 0; --count, block += 64) {
    std::array<std::uint32_t, 64> w;
    for (std::size_t i = 0; i < 16; ++i) {
      w[i] = std::uint32_t{block[4 * i]} << 24 | std::uint32_t{block[4 * i + 1]} << 16 |
             std::uint32_t{block[4 * i + 2]} << 8 | std::uint32_t{block[4 * i + 3]};
    }
    for (std::size_t i = 16; i < 64; ++i) {
      const std::uint32_t s0 = Rotr(w[i - 15], 7) ^ Rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
      const std::uint32_t s1 = Rotr(w[i - 2], 17) ^ Rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
      w[i] = w[i - 16] + s0 + w[i - 7] + s1;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (std::size_t i = 0; i < 64; ++i) {
      const std::uint32_t t1 =
          h + (Rotr(e, 6) ^ Rotr(e, 11) ^ Rotr(e, 25)) + ((e & f) ^ (~e & g)) + kRound[i] + w[i];
      const std::uint32_t t2 =
          (Rotr(a, 2) ^ Rotr(a, 13) ^ Rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

#ifdef TGW_SHA_INSTRUCTIONS
#define TGW_SHA_TARGET __attribute__((target("sha,sse4.1,ssse3")))

// The state is kept as ABEF, CDGH; the schedule's last sixteen words as four groups of four, w0
// the oldest. Each pass takes the next group (loaded from the block for the first four, else made
// from the four before) and makes four rounds over it.
TGW_SHA_TARGET void CompressWithShaInstructions(std::array<std::uint32_t, 8>& state,
                                                const std::uint8_t* block, std::size_t count) {
  const __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[0]));
  const __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&state[4]));
  const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
  const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
  __m128i abef = _mm_alignr_epi8(cdab, efgh, 8);
  __m128i cdgh = _mm_blend_epi16(efgh, cdab, 0xF0);
  const __m128i big_endian = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  for (; count != 0; --count, block += 64) {
    // A page ahead: streaming from memory, the hash then waits less for the next block.
    _mm_prefetch(reinterpret_cast<const char*>(block) + 4096, _MM_HINT_T0);
    const __m128i abef_before = abef;
    const __m128i cdgh_before = cdgh;
    __m128i w0 = _mm_setzero_si128(), w1 = w0, w2 = w0, w3 = w0;
    for (std::size_t group = 0; group < 16; ++group) {
      const __m128i w =
          group < 4
              ? _mm_shuffle_epi8(
                    _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * group)),
                    big_endian)
              : _mm_sha256msg2_epu32(
                    _mm_add_epi32(_mm_sha256msg1_epu32(w0, w1), _mm_alignr_epi8(w3, w2, 4)), w3);
      __m128i message =
          _mm_add_epi32(w, _mm_loadu_si128(reinterpret_cast<const __m128i*>(&kRound[4 * group])));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, message);
      message = _mm_shuffle_epi32(message, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, message);
      w0 = w1;
      w1 = w2;
      w2 = w3;
      w3 = w;
    }
    abef = _mm_add_epi32(abef, abef_before);
    cdgh = _mm_add_epi32(cdgh, cdgh_before);
  }
  const __m128i feba = _mm_shuffle_epi32(abef, 0x1B);
  const __m128i dchg = _mm_shuffle_epi32(cdgh, 0xB1);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[0]), _mm_blend_epi16(feba, dchg, 0xF0));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(&state[4]), _mm_alignr_epi8(dchg, feba, 8));
}

// Whether the processor has SSSE3, SSE4.1 and the SHA extensions; asked once (no lock needed: a
// second asking gives the same answer).
bool HasShaInstructions() {
  static std::atomic<int> known = -1;
  int has = known.load(std::memory_order_relaxed);
  if (has < 0) {
    unsigned a = 0, b = 0, c = 0, d = 0;
    const bool basic =
        __get_cpuid(1, &a, &b, &c, &d) != 0 && (c & (1U << 9)) != 0 && (c & (1U << 19)) != 0;
    has = basic && __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & (1U << 29)) != 0;
    known.store(has, std::memory_order_relaxed);
  }
  return has != 0;
}
#endif

Sha256::CompressBlocks Compressor(Sha256Engine engine) {
#ifdef TGW_SHA_INSTRUCTIONS
  if (engine == Sha256Engine::kFastest && HasShaInstructions()) return CompressWithShaInstructions;
#else
  (void)engine;
#endif
  return CompressPortable;
}

}  // namespace

Sha256::Sha256(Sha256Engine engine)
    : compress_(Compressor(engine)), state_{0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                                            0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19} {}

void Sha256::Update(std::string_view bytes) {
  length_ += bytes.size();
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  std::size_t left = bytes.size();
  if (used_ != 0) {
    const std::size_t take = std::min(left, block_.size() - used_);
    std::memcpy(block_.data() + used_, data, take);
    used_ += take;
    data += take;
    left -= take;
    if (used_ < block_.size()) return;
    compress_(state_, block_.data(), 1);
    used_ = 0;
  }
  const std::size_t blocks = left / block_.size();
  compress_(state_, data, blocks);
  data += blocks * block_.size();
  left -= blocks * block_.size();
  std::memcpy(block_.data(), data, left);
  used_ = left;
}

Sha256Digest Sha256::Finish() {
  const std::uint64_t bits = length_ * 8;
  block_[used_++] = 0x80;
  if (used_ > 56) {
    std::memset(block_.data() + used_, 0, block_.size() - used_);
    compress_(state_, block_.data(), 1);
    used_ = 0;
  }
  std::memset(block_.data() + used_, 0, 56 - used_);
  for (std::size_t i = 0; i < 8; ++i)
    block_[56 + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  compress_(state_, block_.data(), 1);
  Sha256Digest digest;
  for (std::size_t i = 0; i < 32; ++i) {
    digest[i] = static_cast<std::uint8_t>(state_[i / 4] >> (24 - 8 * (i % 4)));
  }
  return digest;
}

Sha256Digest Sha256Of(std::string_view bytes) {
  Sha256 hash;
  hash.Update(bytes);
  return hash.Finish();
}

std::string ToHex(const Sha256Digest& digest) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(digest.size() * 2);
  for (const std::uint8_t byte : digest) {
    hex += kDigits[byte >> 4];
    hex += kDigits[byte & 0x0F];
  }
  return hex;
}

}  // namespace tgw
