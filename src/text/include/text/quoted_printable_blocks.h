// The codec's conversions into result blocks, with the block's allocation
// handed in: the exported functions pass malloc, tests pass allocators that
// fail, and tests and the benchmark name a path to run each one.
#ifndef VO_TOOLS_TEXT_QUOTED_PRINTABLE_BLOCKS_H_
#define VO_TOOLS_TEXT_QUOTED_PRINTABLE_BLOCKS_H_

#include <cstddef>

#include "text/qp_codec.h"

namespace vo_tools::qp {

// Returns a block of the given size, or null; released with free(), and so
// a block that realloc() may shrink.
using AllocateFunction = void* (*)(std::size_t size);

// A block for a result of `length` bytes and its terminator, from
// `allocate`; null when `allocate` returns null or when `length` is
// kLengthOverflow (then `allocate` is not called).
char* AllocateBlock(std::size_t length, AllocateFunction allocate);

// The encoding of the zero-terminated `text` in a new block of exactly its
// length + 1 bytes; null for a null text, for an encoding too long for a
// size_t, or when the block cannot be allocated.
char* EncodeToBlock(const char* text, AllocateFunction allocate, Path path = FastestPath());

// The decoding of the zero-terminated `encoded`, likewise.
char* DecodeToBlock(const char* encoded, AllocateFunction allocate, Path path = FastestPath());

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QUOTED_PRINTABLE_BLOCKS_H_
