#include "qp_codec.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#define VO_QP_SSE2 1
#include <emmintrin.h>
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define VO_QP_AVX2 1
#include <immintrin.h>
#endif
#endif

namespace vo_tools::qp {
namespace {

constexpr unsigned char kEquals = '=';

// Per byte value, its encoding padded to 4 bytes: "=" and two upper-case
// digits for bytes that need an escape, the byte itself for the others. An
// encoding is then written as one 4-byte copy whenever the output has room
// for the padding, which the next encoding overwrites.
struct EncodingTable {
  char text[256][4];
};

constexpr bool NeedsEscape(unsigned char b) {
  return b >= 0x80 || b == kEquals;
}

constexpr EncodingTable MakeEncodingTable() {
  constexpr char kHexDigits[] = "0123456789ABCDEF";
  EncodingTable table{};
  for (int b = 0; b < 256; ++b) {
    if (NeedsEscape(static_cast<unsigned char>(b))) {
      table.text[b][0] = '=';
      table.text[b][1] = kHexDigits[b >> 4];
      table.text[b][2] = kHexDigits[b & 15];
    } else {
      table.text[b][0] = static_cast<char>(b);
    }
  }
  return table;
}

constexpr EncodingTable kEncodings = MakeEncodingTable();

// Per character: its hexadecimal value, or 0 when it is not a digit.
struct DigitTable {
  unsigned char value[256];
};

constexpr DigitTable MakeDigitTable() {
  DigitTable table{};
  for (int c = '0'; c <= '9'; ++c) table.value[c] = static_cast<unsigned char>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) table.value[c] = static_cast<unsigned char>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) table.value[c] = static_cast<unsigned char>(c - 'a' + 10);
  return table;
}

constexpr DigitTable kDigits = MakeDigitTable();

inline unsigned char Byte(const char* p) {
  return static_cast<unsigned char>(*p);
}

// Writes one input byte's encoding, exactly.
inline char* EncodeByte(unsigned char b, char* out) {
  if (!NeedsEscape(b)) {
    *out = static_cast<char>(b);
    return out + 1;
  }
  std::memcpy(out, kEncodings.text[b], 3);
  return out + 3;
}

// Encodes in[0, n) byte by byte: the tails the block loops leave.
inline char* EncodeBytes(const char* in, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; ++i) out = EncodeByte(Byte(in + i), out);
  return out;
}

// Encodes in[0, n) with one 4-byte copy a byte and no branch: the fastest
// way through blocks dense with escapes. Needs 3 spare bytes of output. The
// step is computed from the byte rather than looked up: the next copy's
// address waits for it, and a load would add its latency to every byte.
inline char* EncodeBytesWide(const char* in, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; ++i) {
    const unsigned char b = Byte(in + i);
    std::memcpy(out, kEncodings.text[b], 4);
    out += 1 + 2 * ((b >> 7) | (b == kEquals));
  }
  return out;
}

inline char DecodeEscape(unsigned char high, unsigned char low) {
  return static_cast<char>(kDigits.value[high] * 16 + kDigits.value[low]);
}

// Decodes in[0, n) byte by byte, the end of the input counting as a
// non-digit; returns the end of the output.
inline char* DecodeBytes(const char* in, std::size_t n, char* out) {
  std::size_t i = 0;
  while (i < n) {
    if (Byte(in + i) != kEquals) {
      *out++ = in[i++];
      continue;
    }
    const unsigned char high = i + 1 < n ? Byte(in + i + 1) : 0;
    const unsigned char low = i + 2 < n ? Byte(in + i + 2) : 0;
    *out++ = DecodeEscape(high, low);
    i += 3;
  }
  return out;
}

inline int BitCount(std::uint64_t mask) {
#if defined(__GNUC__)
  return __builtin_popcountll(mask);
#else
  int count = 0;
  for (; mask != 0; mask &= mask - 1) ++count;
  return count;
#endif
}

// ---- Portable path: eight bytes in a 64-bit word ----

constexpr std::uint64_t kHighBits = 0x8080808080808080u;
constexpr std::uint64_t kLowSeven = 0x7F7F7F7F7F7F7F7Fu;
constexpr std::uint64_t kEqualsBytes = 0x3D3D3D3D3D3D3D3Du;

// The high bit of each byte of `word` that needs an escape (exact per byte:
// no carry crosses from one byte into the next).
inline std::uint64_t EscapeBits(std::uint64_t word) {
  const std::uint64_t x = word ^ kEqualsBytes;
  const std::uint64_t nonzero = ((x & kLowSeven) + kLowSeven) | x;
  return (word | ~nonzero) & kHighBits;
}

inline std::uint64_t LoadWord(const char* p) {
  std::uint64_t word;
  std::memcpy(&word, p, sizeof word);
  return word;
}

std::size_t EncodedLengthPortable(const char* in, std::size_t n) {
  std::size_t escapes = 0;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) escapes += BitCount(EscapeBits(LoadWord(in + i)));
  for (; i < n; ++i) escapes += NeedsEscape(Byte(in + i)) ? 1 : 0;
  return EncodedLengthFor(n, escapes);
}

std::size_t EncodePortable(const char* in, std::size_t n, char* out) {
  char* const start = out;
  std::size_t i = 0;
  // A word of input left after the block leaves the wide copies room.
  for (; i + 16 <= n; i += 8) {
    if (EscapeBits(LoadWord(in + i)) == 0) {
      std::memcpy(out, in + i, 8);
      out += 8;
    } else {
      out = EncodeBytesWide(in + i, 8, out);
    }
  }
  return static_cast<std::size_t>(EncodeBytes(in + i, n - i, out) - start);
}

// Runs between "=" signs are found by memchr, which the C library already
// vectorises for the machine, and copied whole.
std::size_t DecodedLengthPortable(const char* in, std::size_t n) {
  std::size_t length = 0;
  std::size_t i = 0;
  while (i < n) {
    const void* found = std::memchr(in + i, kEquals, n - i);
    if (found == nullptr) return length + (n - i);
    const std::size_t at = static_cast<std::size_t>(static_cast<const char*>(found) - in);
    length += at - i + 1;
    i = at + 3;
  }
  return length;
}

std::size_t DecodePortable(const char* in, std::size_t n, char* out) {
  char* const start = out;
  std::size_t i = 0;
  while (i < n) {
    const void* found = std::memchr(in + i, kEquals, n - i);
    const std::size_t at =
        found == nullptr ? n : static_cast<std::size_t>(static_cast<const char*>(found) - in);
    std::memcpy(out, in + i, at - i);
    out += at - i;
    if (at == n) break;
    // The escape may run past the end: the byte-wise decoder knows the rule.
    const std::size_t escape = n - at < 3 ? n - at : 3;
    out = DecodeBytes(in + at, escape, out);
    i = at + 3;
  }
  return static_cast<std::size_t>(out - start);
}

#if VO_QP_SSE2

// Helpers of the vector paths alone.

// Writes an escape as 4 bytes; only for outputs with a byte to spare.
inline char* WriteEscapeWide(unsigned char b, char* out) {
  std::memcpy(out, kEncodings.text[b], 4);
  return out + 3;
}

// Encodes in[0, n) when every byte of it needs an escape; the copies do not
// wait for each other. Needs 1 spare byte of output.
inline char* EncodeEscapesWide(const char* in, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; ++i) std::memcpy(out + 3 * i, kEncodings.text[Byte(in + i)], 4);
  return out + 3 * n;
}

// The decoded length of in[0, n), byte by byte.
inline std::size_t DecodedLengthOfBytes(const char* in, std::size_t n) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < n; ++length) i += Byte(in + i) == kEquals ? 3 : 1;
  return length;
}

inline int LowestBit(std::uint64_t mask) {
#if defined(__GNUC__)
  return __builtin_ctzll(mask);
#else
  int bit = 0;
  while ((mask & 1) == 0) {
    mask >>= 1;
    ++bit;
  }
  return bit;
#endif
}

// Clears the bits of `mask` below `position` (which may exceed 63).
inline std::uint64_t BitsFrom(std::uint64_t mask, std::size_t position) {
  return position >= 64 ? 0 : mask & (~std::uint64_t{0} << position);
}

// Decodes from *i until it reaches `end`, byte by byte: the fastest way
// through text that is mostly escapes, where the branches are predictable.
// An escape may start before `end` and reach 2 bytes past it, so the input
// must extend that far.
inline char* DecodeStretch(const char* in, std::size_t* i, std::size_t end, char* out) {
  std::size_t at = *i;
  while (at < end) {
    if (Byte(in + at) != kEquals) {
      *out++ = in[at++];
    } else {
      *out++ = DecodeEscape(Byte(in + at + 1), Byte(in + at + 2));
      at += 3;
    }
  }
  *i = at;
  return out;
}

// ---- SSE2 path: 16-byte vectors, the x86-64 baseline ----
//
// The block loops leave a margin at the end of the input so that a whole
// vector may be loaded or stored beyond the bytes a step needs: loads stay
// inside the input, and stores inside the output, whose length the margin
// bounds from below. The tails go byte by byte.

constexpr std::size_t kSse2Width = 16;
constexpr std::uint64_t kAllSse2 = 0xFFFF;
// Escapes in a block beyond which a byte-wise pass beats copying runs.
constexpr int kDenseSse2 = 4;

inline std::uint64_t Sse2EscapeMask(__m128i v) {
  const __m128i equals = _mm_set1_epi8(static_cast<char>(kEquals));
  return static_cast<unsigned>(_mm_movemask_epi8(v) | _mm_movemask_epi8(_mm_cmpeq_epi8(v, equals)));
}

inline std::uint64_t Sse2EqualsMask(__m128i v) {
  const __m128i equals = _mm_set1_epi8(static_cast<char>(kEquals));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, equals)));
}

inline __m128i Sse2Load(const char* p) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}

inline void Sse2Store(char* p, __m128i v) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v);
}

std::size_t EncodedLengthSse2(const char* in, std::size_t n) {
  std::size_t escapes = 0;
  std::size_t i = 0;
  for (; i + kSse2Width <= n; i += kSse2Width)
    escapes += BitCount(Sse2EscapeMask(Sse2Load(in + i)));
  for (; i < n; ++i) escapes += NeedsEscape(Byte(in + i)) ? 1 : 0;
  return EncodedLengthFor(n, escapes);
}

// Within a block with a few escapes, each run of plain bytes is copied by
// one vector store from its start, and the escape after it overwrites the
// excess; a block with more goes byte by byte through the table.
std::size_t EncodeSse2(const char* in, std::size_t n, char* out) {
  char* const start = out;
  std::size_t i = 0;
  for (; i + 2 * kSse2Width <= n; i += kSse2Width) {
    const __m128i block = Sse2Load(in + i);
    std::uint64_t mask = Sse2EscapeMask(block);
    if (mask == 0) {
      Sse2Store(out, block);
      out += kSse2Width;
      continue;
    }
    if (BitCount(mask) > kDenseSse2) {
      out = mask == kAllSse2 ? EncodeEscapesWide(in + i, kSse2Width, out)
                             : EncodeBytesWide(in + i, kSse2Width, out);
      continue;
    }
    std::size_t p = 0;
    for (; mask != 0; mask &= mask - 1) {
      const std::size_t j = static_cast<std::size_t>(LowestBit(mask));
      Sse2Store(out, Sse2Load(in + i + p));
      out = WriteEscapeWide(Byte(in + i + j), out + (j - p));
      p = j + 1;
    }
    Sse2Store(out, Sse2Load(in + i + p));
    out += kSse2Width - p;
  }
  return static_cast<std::size_t>(EncodeBytes(in + i, n - i, out) - start);
}

std::size_t DecodedLengthSse2(const char* in, std::size_t n) {
  std::size_t length = 0;
  std::size_t i = 0;
  while (i + kSse2Width <= n) {
    std::uint64_t mask = Sse2EqualsMask(Sse2Load(in + i));
    std::size_t p = 0;
    while (mask != 0) {
      const std::size_t j = static_cast<std::size_t>(LowestBit(mask));
      length += j - p + 1;
      p = j + 3;
      mask = BitsFrom(mask, p);
    }
    if (p < kSse2Width) {
      length += kSse2Width - p;
      p = kSse2Width;
    }
    i += p;
  }
  return i < n ? length + DecodedLengthOfBytes(in + i, n - i) : length;
}

std::size_t DecodeSse2(const char* in, std::size_t n, char* out) {
  char* const start = out;
  std::size_t i = 0;
  // Each output byte takes at most 3 input bytes, so 4 widths of input left
  // leave at least a width of output after any run start in the block.
  while (i + 4 * kSse2Width <= n) {
    const __m128i block = Sse2Load(in + i);
    std::uint64_t mask = Sse2EqualsMask(block);
    if (mask == 0) {
      Sse2Store(out, block);
      out += kSse2Width;
      i += kSse2Width;
      continue;
    }
    if (BitCount(mask) > kDenseSse2) {
      const std::size_t end = i + kSse2Width;
      out = DecodeStretch(in, &i, end, out);
      continue;
    }
    std::size_t p = 0;
    while (mask != 0) {
      const std::size_t j = static_cast<std::size_t>(LowestBit(mask));
      Sse2Store(out, Sse2Load(in + i + p));
      out += j - p;
      *out++ = DecodeEscape(Byte(in + i + j + 1), Byte(in + i + j + 2));
      p = j + 3;
      mask = BitsFrom(mask, p);
    }
    if (p < kSse2Width) {
      Sse2Store(out, Sse2Load(in + i + p));
      out += kSse2Width - p;
      p = kSse2Width;
    }
    i += p;
  }
  return static_cast<std::size_t>(DecodeBytes(in + i, n - i, out) - start);
}

#endif  // VO_QP_SSE2

#if VO_QP_AVX2

// ---- AVX2 path: the SSE2 loops with 32-byte vectors ----

#define VO_QP_TARGET_AVX2 __attribute__((target("avx2")))

constexpr std::size_t kAvx2Width = 32;
constexpr std::uint64_t kAllAvx2 = 0xFFFFFFFF;
constexpr int kDenseAvx2 = 8;

VO_QP_TARGET_AVX2 inline __m256i Avx2Load(const char* p) {
  return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}

VO_QP_TARGET_AVX2 inline void Avx2Store(char* p, __m256i v) {
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

VO_QP_TARGET_AVX2 inline std::uint64_t Avx2EqualsMask(__m256i v) {
  const __m256i equals = _mm256_set1_epi8(static_cast<char>(kEquals));
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, equals)));
}

VO_QP_TARGET_AVX2 inline std::uint64_t Avx2EscapeMask(__m256i v) {
  return static_cast<std::uint32_t>(_mm256_movemask_epi8(v)) | Avx2EqualsMask(v);
}

VO_QP_TARGET_AVX2 std::size_t EncodedLengthAvx2(const char* in, std::size_t n) {
  std::size_t escapes = 0;
  std::size_t i = 0;
  // Two blocks' 32-bit masks share one 64-bit count.
  for (; i + 2 * kAvx2Width <= n; i += 2 * kAvx2Width) {
    const std::uint64_t low = Avx2EscapeMask(Avx2Load(in + i));
    const std::uint64_t high = Avx2EscapeMask(Avx2Load(in + i + kAvx2Width));
    escapes += BitCount(low | (high << 32));
  }
  for (; i + kAvx2Width <= n; i += kAvx2Width)
    escapes += BitCount(Avx2EscapeMask(Avx2Load(in + i)));
  for (; i < n; ++i) escapes += NeedsEscape(Byte(in + i)) ? 1 : 0;
  return EncodedLengthFor(n, escapes);
}

VO_QP_TARGET_AVX2 std::size_t EncodeAvx2(const char* in, std::size_t n, char* out) {
  char* const start = out;
  std::size_t i = 0;
  for (; i + 2 * kAvx2Width <= n; i += kAvx2Width) {
    const __m256i block = Avx2Load(in + i);
    std::uint64_t mask = Avx2EscapeMask(block);
    if (mask == 0) {
      Avx2Store(out, block);
      out += kAvx2Width;
      continue;
    }
    if (BitCount(mask) > kDenseAvx2) {
      out = mask == kAllAvx2 ? EncodeEscapesWide(in + i, kAvx2Width, out)
                             : EncodeBytesWide(in + i, kAvx2Width, out);
      continue;
    }
    std::size_t p = 0;
    for (; mask != 0; mask &= mask - 1) {
      const std::size_t j = static_cast<std::size_t>(LowestBit(mask));
      Avx2Store(out, Avx2Load(in + i + p));
      out = WriteEscapeWide(Byte(in + i + j), out + (j - p));
      p = j + 1;
    }
    Avx2Store(out, Avx2Load(in + i + p));
    out += kAvx2Width - p;
  }
  return static_cast<std::size_t>(EncodeBytes(in + i, n - i, out) - start);
}

// Whether the two vectors at `p` hold no "=": plain stretches go two
// vectors a step, which halves the loop's overhead on plain text.
VO_QP_TARGET_AVX2 inline bool Avx2PairIsPlain(const char* p, __m256i* first, __m256i* second) {
  const __m256i equals = _mm256_set1_epi8(static_cast<char>(kEquals));
  *first = Avx2Load(p);
  *second = Avx2Load(p + kAvx2Width);
  const __m256i hits =
      _mm256_or_si256(_mm256_cmpeq_epi8(*first, equals), _mm256_cmpeq_epi8(*second, equals));
  return _mm256_movemask_epi8(hits) == 0;
}

VO_QP_TARGET_AVX2 std::size_t DecodedLengthAvx2(const char* in, std::size_t n) {
  std::size_t length = 0;
  std::size_t i = 0;
  __m256i first, second;
  while (i + kAvx2Width <= n) {
    while (i + 2 * kAvx2Width <= n && Avx2PairIsPlain(in + i, &first, &second)) {
      length += 2 * kAvx2Width;
      i += 2 * kAvx2Width;
    }
    if (i + kAvx2Width > n) break;
    std::uint64_t mask = Avx2EqualsMask(Avx2Load(in + i));
    std::size_t p = 0;
    while (mask != 0) {
      const std::size_t j = static_cast<std::size_t>(LowestBit(mask));
      length += j - p + 1;
      p = j + 3;
      mask = BitsFrom(mask, p);
    }
    if (p < kAvx2Width) {
      length += kAvx2Width - p;
      p = kAvx2Width;
    }
    i += p;
  }
  return i < n ? length + DecodedLengthOfBytes(in + i, n - i) : length;
}

VO_QP_TARGET_AVX2 std::size_t DecodeAvx2(const char* in, std::size_t n, char* out) {
  char* const start = out;
  std::size_t i = 0;
  __m256i first, second;
  while (i + 4 * kAvx2Width <= n) {
    while (i + 4 * kAvx2Width <= n && Avx2PairIsPlain(in + i, &first, &second)) {
      Avx2Store(out, first);
      Avx2Store(out + kAvx2Width, second);
      out += 2 * kAvx2Width;
      i += 2 * kAvx2Width;
    }
    if (i + 4 * kAvx2Width > n) break;
    const __m256i block = Avx2Load(in + i);
    std::uint64_t mask = Avx2EqualsMask(block);
    if (mask == 0) {
      Avx2Store(out, block);
      out += kAvx2Width;
      i += kAvx2Width;
      continue;
    }
    if (BitCount(mask) > kDenseAvx2) {
      const std::size_t end = i + kAvx2Width;
      out = DecodeStretch(in, &i, end, out);
      continue;
    }
    std::size_t p = 0;
    while (mask != 0) {
      const std::size_t j = static_cast<std::size_t>(LowestBit(mask));
      Avx2Store(out, Avx2Load(in + i + p));
      out += j - p;
      *out++ = DecodeEscape(Byte(in + i + j + 1), Byte(in + i + j + 2));
      p = j + 3;
      mask = BitsFrom(mask, p);
    }
    if (p < kAvx2Width) {
      Avx2Store(out, Avx2Load(in + i + p));
      out += kAvx2Width - p;
      p = kAvx2Width;
    }
    i += p;
  }
  return static_cast<std::size_t>(DecodeBytes(in + i, n - i, out) - start);
}

#undef VO_QP_TARGET_AVX2

#endif  // VO_QP_AVX2

struct Kernels {
  std::size_t (*encoded_length)(const char*, std::size_t);
  std::size_t (*encode)(const char*, std::size_t, char*);
  std::size_t (*decoded_length)(const char*, std::size_t);
  std::size_t (*decode)(const char*, std::size_t, char*);
};

constexpr Kernels kPortableKernels = {EncodedLengthPortable, EncodePortable, DecodedLengthPortable,
                                      DecodePortable};
#if VO_QP_SSE2
constexpr Kernels kSse2Kernels = {EncodedLengthSse2, EncodeSse2, DecodedLengthSse2, DecodeSse2};
#endif
#if VO_QP_AVX2
constexpr Kernels kAvx2Kernels = {EncodedLengthAvx2, EncodeAvx2, DecodedLengthAvx2, DecodeAvx2};
#endif

bool ProcessorHasAvx2() {
#if VO_QP_AVX2
  static const bool has_avx2 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has_avx2;
#else
  return false;
#endif
}

// An unavailable path runs as the portable one.
const Kernels& KernelsFor(Path path) {
#if VO_QP_AVX2
  if (path == Path::kAvx2 && ProcessorHasAvx2()) return kAvx2Kernels;
#endif
#if VO_QP_SSE2
  if (path == Path::kSse2 || path == Path::kAvx2) return kSse2Kernels;
#endif
  (void)path;
  return kPortableKernels;
}

}  // namespace

bool PathAvailable(Path path) {
  switch (path) {
    case Path::kPortable:
      return true;
    case Path::kSse2:
#if VO_QP_SSE2
      return true;
#else
      return false;
#endif
    case Path::kAvx2:
      return ProcessorHasAvx2();
  }
  return false;
}

Path FastestPath() {
  if (PathAvailable(Path::kAvx2)) return Path::kAvx2;
  if (PathAvailable(Path::kSse2)) return Path::kSse2;
  return Path::kPortable;
}

std::size_t EncodedLength(const char* in, std::size_t n, Path path) {
  return KernelsFor(path).encoded_length(in, n);
}

std::size_t Encode(const char* in, std::size_t n, char* out, Path path) {
  return KernelsFor(path).encode(in, n, out);
}

std::size_t DecodedLength(const char* in, std::size_t n, Path path) {
  return KernelsFor(path).decoded_length(in, n);
}

std::size_t Decode(const char* in, std::size_t n, char* out, Path path) {
  return KernelsFor(path).decode(in, n, out);
}

}  // namespace vo_tools::qp
