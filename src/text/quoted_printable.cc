#include "vo_tools/quoted_printable.h"

#include <cstdlib>
#include <cstring>

#include "qp_codec.h"
#include "quoted_printable_blocks.h"

namespace vo_tools::qp {
namespace {

using Convert = std::size_t (*)(const char*, std::size_t, char*, Path);
using Measure = std::size_t (*)(const char*, std::size_t, Path);

// One pass measures, the block is allocated at its exact size, and a second
// pass writes straight into it: no working buffer, no copy. Every byte of
// the block is written, so it needs no zero fill.
char* ConvertToBlock(const char* input, AllocateFunction allocate, Measure measure,
                     Convert convert) {
  if (input == nullptr) return nullptr;
  const std::size_t n = std::strlen(input);
  const Path path = FastestPath();
  const std::size_t length = measure(input, n, path);
  if (length == kLengthOverflow) return nullptr;  // length + 1 would wrap
  char* block = static_cast<char*>(allocate(length + 1));
  if (block == nullptr) return nullptr;
  convert(input, n, block, path);
  block[length] = '\0';
  return block;
}

}  // namespace

char* EncodeToBlock(const char* text, AllocateFunction allocate) {
  return ConvertToBlock(text, allocate, EncodedLength, Encode);
}

char* DecodeToBlock(const char* encoded, AllocateFunction allocate) {
  return ConvertToBlock(encoded, allocate, DecodedLength, Decode);
}

}  // namespace vo_tools::qp

namespace {

void* AllocateFromHeap(std::size_t size) {
  return std::malloc(size);
}

}  // namespace

const char* QuotablePrinted_Encode(const char* text) {
  return vo_tools::qp::EncodeToBlock(text, AllocateFromHeap);
}

const char* QuotablePrinted_Decode(const char* encoded) {
  return vo_tools::qp::DecodeToBlock(encoded, AllocateFromHeap);
}

void QuotablePrinted_FreeString(const char* result) {
  std::free(const_cast<char*>(result));
}
