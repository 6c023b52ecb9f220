// The codec's conversions into result blocks, with the block's allocation
// handed in: the exported functions pass malloc, and tests pass allocators
// that fail, to reach the paths that a real shortage takes.
#ifndef VO_TOOLS_TEXT_QUOTED_PRINTABLE_BLOCKS_H_
#define VO_TOOLS_TEXT_QUOTED_PRINTABLE_BLOCKS_H_

#include <cstddef>

namespace vo_tools::qp {

// Returns a block of the given size, or null; released with free().
using AllocateFunction = void* (*)(std::size_t size);

// The encoding of the zero-terminated `text` in a new block of exactly its
// length + 1 bytes; null for a null text or when `allocate` returns null.
char* EncodeToBlock(const char* text, AllocateFunction allocate);

// The decoding of the zero-terminated `encoded`, likewise.
char* DecodeToBlock(const char* encoded, AllocateFunction allocate);

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QUOTED_PRINTABLE_BLOCKS_H_
