// Timeline: what the plug-ins did, in order, with the time since the start.
//
// Callbacks note events here from the host's timer thread; the main thread
// waits here until the events it expects have happened, then prints them.
// Every member may be called from any thread.
#ifndef VO_TOOLS_TOOLS_VO_DEMO_TIMELINE_H_
#define VO_TOOLS_TOOLS_VO_DEMO_TIMELINE_H_

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <vector>

namespace vo_demo {

class Timeline {
 public:
  using Clock = std::chrono::steady_clock;

  Timeline() : start_(Clock::now()) {}
  Timeline(const Timeline&) = delete;
  Timeline& operator=(const Timeline&) = delete;

  // Records "+<ms> ms  <who>  <what>" and wakes the waiters.
  void Note(const std::string& who, const std::string& what);

  // Waits until `done` holds, checking it after every noted event; false if
  // it still does not once `limit` has passed. The state `done` reads must
  // change before the event that reports it is noted.
  bool WaitUntil(const std::function<bool()>& done, Clock::duration limit);

  // Milliseconds since the timeline was made.
  long long Elapsed() const;

  void Print(std::ostream& out) const;

 private:
  const Clock::time_point start_;
  mutable std::mutex mutex_;
  std::condition_variable noted_;
  std::vector<std::string> lines_;
};

}  // namespace vo_demo

#endif  // VO_TOOLS_TOOLS_VO_DEMO_TIMELINE_H_
