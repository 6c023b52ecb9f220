// The SSE2 code: 16-byte vectors, the x86-64 baseline (and an extension on
// 32-bit x86, checked by the dispatch). SSE2 has no byte shuffle, so this
// instruction set does not pack blocks: it finds escapes by vector compares and copies
// each run of plain bytes with one vector store, the escape after it
// overwriting the excess; blocks dense with escapes go byte by byte.
//
// The loops leave a margin at the end of the input so that a whole vector
// may be loaded or stored beyond the bytes a step needs: loads stay inside
// the input, and stores inside the output, whose length the margin bounds
// from below. The tails go byte by byte.
#include <emmintrin.h>

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "qp_bytes.h"
#include "qp_conversions.h"
#include "qp_cpu.h"
#include "qp_tables.h"

namespace vo_tools::qp {
namespace {

// Writes an escape as 4 bytes; only for outputs with a byte to spare.
inline char* WriteEscapeWide(unsigned char b, char* out) {
  std::memcpy(out, kEncodings.at[b].at, 4);
  return out + 3;
}

// Encodes in[0, n) when every byte of it needs an escape; the copies do not
// wait for each other. Needs 1 spare byte of output.
inline char* EncodeEscapesWide(const char* in, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; ++i) std::memcpy(out + 3 * i, kEncodings.at[Byte(in + i)].at, 4);
  return out + 3 * n;
}

// The decoded length of in[0, n), byte by byte.
inline std::size_t DecodedLengthOfBytes(const char* in, std::size_t n) {
  std::size_t length = 0;
  for (std::size_t i = 0; i < n; ++length) i += Byte(in + i) == kEquals ? 3 : 1;
  return length;
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

std::size_t CountEscapesSse2(const char* in, std::size_t n) {
  std::size_t escapes = 0;
  std::size_t i = 0;
  for (; i + kSse2Width <= n; i += kSse2Width)
    escapes += CountBits(Sse2EscapeMask(Sse2Load(in + i)));
  for (; i < n; ++i) escapes += NeedsEscape(Byte(in + i)) ? 1 : 0;
  return escapes;
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
    if (CountBits(mask) > kDenseSse2) {
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
    if (CountBits(mask) > kDenseSse2) {
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

}  // namespace

extern const Conversions kSse2Conversions = {CountEscapesSse2, EncodeSse2, EncodeSse2,
                                             DecodedLengthSse2, DecodeSse2};

}  // namespace vo_tools::qp
