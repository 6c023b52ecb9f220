// The AVX2 code: 64-byte blocks of two 32-byte vectors, with 16-byte table
// shuffles (pshufb) in place of the byte permutes and compression that AVX2
// lacks. Compiled with AVX2, POPCNT and BMI1; the dispatch calls it only on
// a processor that has all three.
//
// Encoding a half block: the escape mask picks, per byte, its first output
// character (the byte or "="); two nibble lookups give both digits of every
// byte. Unpacking lays each byte out as 4 bytes (first character, high
// digit, low digit, spare), and for each 4 input bytes one shuffle, chosen
// by their 4 escape bits, packs what they keep: eight shuffles a half,
// whatever the escapes. A block without escapes is stored as it is.
//
// Decoding a half block: every byte's would-be escape value comes from the
// bytes one and two positions on, through nibble tables; the start
// positions take it, and for each 8 bytes one shuffle, chosen by their keep
// bits, packs the bytes kept. Stores are whole 16- or 8-byte vectors that
// may spill past the output; the block loops keep that spill inside it.
#include <immintrin.h>

#include <cstddef>
#include <cstdint>

#include "qp_block_loops.h"
#include "qp_builtins.h"
#include "qp_conversions.h"
#include "qp_tables.h"

namespace vo_tools::qp {
namespace {

template <typename T>
__m128i Load16(const T* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

// A 16-entry table in both 16-byte lanes, as the lane-wise shuffle takes it.
template <typename T>
__m256i TableInBothLanes(const T* table) {
  return _mm256_broadcastsi128_si256(Load16(table));
}

__m128i Lane(__m256i v, int lane) {
  return lane == 0 ? _mm256_castsi256_si128(v) : _mm256_extracti128_si256(v, 1);
}

// A vector as 32 bytes, each flagged by its own high bit, as a blend takes
// its mask.
struct OwnHighBits {
  static __m256i HighBits(__m256i v) { return v; }
  static __m256i EqualBits(__m256i v, unsigned char c) {
    return _mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(c)));
  }
};

// A block is two 32-byte vectors: the block loops' bit work then runs once
// per 64 bytes, as in the AVX-512 code, and the vector work per half.
struct Avx2Kernel {
  static constexpr std::size_t kWidth = 64;
  static constexpr bool kExactTails = false;
  static constexpr std::size_t kEncodeSpill = 12;  // a 16-byte store of 4 plain bytes
  static constexpr std::size_t kDecodeSpill = 8;   // an 8-byte store that keeps none
  struct Vector {
    __m256i half[2];
  };

  static __m256i Load32(const char* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
  }

  static void Store32(char* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

  static Vector Load(const char* p) { return {{Load32(p), Load32(p + 32)}}; }

  // The count (at most 32) bytes at p, zero-filled: whole 4-byte words by
  // a masked load, which touches no word it leaves out, and the last 1 to
  // 3 bytes one by one. A copy into a local buffer would cost more: its
  // byte stores cannot be forwarded to the vector load that follows.
  static __m256i LoadPart32(const char* p, std::size_t count) {
    const __m256i word_index = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    const auto words = static_cast<int>(count / 4);
    const __m256i whole = _mm256_cmpgt_epi32(_mm256_set1_epi32(words), word_index);
    __m256i v = _mm256_maskload_epi32(reinterpret_cast<const int*>(p), whole);
    const std::size_t rest = count % 4;
    if (rest != 0) {
      const unsigned char* last = reinterpret_cast<const unsigned char*>(p) + 4 * words;
      std::uint32_t word = last[0];
      if (rest > 1) word |= std::uint32_t{last[1]} << 8;
      if (rest > 2) word |= std::uint32_t{last[2]} << 16;
      const __m256i at = _mm256_cmpeq_epi32(_mm256_set1_epi32(words), word_index);
      v = _mm256_or_si256(v, _mm256_and_si256(at, _mm256_set1_epi32(static_cast<int>(word))));
    }
    return v;
  }

  static Vector LoadPart(const char* p, std::size_t count) {
    if (count >= kWidth) return Load(p);
    if (count <= 32) return {{LoadPart32(p, count), _mm256_setzero_si256()}};
    return {{Load32(p), LoadPart32(p + 32, count - 32)}};
  }

  static void Store(char* p, Vector v) {
    Store32(p, v.half[0]);
    Store32(p + 32, v.half[1]);
  }

  static std::uint64_t HighBits(__m256i v) {
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(v));
  }

  static std::uint64_t EqualBits(__m256i v, unsigned char c) {
    return HighBits(_mm256_cmpeq_epi8(v, _mm256_set1_epi8(static_cast<char>(c))));
  }

  static std::uint64_t HighBits(Vector v) {
    return HighBits(v.half[0]) | (HighBits(v.half[1]) << 32);
  }

  static std::uint64_t EqualBits(Vector v, unsigned char c) {
    return EqualBits(v.half[0], c) | (EqualBits(v.half[1], c) << 32);
  }

  static char* EncodeBlock(Vector v, std::uint64_t escapes, char* out) {
    if (escapes == 0) {
      Store(out, v);
      return out + kWidth;
    }
    out = EncodeHalf(v.half[0], escapes & 0xFFFFFFFF, out);
    return EncodeHalf(v.half[1], escapes >> 32, out);
  }

  static char* DecodeBlock(Vector v, Vector after1, Vector after2, std::uint64_t starts,
                           std::uint64_t keep, char* out) {
    out = DecodeHalf(v.half[0], after1.half[0], after2.half[0], starts & 0xFFFFFFFF,
                     keep & 0xFFFFFFFF, out);
    return DecodeHalf(v.half[1], after1.half[1], after2.half[1], starts >> 32, keep >> 32, out);
  }

  static char* EncodeHalf(__m256i v, std::uint64_t escapes, char* out) {
    const __m256i hex = TableInBothLanes(kHexDigits);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i zero = _mm256_setzero_si256();
    const __m256i high =
        _mm256_shuffle_epi8(hex, _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble));
    const __m256i low = _mm256_shuffle_epi8(hex, _mm256_and_si256(v, nibble));
    const __m256i first = _mm256_blendv_epi8(v, _mm256_set1_epi8(static_cast<char>(kEquals)),
                                             EscapeFlags<OwnHighBits>(v));
    const __m256i first_high_0 = _mm256_unpacklo_epi8(first, high);
    const __m256i first_high_1 = _mm256_unpackhi_epi8(first, high);
    const __m256i low_0 = _mm256_unpacklo_epi8(low, zero);
    const __m256i low_1 = _mm256_unpackhi_epi8(low, zero);
    // Per lane, bytes 0-3, 4-7, 8-11 and 12-15, four bytes each.
    const __m256i layouts[4] = {
        _mm256_unpacklo_epi16(first_high_0, low_0), _mm256_unpackhi_epi16(first_high_0, low_0),
        _mm256_unpacklo_epi16(first_high_1, low_1), _mm256_unpackhi_epi16(first_high_1, low_1)};
    // Each group's place comes from the escapes before it, not from the
    // group before: the eight stores do not wait for each other.
    for (int lane = 0; lane < 2; ++lane) {
      for (int quad = 0; quad < 4; ++quad) {
        const int first_byte = 16 * lane + 4 * quad;
        const std::uint64_t bits = (escapes >> first_byte) & 0xF;
        const __m128i packed =
            _mm_shuffle_epi8(Lane(layouts[quad], lane), Load16(kEncodePack.at[bits].at));
        char* const at = out + first_byte + 2 * CountBits(escapes & LowBits(first_byte));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(at), packed);
      }
    }
    return out + 32 + 2 * CountBits(escapes);
  }

  // Each byte's worth as a hexadecimal digit, 0 for a non-digit.
  static __m256i DigitsOf(__m256i v) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i low = _mm256_and_si256(v, nibble);
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(v, 4), nibble);
    const __m256i classes =
        _mm256_and_si256(_mm256_shuffle_epi8(TableInBothLanes(kHighNibbleClasses.at), high),
                         _mm256_shuffle_epi8(TableInBothLanes(kLowNibbleClasses.at), low));
    const __m256i value =
        _mm256_add_epi8(low, _mm256_shuffle_epi8(TableInBothLanes(kDigitOffsets.at), high));
    return _mm256_andnot_si256(_mm256_cmpeq_epi8(classes, _mm256_setzero_si256()), value);
  }

  // 0xFF in each byte whose bit is set.
  static __m256i BytesOf(std::uint64_t bits) {
    const __m256i copies = _mm256_set1_epi32(static_cast<int>(bits));
    const __m256i spread = _mm256_shuffle_epi8(
        copies, _mm256_setr_epi8(0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 2, 2, 2,
                                 2, 2, 3, 3, 3, 3, 3, 3, 3, 3));
    const __m256i select = _mm256_set1_epi64x(static_cast<long long>(0x8040201008040201u));
    return _mm256_cmpeq_epi8(_mm256_and_si256(spread, select), select);
  }

  static char* DecodeHalf(__m256i v, __m256i after1, __m256i after2, std::uint64_t starts,
                          std::uint64_t keep, char* out) {
    const __m256i escaped =
        _mm256_or_si256(_mm256_slli_epi16(DigitsOf(after1), 4), DigitsOf(after2));
    const __m256i decoded = _mm256_blendv_epi8(v, escaped, BytesOf(starts));
    for (int octet = 0; octet < 4; ++octet) {
      const std::uint64_t bits = (keep >> (8 * octet)) & 0xFF;
      __m128i order = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(kLeftPack.at[bits].at));
      if (octet % 2 == 1) order = _mm_add_epi8(order, _mm_set1_epi8(8));
      const __m128i packed = _mm_shuffle_epi8(Lane(decoded, octet / 2), order);
      char* const at = out + CountBits(keep & LowBits(8 * octet));
      _mm_storel_epi64(reinterpret_cast<__m128i*>(at), packed);
    }
    return out + CountBits(keep);
  }
};

}  // namespace

extern const Conversions kAvx2Conversions = {
    CountEscapes<Avx2Kernel>, EncodeBlocks<Avx2Kernel>, EncodeBlocks<Avx2Kernel, kIntoRoom>,
    DecodedLengthBlocks<Avx2Kernel>, DecodeBlocks<Avx2Kernel>};

}  // namespace vo_tools::qp
