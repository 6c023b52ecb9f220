// platform::LocalTime: the broken-down local time of a calendar time, safe to
// call from many threads at once (the standard localtime shares one buffer).
#ifndef VO_TOOLS_PLATFORM_LOCAL_TIME_H_
#define VO_TOOLS_PLATFORM_LOCAL_TIME_H_

#include <ctime>

namespace vo_tools::platform {

// Fills `local` with `when` in the local time zone; false when the time
// cannot be converted, leaving `local` undefined.
bool LocalTime(std::time_t when, std::tm* local);

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_LOCAL_TIME_H_
