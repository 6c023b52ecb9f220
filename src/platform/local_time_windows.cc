#include <time.h>

#include "platform/local_time.h"

namespace vo_tools::platform {

// Processes do not fork here.
void HoldLocalTimeAcrossForks() {}

bool LocalTime(std::time_t when, std::tm* local) {
  return localtime_s(local, &when) == 0;
}

}  // namespace vo_tools::platform
