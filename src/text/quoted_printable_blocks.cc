#include "text/quoted_printable_blocks.h"

#include <cstring>

namespace vo_tools::qp {

char* AllocateBlock(std::size_t length, AllocateFunction allocate) {
  if (length == kLengthOverflow) return nullptr;  // no room for the terminator
  return static_cast<char*>(allocate(length + 1));
}

namespace {

struct MeasuredText {
  std::size_t length;
  std::size_t escapes;
};

// The text's length and its escapes, a chunk at a time: each chunk is
// counted while the search for the terminator has just brought it into the
// nearest cache, so the text is read from memory once for both. memchr
// stops at the terminator, so nothing past it is read.
MeasuredText Measure(const char* text, Path path) {
  constexpr std::size_t kChunk = 8192;
  MeasuredText measured{0, 0};
  for (;;) {
    const char* chunk = text + measured.length;
    const void* zero = std::memchr(chunk, '\0', kChunk);
    const std::size_t length =
        zero == nullptr ? kChunk : static_cast<std::size_t>(static_cast<const char*>(zero) - chunk);
    measured.escapes += CountEscapes(chunk, length, path);
    measured.length += length;
    if (zero != nullptr) return measured;
  }
}

}  // namespace

// One pass measures, the block is allocated at its exact size, and a second
// pass writes straight into it: no working buffer, no copy. Every byte of
// the block is written, so it needs no zero fill.
char* EncodeToBlock(const char* text, AllocateFunction allocate, Path path) {
  if (text == nullptr) return nullptr;
  const MeasuredText measured = Measure(text, path);
  const std::size_t length = EncodedLengthFor(measured.length, measured.escapes);
  char* block = AllocateBlock(length, allocate);
  if (block == nullptr) return nullptr;
  Encode(text, measured.length, block, path);
  block[length] = '\0';
  return block;
}

char* DecodeToBlock(const char* encoded, AllocateFunction allocate, Path path) {
  if (encoded == nullptr) return nullptr;
  const std::size_t n = std::strlen(encoded);
  const std::size_t length = DecodedLength(encoded, n, path);
  char* block = AllocateBlock(length, allocate);
  if (block == nullptr) return nullptr;
  Decode(encoded, n, block, path);
  block[length] = '\0';
  return block;
}

}  // namespace vo_tools::qp
