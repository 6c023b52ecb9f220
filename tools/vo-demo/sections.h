// The demo's sections: each shows one service of the library on `out` and
// returns false if the service did not behave as the section expected.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_SECTIONS_H_
#define VO_TOOLS_TOOLS_VO_DEMO_SECTIONS_H_

#include <ostream>

namespace vo_demo {

bool ShowHandleTable(std::ostream& out);
bool ShowWakeUps(std::ostream& out);
bool ShowLogging(std::ostream& out);
bool ShowTextUtilities(std::ostream& out);

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_SECTIONS_H_
