// platform::LocalTime: the broken-down local time of a calendar time, safe to
// call from many threads at once (the standard localtime shares one buffer).
#ifndef VO_TOOLS_PLATFORM_LOCAL_TIME_H_
#define VO_TOOLS_PLATFORM_LOCAL_TIME_H_

#include <ctime>

namespace vo_tools::platform {

// Fills `local` with `when` in the local time zone; false when the time
// cannot be converted, leaving `local` undefined.
bool LocalTime(std::time_t when, std::tm* local);

// Where processes fork, conversions are held off across every fork (the C
// library's time-zone lock would otherwise be inherited held); this
// registers that, once, and is also done as the library loads. Code whose
// fork handlers take a lock that may be held while it converts calls this
// first, so that a fork takes that lock before the conversions' own.
void HoldLocalTimeAcrossForks();

}  // namespace vo_tools::platform

#endif  // VO_TOOLS_PLATFORM_LOCAL_TIME_H_
