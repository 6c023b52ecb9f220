#include "text/quoted_printable_blocks.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace vo_tools::qp {

char* AllocateBlock(std::size_t length, AllocateFunction allocate) {
  if (length == kLengthOverflow) return nullptr;  // no room for the terminator
  return static_cast<char*>(allocate(length + 1));
}

namespace {

// Texts are measured and copied a chunk at a time, so that each chunk is
// read from memory once and then worked on in the nearest cache.
constexpr std::size_t kChunk = 8192;

struct MeasuredText {
  std::size_t length = 0;
  std::size_t escapes = 0;
  bool ended = false;  // the terminator was found
};

// The length of `text` when its terminator is among its first `limit`
// bytes, else `limit`. memchr stops at the terminator, so nothing past it is
// read.
std::size_t LengthUpTo(const char* text, std::size_t limit) {
  const void* zero = std::memchr(text, '\0', limit);
  return zero == nullptr ? limit : static_cast<std::size_t>(static_cast<const char*>(zero) - text);
}

// Adds the next chunk of `text` to `measured`: the search for the
// terminator brings it into the nearest cache, and its escapes are counted
// there.
void MeasureChunk(const char* text, MeasuredText* measured, Path path) {
  const char* chunk = text + measured->length;
  const std::size_t length = LengthUpTo(chunk, kChunk);
  measured->escapes += CountEscapes(chunk, length, path);
  measured->length += length;
  measured->ended = length < kChunk;
}

char* Terminated(char* block, std::size_t length) {
  block[length] = '\0';
  return block;
}

// A new block holding data[0, length) and its terminator.
char* CopiedToBlock(const char* data, std::size_t length, AllocateFunction allocate) {
  char* block = AllocateBlock(length, allocate);
  if (block == nullptr) return nullptr;
  std::memcpy(block, data, length);
  return Terminated(block, length);
}

// The block is allocated at its exact size, and the encoding written
// straight into it: no working buffer, no copy. Every byte of the block is
// written, so it needs no zero fill.
char* EncodeMeasured(const char* text, const MeasuredText& measured, AllocateFunction allocate,
                     Path path) {
  const std::size_t length = EncodedLengthFor(measured.length, measured.escapes);
  char* block = AllocateBlock(length, allocate);
  if (block == nullptr) return nullptr;
  Encode(text, measured.length, block, path);
  return Terminated(block, length);
}

// Copies text[from, n) to out[from, n) a chunk at a time while the chunks
// need no escape, each counted and then copied while in the nearest cache;
// returns where it stopped.
std::size_t CopyWhilePlain(const char* text, std::size_t from, std::size_t n, char* out,
                           Path path) {
  while (from < n) {
    const std::size_t length = std::min(kChunk, n - from);
    if (CountEscapes(text + from, length, path) != 0) break;
    std::memcpy(out + from, text + from, length);
    from += length;
  }
  return from;
}

// A long text that starts plain: a block for it as plain text is filled as
// the text is checked, so that plain text is read twice (its length, then
// the copy) as by a plain copy, not three times. At the first chunk with an
// escape, the rest is counted, the exact block allocated, and what was
// copied moved over.
char* EncodeStartingPlain(const char* text, std::size_t plain, AllocateFunction allocate,
                          Path path) {
  const std::size_t n = plain + std::strlen(text + plain);
  char* block = AllocateBlock(n, allocate);
  if (block == nullptr) return nullptr;
  std::memcpy(block, text, plain);
  const std::size_t copied = CopyWhilePlain(text, plain, n, block, path);
  if (copied == n) return Terminated(block, n);

  const std::size_t length = EncodedLengthFor(n, CountEscapes(text + copied, n - copied, path));
  char* exact = AllocateBlock(length, allocate);
  if (exact != nullptr) {
    std::memcpy(exact, block, copied);
    Encode(text + copied, n - copied, exact + copied, path);
    Terminated(exact, length);
  }
  std::free(block);
  return exact;
}

// A short text is encoded into a buffer on the stack, then copied into its
// block: one pass over the text instead of two.
constexpr std::size_t kShort = 256;

char* EncodeShort(const char* text, std::size_t n, AllocateFunction allocate, Path path) {
  char encoded[3 * kShort + kEncodeRoom];
  return CopiedToBlock(encoded, EncodeWithRoom(text, n, encoded, path), allocate);
}

// Likewise for decoding, whose output is never longer than its input.
char* DecodeShort(const char* encoded, std::size_t n, AllocateFunction allocate, Path path) {
  char decoded[kShort];
  return CopiedToBlock(decoded, Decode(encoded, n, decoded, path), allocate);
}

// A long text is decoded straight into a block of its own length, which
// the decoding never exceeds, and the block is then shrunk to the
// decoding's length: one pass over the text, where measuring the decoding
// first would take two. Heaps shrink a block where it lies, without a copy;
// should one refuse, the block as it is still holds the result.
char* DecodeLong(const char* encoded, std::size_t n, AllocateFunction allocate, Path path) {
  char* block = AllocateBlock(n, allocate);
  if (block == nullptr) return nullptr;
  const std::size_t length = Decode(encoded, n, block, path);
  Terminated(block, length);
  if (length == n) return block;
  void* shrunk = std::realloc(block, length + 1);
  return shrunk != nullptr ? static_cast<char*>(shrunk) : block;
}

}  // namespace

char* EncodeToBlock(const char* text, AllocateFunction allocate, Path path) {
  if (text == nullptr) return nullptr;
  const std::size_t n = LengthUpTo(text, kShort + 1);
  if (n <= kShort) return EncodeShort(text, n, allocate, path);
  MeasuredText measured;
  MeasureChunk(text, &measured, path);
  if (!measured.ended && measured.escapes == 0) {
    return EncodeStartingPlain(text, measured.length, allocate, path);
  }
  while (!measured.ended) MeasureChunk(text, &measured, path);
  return EncodeMeasured(text, measured, allocate, path);
}

char* DecodeToBlock(const char* encoded, AllocateFunction allocate, Path path) {
  if (encoded == nullptr) return nullptr;
  const std::size_t n = LengthUpTo(encoded, kShort + 1);
  if (n <= kShort) return DecodeShort(encoded, n, allocate, path);
  return DecodeLong(encoded, n + std::strlen(encoded + n), allocate, path);
}

}  // namespace vo_tools::qp
