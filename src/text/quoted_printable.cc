#include "vo_tools/quoted_printable.h"

#include <cstdlib>

#include "text/quoted_printable_results.h"

namespace {

void* AllocateFromHeap(std::size_t size) {
  return std::malloc(size);
}

}  // namespace

const char* QuotablePrinted_Encode(const char* text) {
  return vo_tools::qp::EncodeToResult(text, AllocateFromHeap);
}

const char* QuotablePrinted_Decode(const char* encoded) {
  return vo_tools::qp::DecodeToResult(encoded, AllocateFromHeap);
}

void QuotablePrinted_FreeString(const char* result) {
  std::free(const_cast<char*>(result));
}
