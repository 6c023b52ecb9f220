// The AVX-512 path: 64-byte blocks, with byte masks (BW), byte permutes
// (VBMI) and byte compression (VBMI2). Compiled with those flags alone; the
// dispatch calls it only on a processor that has all three.
//
// Encoding a block: the escape mask picks, per byte, its first output
// character (the byte or "="); two nibble lookups give both digits of every
// byte. Each 21 bytes of the block are then laid out as 63 characters,
// three per byte, and compressed by a keep mask that drops the digits of
// the bytes that need no escape; the last byte's characters need no
// compression: three compressions a block, whatever the escapes. A block
// without escapes is stored as it is, and one of escapes only is laid out
// by fixed permutes.
//
// Decoding a block: every byte's would-be escape value comes from the bytes
// one and two positions on, through a 128-entry digit table; the start
// positions take it, and one compression by the keep mask drops the digits.
// Stores are masked to the exact output, and loads at the end of the input
// to its last byte, so nothing past either is touched.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "qp_block_loops.h"
#include "qp_kernels.h"
#include "qp_tables.h"

namespace vo_tools::qp {
namespace {

struct Avx512Kernel {
  static constexpr std::size_t kWidth = 64;
  static constexpr bool kExactTails = true;
  static constexpr std::size_t kEncodeSpill = 0;
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

  static std::uint64_t EqualsBits(Vector v) {
    return _mm512_cmpeq_epi8_mask(v, _mm512_set1_epi8(static_cast<char>(kEquals)));
  }

  static std::uint64_t EscapeBits(Vector v) { return _mm512_movepi8_mask(v) | EqualsBits(v); }

  // The keep bits of a group's layout, three per byte, for the escape bits
  // of up to 21 bytes.
  static std::uint64_t TripleKeep(std::uint64_t escapes) {
    return kTripleKeep.at[escapes & 0xFF] |
           (std::uint64_t{kTripleKeep.at[(escapes >> 8) & 0xFF]} << 24) |
           (std::uint64_t{kTripleKeep.at[(escapes >> 16) & 0x1F]} << 48);
  }

  static char* EncodeBlock(Vector v, std::uint64_t escapes, char* out) {
    if (escapes == 0) {
      Store(out, v);
      return out + kWidth;
    }
    if (escapes == ~std::uint64_t{0}) return EncodeAllEscaped(v, out);
    return EncodePart(v, escapes, kWidth, out);
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

  // Encodes the first `count` bytes of v, whose escape bits are `escapes`.
  static char* EncodePart(Vector v, std::uint64_t escapes, std::size_t count, char* out) {
    __m512i high, low;
    HexDigits(v, &high, &low);
    const __m512i first =
        _mm512_mask_mov_epi8(v, escapes, _mm512_set1_epi8(static_cast<char>(kEquals)));
    EncodeGroup<0>(first, high, low, escapes, count, out);
    EncodeGroup<1>(first, high, low, escapes, count, out);
    EncodeGroup<2>(first, high, low, escapes, count, out);
    EncodeGroup<3>(first, high, low, escapes, count, out);
    return out + count + 2 * CountBits(escapes);
  }

  // Writes the characters of one group of the block's first `count` bytes.
  // Each group's place comes from the escapes before it, not from the group
  // before: the stores do not wait for each other.
  template <std::size_t kGroup>
  static void EncodeGroup(__m512i first, __m512i high, __m512i low, std::uint64_t escapes,
                          std::size_t count, char* out) {
    constexpr std::size_t kStart = kTripleGroupStart[kGroup];
    constexpr std::size_t kEnd = kTripleGroupStart[kGroup + 1];
    constexpr std::uint64_t kThirdCharacters = 0x4924924924924924;
    if (kStart >= count) return;
    const std::size_t bytes = (count < kEnd ? count : kEnd) - kStart;
    __m512i triples =
        _mm512_permutex2var_epi8(first, Load(kTripleLayout.first_and_high[kGroup]), high);
    triples = _mm512_mask_permutexvar_epi8(triples, kThirdCharacters,
                                           Load(kTripleLayout.low[kGroup]), low);
    const std::uint64_t group_escapes = (escapes >> kStart) & LowBits(bytes);
    const std::size_t length = bytes + 2 * static_cast<std::size_t>(CountBits(group_escapes));
    char* const at = out + kStart + 2 * CountBits(escapes & LowBits(kStart));
    if constexpr (kEnd - kStart == 1) {
      StorePart(at, length, triples);  // one byte: its characters come first
    } else {
      StorePart(at, length, _mm512_maskz_compress_epi8(TripleKeep(group_escapes), triples));
    }
  }

  // Each byte's worth as a digit, from `table` (128 entries); a high byte is
  // worth 0.
  static __m512i DigitsOf(const unsigned char* table, Vector v) {
    return _mm512_maskz_permutex2var_epi8(~_mm512_movepi8_mask(v), Load(table), v,
                                          Load(table + 64));
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

extern const Kernels kAvx512Kernels = {CountEscapes<Avx512Kernel>, EncodeBlocks<Avx512Kernel>,
                                       DecodedLengthBlocks<Avx512Kernel>,
                                       DecodeBlocks<Avx512Kernel>};

}  // namespace vo_tools::qp
