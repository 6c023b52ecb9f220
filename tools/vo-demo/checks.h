// Checks: what the demo expected to see, and which expectations failed.
//
// The main thread alone uses it, after the plug-ins' threads are done.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_CHECKS_H_
#define VO_TOOLS_TOOLS_VO_DEMO_CHECKS_H_

#include <string>
#include <vector>

namespace vo_demo {

class Checks {
 public:
  // Records one expectation; `what` says what should have held.
  void Expect(bool held, const std::string& what) {
    ++count_;
    if (!held) failures_.push_back(what);
  }

  int count() const { return count_; }
  bool all_held() const { return failures_.empty(); }
  const std::vector<std::string>& failures() const { return failures_; }

 private:
  int count_ = 0;
  std::vector<std::string> failures_;
};

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_CHECKS_H_
