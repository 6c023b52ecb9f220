// The AVX-512 code: 64-byte blocks, with byte masks (BW), byte permutes
// (VBMI), byte compression (VBMI2) and bit deposits (BMI2). Compiled with
// those flags alone; the dispatch calls it only on a processor that has
// them all.
//
// Encoding a block: the escape mask picks, per byte, its first output
// character (the byte or "="); two nibble lookups give both digits of every
// byte. Each 21 bytes of the block are then laid out as 63 characters,
// three per byte, and compressed by a keep mask, deposited from the escape
// bits (pdep), that drops the digits of the bytes that need no escape; the
// last byte comes from the encoding table: three compressions a block,
// whatever the escapes, each stored as a whole vector that the next one
// overwrites. A block of escapes only is laid out by fixed permutes.
//
// Decoding a block: every byte's would-be escape value comes from the bytes
// one and two positions on, through a 128-entry digit table; the start
// positions take it, and one compression by the keep mask drops the digits.
// Its stores are masked to the exact output. The last bytes of the input
// are loaded with masked loads, and their encoding written with masked
// stores, so nothing past either buffer is touched.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "qp_block_loops.h"
#include "qp_builtins.h"
#include "qp_bytes.h"
#include "qp_conversions.h"
#include "qp_tables.h"

namespace vo_tools::qp {
namespace {

struct Avx512Kernel {
  static constexpr std::size_t kWidth = 64;
  static constexpr bool kExactTails = true;
  // A group's compressed layout is stored as a whole vector; the last
  // group's starts 22 bytes or more before the block's encoding ends.
  static constexpr std::size_t kEncodeSpill = 64 - kTripleGroupBytes - 1;
  static constexpr std::size_t kDecodeSpill = 0;
  using Vector = __m512i;

  static Vector Load(const void* p) { return _mm512_loadu_si512(p); }

  static void Store(char* p, Vector v) { _mm512_storeu_si512(p, v); }

  static Vector LoadPart(const char* p, std::size_t count) {
    return _mm512_maskz_loadu_epi8(LowBits(count), p);
  }

  static void StorePart(char* p, std::size_t count, Vector v) {
    _mm512_mask_storeu_epi8(p, LowBits(count), v);
  }

  static std::uint64_t HighBits(Vector v) { return _mm512_movepi8_mask(v); }

  static std::uint64_t EqualBits(Vector v, unsigned char c) {
    return _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(static_cast<char>(c)));
  }

  // A block of the loop: written with whole-vector stores, each of which
  // may write up to kEncodeSpill bytes past the block's encoding.
  static char* EncodeBlock(Vector v, std::uint64_t escapes, char* out) {
    if (escapes == ~std::uint64_t{0}) return EncodeAllEscaped(v, out);
    return EncodeGroups<kSpill>(v, escapes, kWidth, out);
  }

  // The first `count` bytes of v, whose escape bits are `escapes`, written
  // exactly by masked stores: the input's last bytes.
  static char* EncodePart(Vector v, std::uint64_t escapes, std::size_t count, char* out) {
    if (escapes == 0) {
      StorePart(out, count, v);
      return out + count;
    }
    // Only a whole block has all its escape bits set.
    if (escapes == ~std::uint64_t{0}) return EncodeAllEscaped(v, out);
    return EncodeGroups<kExact>(v, escapes, count, out);
  }

  // Both digits of every byte, by nibble.
  static void HexDigits(Vector v, __m512i* high, __m512i* low) {
    const __m512i hex = Load(kHexDigitLanes.at);
    const __m512i nibble = _mm512_set1_epi8(0x0F);
    *high = _mm512_shuffle_epi8(hex, _mm512_and_si512(_mm512_srli_epi16(v, 4), nibble));
    *low = _mm512_shuffle_epi8(hex, _mm512_and_si512(v, nibble));
  }

  // A block of high bytes (and "=" signs) only: its 192 characters are in
  // fixed places, so no compression is needed.
  static char* EncodeAllEscaped(Vector v, char* out) {
    __m512i high, low;
    HexDigits(v, &high, &low);
    const __m512i equals = _mm512_set1_epi8(static_cast<char>(kEquals));
    for (int k = 0; k < 3; ++k) {
      const __m512i digits = _mm512_permutex2var_epi8(high, Load(kAllEscapedLayout.digits[k]), low);
      Store(out + 64 * k, _mm512_mask_mov_epi8(digits, kAllEscapedLayout.equals[k], equals));
    }
    return out + 3 * kWidth;
  }

  enum Stores { kExact, kSpill };

  template <Stores kStores>
  static char* EncodeGroups(Vector v, std::uint64_t escapes, std::size_t count, char* out) {
    __m512i high, low;
    HexDigits(v, &high, &low);
    const __m512i first =
        _mm512_mask_mov_epi8(v, escapes, _mm512_set1_epi8(static_cast<char>(kEquals)));
    EncodeGroup<0, kStores>(first, high, low, escapes, count, out);
    EncodeGroup<1, kStores>(first, high, low, escapes, count, out);
    EncodeGroup<2, kStores>(first, high, low, escapes, count, out);
    if (count == kWidth) EncodeLastByte<kStores>(v, escapes, out);
    return out + count + 2 * CountBits(escapes);
  }

  // Writes the characters of one group of the block's first `count` bytes:
  // its layout, compressed by the keep mask of its escapes. Each group's
  // place comes from the escapes before it, not from the group before: the
  // stores do not wait for each other.
  template <std::size_t kGroup, Stores kStores>
  static void EncodeGroup(__m512i first, __m512i high, __m512i low, std::uint64_t escapes,
                          std::size_t count, char* out) {
    constexpr std::size_t kStart = kTripleGroupBytes * kGroup;
    if (kStart >= count) return;
    __m512i triples =
        _mm512_permutex2var_epi8(first, Load(kTripleLayout.first_and_high[kGroup]), high);
    triples =
        _mm512_mask_permutexvar_epi8(triples, TripleBits(2), Load(kTripleLayout.low[kGroup]), low);
    // Bytes past `count` are zero padding, which needs no escape.
    const std::uint64_t escaped_firsts = Deposit(escapes >> kStart, TripleBits(0));
    // Times 0b110: each escaped byte's two digits.
    const std::uint64_t keep = TripleBits(0) | escaped_firsts * 6;
    const __m512i packed = _mm512_maskz_compress_epi8(keep, triples);
    char* const at = out + kStart + 2 * CountBits(escapes & LowBits(kStart));
    if constexpr (kStores == kSpill) {
      Store(at, packed);
    } else {
      const std::size_t bytes =
          (count < kStart + kTripleGroupBytes ? count : kStart + kTripleGroupBytes) - kStart;
      StorePart(at, bytes + 2 * static_cast<std::size_t>(CountBits(escaped_firsts)), packed);
    }
  }

  // The last byte of a whole block, from its entry in the encoding table.
  template <Stores kStores>
  static void EncodeLastByte(Vector v, std::uint64_t escapes, char* out) {
    // (The zero-masking form: the plain one leaves GCC warning about the
    // undefined vector it merges into.)
    const auto last = static_cast<unsigned char>(
        _mm_extract_epi8(_mm512_maskz_extracti32x4_epi32(0xF, v, 3), 15));
    char* const at = out + kWidth - 1 + 2 * CountBits(escapes & LowBits(kWidth - 1));
    if constexpr (kStores == kSpill) {
      std::memcpy(at, kEncodings.at[last].at, 4);
    } else {
      EncodeByte(last, at);
    }
  }

  // Each byte's worth as a digit, from `table` (128 entries); a high byte is
  // worth 0.
  static __m512i DigitsOf(const unsigned char* table, Vector v) {
    return _mm512_maskz_permutex2var_epi8(~HighBits(v), Load(table), v, Load(table + 64));
  }

  static char* DecodeBlock(Vector v, Vector after1, Vector after2, std::uint64_t starts,
                           std::uint64_t keep, char* out) {
    const __m512i escaped =
        _mm512_or_si512(DigitsOf(kDigitLookup.high, after1), DigitsOf(kDigitLookup.low, after2));
    const __m512i decoded = _mm512_mask_mov_epi8(v, starts, escaped);
    const std::size_t count = static_cast<std::size_t>(CountBits(keep));
    StorePart(out, count, _mm512_maskz_compress_epi8(keep, decoded));
    return out + count;
  }
};

}  // namespace

extern const Conversions kAvx512Conversions = {
    CountEscapes<Avx512Kernel>, EncodeBlocks<Avx512Kernel>, EncodeBlocks<Avx512Kernel, kIntoRoom>,
    DecodedLengthBlocks<Avx512Kernel>, DecodeBlocks<Avx512Kernel>};

}  // namespace vo_tools::qp
