// The codec's conversions into results (allocated strings), with the result's allocation
// handed in: the exported functions pass malloc, tests pass allocators that
// fail. qp_isa.h has the same conversions on a named instruction set.
#ifndef VO_TOOLS_TEXT_QUOTED_PRINTABLE_RESULTS_H_
#define VO_TOOLS_TEXT_QUOTED_PRINTABLE_RESULTS_H_

#include <cstddef>

#include "text/qp_codec.h"

namespace vo_tools::qp {

// Returns memory of the given size, or null; released with free(), and so
// memory that realloc() may shrink.
using AllocateFunction = void* (*)(std::size_t size);

// Memory for a result of `length` bytes and its terminator, from
// `allocate`; null when `allocate` returns null or when `length` is
// kLengthOverflow (then `allocate` is not called).
char* AllocateResult(std::size_t length, AllocateFunction allocate);

// The encoding of the zero-terminated `text` in a new result of exactly its
// length + 1 bytes; null for a null text, for an encoding too long for a
// size_t, or when the result cannot be allocated.
char* EncodeToResult(const char* text, AllocateFunction allocate);

// The decoding of the zero-terminated `encoded`, likewise.
char* DecodeToResult(const char* encoded, AllocateFunction allocate);

}  // namespace vo_tools::qp

#endif  // VO_TOOLS_TEXT_QUOTED_PRINTABLE_RESULTS_H_
