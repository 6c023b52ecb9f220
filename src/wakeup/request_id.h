// The request identifier is the wakable's address; these two conversions are
// the only place that knows it.
#ifndef VO_TOOLS_WAKEUP_REQUEST_ID_H_
#define VO_TOOLS_WAKEUP_REQUEST_ID_H_

#include <cstdint>

#include "vo_tools/wakeup.h"

namespace vo_tools::wakeup {

static_assert(sizeof(KaRequestId) >= sizeof(KaWakable*),
              "a request identifier must hold a whole address");

inline KaRequestId RequestIdOf(const KaWakable* wakable) {
  return static_cast<KaRequestId>(reinterpret_cast<std::uintptr_t>(wakable));
}

inline KaWakable* WakableOf(KaRequestId request_id) {
  return reinterpret_cast<KaWakable*>(static_cast<std::uintptr_t>(request_id));
}

}  // namespace vo_tools::wakeup

#endif  // VO_TOOLS_WAKEUP_REQUEST_ID_H_
