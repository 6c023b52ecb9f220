#include <time.h>

#include "platform/local_time.h"

namespace vo_tools::platform {

bool LocalTime(std::time_t when, std::tm* local) {
  return localtime_r(&when, local) != nullptr;
}

}  // namespace vo_tools::platform
