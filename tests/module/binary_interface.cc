// The binary interface that callers built against the 32-bit Windows library
// rely on, proved by the compiler: this file builds on every target, and its
// checks bite wherever pointers are 32 bits wide.
#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "vo_tools/vo_tools.h"

namespace {

constexpr bool kPointersAre32Bits = sizeof(void*) == 4;

static_assert(!kPointersAre32Bits || sizeof(unsigned long) == 4,
              "the exported signatures take 32-bit unsigned longs");
static_assert(!kPointersAre32Bits || offsetof(ext_in_config, start_timer) == 208,
              "the host's start_timer entry sits at byte 208 of its record");
static_assert(!kPointersAre32Bits || offsetof(ext_in_config, stop_timer) == 212,
              "the host's stop_timer entry sits at byte 212 of its record");

// A request identifier keeps the unsigned long of the exported signatures
// wherever that holds an address, and is pointer-wide where it does not.
static_assert(sizeof(KaRequestId) >= sizeof(void*), "a request identifier holds an address");
static_assert(std::is_same_v<KaRequestId, unsigned long> ==
                  (sizeof(unsigned long) >= sizeof(void*)),
              "unsigned long is kept wherever it is wide enough");
static_assert(std::is_unsigned_v<KaRequestId>, "0 stays the least identifier");

}  // namespace
