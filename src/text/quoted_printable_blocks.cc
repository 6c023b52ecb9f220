#include "text/quoted_printable_blocks.h"

#include <cstdint>
#include <cstring>

namespace vo_tools::qp {

char* AllocateBlock(std::size_t length, AllocateFunction allocate) {
  if (length == SIZE_MAX) return nullptr;  // no room for the terminator
  return static_cast<char*>(allocate(length + 1));
}

// One pass measures, the block is allocated at its exact size, and a second
// pass writes straight into it: no working buffer, no copy. Every byte of
// the block is written, so it needs no zero fill.
char* EncodeToBlock(const char* text, AllocateFunction allocate, Path path) {
  if (text == nullptr) return nullptr;
  const std::size_t n = std::strlen(text);
  const std::optional<std::size_t> length = EncodedLength(text, n, path);
  if (!length) return nullptr;
  char* block = AllocateBlock(*length, allocate);
  if (block == nullptr) return nullptr;
  Encode(text, n, block, path);
  block[*length] = '\0';
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
