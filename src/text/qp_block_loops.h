// The codec's block loops, written once and instantiated by the AVX2
// and AVX-512 code, each with its own block kernel (SSE2 and the portable
// code keep loops of their own). A loop walks the input in blocks of the
// kernel's width, turns each block into bit masks (which bytes need an
// escape; which "=" start an escape, and so which bytes are kept), and hands
// the block and its masks to the kernel, which writes the block's output
// without a loop over its escapes.
//
// A kernel `K` provides:
//   K::kWidth         bytes per block, at most 64
//   K::Vector         one block, loaded
//   K::Load(p)        the kWidth bytes at p
//   K::Store(p, v)    writes v to the kWidth bytes at p
//   K::LoadPart(p, count)
//                     the count (< kWidth + 2) bytes at p, zero-filled to a
//                     block, reading p[0, count) and nothing else: a
//                     position past the end reads as a zero byte, which is
//                     no digit and no "=", just what the end of the input
//                     means to an escape
//   K::kExactTails    whether K::EncodePart(v, escapes, count, out) encodes
//                     the first count bytes of v exactly and nothing spills;
//                     the last blocks are then written in place, otherwise
//                     to a local buffer and copied
//   K::EscapeBits(v)  bit i set when byte i needs an escape
//   K::EqualsBits(v)  bit i set when byte i is "="
//   K::EncodeBlock(v, escapes, out)
//                     writes the encoding of v (whatever its escapes, none
//                     included) and returns its end; may write up to
//                     K::kEncodeSpill bytes past that end
//   K::DecodeBlock(v, after1, after2, starts, keep, out)
//                     writes, in order, each byte of v whose keep bit is
//                     set, the escape decoded from the two bytes that follow
//                     it (after1, after2: the input one and two bytes on)
//                     where its starts bit is set; returns the end; may
//                     write up to K::kDecodeSpill bytes past it
//
// Reads: the loops load whole blocks only where the input holds them, and
// the last bytes with LoadPart, so nothing outside in[0, n) is read.
// Writes: a block is written in place only while the output still to come
// is sure to cover what the kernel spills past its end, or, for
// EncodeWithRoom, the room after the output does.
//
// Every function here has internal linkage on purpose: each instruction set's code file is
// compiled with its own instruction-set flags, and a shared inline copy
// chosen by the linker could carry instructions that another instruction set's
// processor lacks.
#ifndef VO_TOOLS_TEXT_QP_BLOCK_LOOPS_H_
#define VO_TOOLS_TEXT_QP_BLOCK_LOOPS_H_

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "qp_cpu.h"
#include "text/qp_codec.h"

namespace vo_tools::qp {
namespace {  // NOLINT: one copy per instruction set, see above

// `bits`, as a value the compiler must take as it is. The loops below carry
// a few bits from block to block; left to itself, the compiler folds that
// carry into the next block's vector compare (as its write mask), which
// puts the compare and two moves between mask and general registers on the
// loop's critical path, several times slower than the scalar bit work.
inline std::uint64_t Opaque(std::uint64_t bits) {
  __asm__("" : "+r"(bits));
  return bits;
}

// The low `count` bits set, for count from 0 to 64. Without a branch: a
// decoded block keeps all its 64 bytes or fewer at random in real text, so a
// branch on it would be mispredicted as often as not.
inline std::uint64_t LowBits(std::size_t count) {
  const std::uint64_t all = 0 - static_cast<std::uint64_t>(count >> 6);
  return ((std::uint64_t{1} << (count & 63)) - 1) | all;
}

// Of the "=" signs of a block (those not already consumed by an escape of
// the block before), the ones that start an escape: an "=" among the two
// characters after a start is a digit of that escape. Only "=" signs within
// two bytes of each other need the sequential rule, and encoded text has
// none, so the loop below runs once per such "=" and not per escape: the
// lowest "=" with another "=" one or two bytes before it follows a start
// (every "=" below it is one), so it is a digit; drop it and look again.
inline std::uint64_t EscapeStarts(std::uint64_t equals) {
  for (;;) {
    const std::uint64_t digits = equals & ((equals << 1) | (equals << 2));
    if (digits == 0) return equals;
    equals &= ~(digits & (0 - digits));
  }
}

// The bytes of the next block that the escapes starting in the last two
// bytes of this one consume.
template <std::size_t kWidth>
inline std::uint64_t CarriedDigits(std::uint64_t starts) {
  const std::uint64_t second_last = (starts >> (kWidth - 2)) & 1;
  const std::uint64_t last = (starts >> (kWidth - 1)) & 1;
  return second_last | (last * 3);
}

// What one decoded block leaves to the next.
struct DecodeCursor {
  std::uint64_t carried = 0;  // bytes at the start of the next block that are digits
  char* out;
};

// One block of encoded text: where its escapes start, and which of its
// bytes stay in the output (the plain ones and each escape's "=", which the
// decoded byte replaces), so that its decoded length is CountBits(keep).
struct DecodeMasks {
  std::uint64_t starts;
  std::uint64_t keep;
};

template <typename K>
inline DecodeMasks MasksOf(std::uint64_t equals, std::uint64_t carried, std::uint64_t valid) {
  const std::uint64_t starts = EscapeStarts(equals & valid & ~carried);
  const std::uint64_t digits = (starts << 1) | (starts << 2) | carried;
  return {starts, ~digits & valid & LowBits(K::kWidth)};
}

// Decodes one block whose "=" signs are `equals`.
template <typename K>
inline void DecodeStep(typename K::Vector block, typename K::Vector after1,
                       typename K::Vector after2, std::uint64_t equals, std::uint64_t valid,
                       DecodeCursor* cursor) {
  const DecodeMasks masks = MasksOf<K>(equals, cursor->carried, valid);
  cursor->out = K::DecodeBlock(block, after1, after2, masks.starts, masks.keep, cursor->out);
  cursor->carried = CarriedDigits<K::kWidth>(masks.starts);
}

// Plain text goes this many blocks at a time.
constexpr std::size_t kGroup = 4;

// ---- Encoding ----

template <typename K>
std::size_t CountEscapes(const char* in, std::size_t n) {
  std::size_t escapes = 0;
  std::size_t i = 0;
  for (; n - i >= K::kWidth; i += K::kWidth) escapes += CountBits(K::EscapeBits(K::Load(in + i)));
  if (i == n) return escapes;
  // Zero bytes need no escape: the padding counts for nothing.
  return escapes + CountBits(K::EscapeBits(K::LoadPart(in + i, n - i)));
}

// Encodes the first `count` bytes of `block` (the rest zero padding, which
// needs no escape) and returns the end of their encoding; a block without
// escapes is stored as it is. Writes a whole block's encoding and spill.
template <typename K>
inline char* EncodeBlockOrCopy(typename K::Vector block, std::uint64_t escapes, std::size_t count,
                               char* out) {
  if (escapes == 0) {
    K::Store(out, block);
  } else {
    K::EncodeBlock(block, escapes, out);
  }
  return out + count + 2 * static_cast<std::size_t>(CountBits(escapes));
}

// Where the encoding may end: exactly at the end of the output, or
// anywhere in the kEncodeRoom bytes after it (EncodeWithRoom).
enum EncodeEnd { kExactly, kIntoRoom };

// Encodes the last n bytes, fewer than a block and its spill.
template <typename K, EncodeEnd kEnd>
char* EncodeTail(const char* in, std::size_t n, char* out) {
  if constexpr (kEnd == kIntoRoom) {
    // Zero padding encodes as zero bytes after the real output, and the
    // room takes them and the spill.
    static_assert(K::kWidth + K::kEncodeSpill <= kEncodeRoom);
    for (std::size_t i = 0; i < n; i += K::kWidth) {
      const std::size_t count = n - i < K::kWidth ? n - i : K::kWidth;
      const typename K::Vector block = K::LoadPart(in + i, count);
      out = EncodeBlockOrCopy<K>(block, K::EscapeBits(block) & LowBits(count), count, out);
    }
    return out;
  } else if constexpr (K::kExactTails) {
    for (std::size_t i = 0; i < n; i += K::kWidth) {
      const std::size_t count = n - i < K::kWidth ? n - i : K::kWidth;
      const typename K::Vector block = K::LoadPart(in + i, count);
      out = K::EncodePart(block, K::EscapeBits(block) & LowBits(count), count, out);
    }
    return out;
  } else {
    // Zero padding encodes as zero bytes after the real output, which the
    // copy leaves out.
    char written[3 * (2 * K::kWidth + K::kEncodeSpill) + K::kEncodeSpill];
    std::size_t length = 0;
    for (std::size_t i = 0; i < n; i += K::kWidth) {
      const std::size_t count = n - i < K::kWidth ? n - i : K::kWidth;
      const typename K::Vector block = K::LoadPart(in + i, count);
      const std::uint64_t escapes = K::EscapeBits(block) & LowBits(count);
      K::EncodeBlock(block, escapes, written + length);
      length += count + 2 * static_cast<std::size_t>(CountBits(escapes));
    }
    std::memcpy(out, written, length);
    return out + length;
  }
}

// Whether the kGroup blocks at p need no escape. Plain text goes a group at
// a time, with one branch that stays predictable whether the text is plain
// or has an escape every few blocks; the blocks of a group that is not
// plain are encoded without a branch on their escapes, since a branch per
// block would be taken at random in text with an escape every block or so.
template <typename K>
inline bool GroupNeedsNoEscape(const char* p) {
  std::uint64_t any = 0;
  for (std::size_t b = 0; b < kGroup; ++b) any |= K::EscapeBits(K::Load(p + b * K::kWidth));
  return any == 0;
}

template <typename K, EncodeEnd kEnd = kExactly>
std::size_t EncodeBlocks(const char* in, std::size_t n, char* out) {
  char* const start = out;
  std::size_t i = 0;
  // Each byte left after a block encodes to at least one byte, so the
  // output still to come covers the block's spill.
  for (; n - i >= kGroup * K::kWidth + K::kEncodeSpill; i += kGroup * K::kWidth) {
    if (GroupNeedsNoEscape<K>(in + i)) {
      for (std::size_t b = 0; b < kGroup; ++b, out += K::kWidth)
        K::Store(out, K::Load(in + i + b * K::kWidth));
      continue;
    }
    for (std::size_t b = 0; b < kGroup; ++b) {
      const typename K::Vector block = K::Load(in + i + b * K::kWidth);
      out = K::EncodeBlock(block, K::EscapeBits(block), out);
    }
  }
  // Short texts, and the last blocks of long ones, go a block at a time; a
  // plain one is copied.
  for (; n - i >= K::kWidth + K::kEncodeSpill; i += K::kWidth) {
    const typename K::Vector block = K::Load(in + i);
    out = EncodeBlockOrCopy<K>(block, K::EscapeBits(block), K::kWidth, out);
  }
  if (i < n) out = EncodeTail<K, kEnd>(in + i, n - i, out);
  return static_cast<std::size_t>(out - start);
}

// ---- Decoding ----

// Whether the kGroup blocks at p hold no "=" (see GroupNeedsNoEscape).
template <typename K>
inline bool GroupIsPlain(const char* p) {
  std::uint64_t any = 0;
  for (std::size_t b = 0; b < kGroup; ++b) any |= K::EqualsBits(K::Load(p + b * K::kWidth));
  return any == 0;
}

template <typename K>
std::size_t DecodedLengthBlocks(const char* in, std::size_t n) {
  std::size_t length = 0;
  std::uint64_t carried = 0;
  std::size_t i = 0;
  auto measure = [&](std::uint64_t equals) {
    const DecodeMasks masks = MasksOf<K>(equals, carried, ~std::uint64_t{0});
    length += static_cast<std::size_t>(CountBits(masks.keep));
    carried = CarriedDigits<K::kWidth>(masks.starts);
  };
  for (; n - i >= kGroup * K::kWidth; i += kGroup * K::kWidth) {
    if (carried == 0 && GroupIsPlain<K>(in + i)) {
      length += kGroup * K::kWidth;
      continue;
    }
    for (std::size_t b = 0; b < kGroup; ++b)
      measure(Opaque(K::EqualsBits(K::Load(in + i + b * K::kWidth))));
  }
  for (; n - i >= K::kWidth; i += K::kWidth) measure(Opaque(K::EqualsBits(K::Load(in + i))));
  if (i == n) return length;
  const typename K::Vector block = K::LoadPart(in + i, n - i);
  const DecodeMasks masks = MasksOf<K>(Opaque(K::EqualsBits(block)), carried, LowBits(n - i));
  return length + static_cast<std::size_t>(CountBits(masks.keep));
}

// A block of decoded output is at least a third of its block of input, so
// this many bytes of input after a block cover what its kernel may spill.
template <typename K>
constexpr std::size_t kDecodeInPlace = K::kWidth + 2 + 3 * K::kDecodeSpill;

// Decodes the last n bytes, fewer than kDecodeInPlace.
template <typename K>
void DecodeTail(const char* in, std::size_t n, DecodeCursor* cursor) {
  char written[K::kExactTails ? 1 : kDecodeInPlace<K> + K::kWidth + K::kDecodeSpill];
  char* const out = cursor->out;
  if constexpr (!K::kExactTails) cursor->out = written;
  for (std::size_t i = 0; i < n; i += K::kWidth) {
    const std::size_t left = n - i;
    const typename K::Vector block = K::LoadPart(in + i, left);
    DecodeStep<K>(block, K::LoadPart(in + i + 1, left - 1),
                  K::LoadPart(in + i + 2, left < 2 ? 0 : left - 2), Opaque(K::EqualsBits(block)),
                  LowBits(left), cursor);
  }
  if constexpr (!K::kExactTails) {
    const std::size_t length = static_cast<std::size_t>(cursor->out - written);
    std::memcpy(out, written, length);
    cursor->out = out + length;
  }
}

template <typename K>
std::size_t DecodeBlocks(const char* in, std::size_t n, char* out) {
  DecodeCursor cursor;
  cursor.out = out;
  std::size_t i = 0;
  auto decode = [&](std::size_t at, std::uint64_t equals) {
    DecodeStep<K>(K::Load(in + at), K::Load(in + at + 1), K::Load(in + at + 2), equals,
                  ~std::uint64_t{0}, &cursor);
  };
  for (; n - i >= kDecodeInPlace<K> + (kGroup - 1) * K::kWidth; i += kGroup * K::kWidth) {
    if (cursor.carried == 0 && GroupIsPlain<K>(in + i)) {
      for (std::size_t b = 0; b < kGroup; ++b, cursor.out += K::kWidth)
        K::Store(cursor.out, K::Load(in + i + b * K::kWidth));
      continue;
    }
    for (std::size_t b = 0; b < kGroup; ++b) {
      const std::size_t at = i + b * K::kWidth;
      decode(at, Opaque(K::EqualsBits(K::Load(in + at))));
    }
  }
  // Short texts, and the last blocks of long ones, go a block at a time; a
  // plain one is copied.
  for (; n - i >= kDecodeInPlace<K>; i += K::kWidth) {
    const typename K::Vector block = K::Load(in + i);
    const std::uint64_t equals = Opaque(K::EqualsBits(block));
    if ((equals | cursor.carried) == 0) {
      K::Store(cursor.out, block);
      cursor.out += K::kWidth;
    } else {
      decode(i, equals);
    }
  }
  if (i < n) DecodeTail<K>(in + i, n - i, &cursor);
  return static_cast<std::size_t>(cursor.out - out);
}

}  // namespace
}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QP_BLOCK_LOOPS_H_
