#include "timeline.h"

#include <cstdio>

namespace vo_demo {

void Timeline::Note(const std::string& who, const std::string& what) {
  char stamp[24];
  std::snprintf(stamp, sizeof stamp, "+%5lld ms  ", Elapsed());
  std::string line = stamp + who;
  if (line.size() < 24) line.resize(24, ' ');  // names line up in columns
  line += what;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(std::move(line));
  }
  noted_.notify_all();
}

bool Timeline::WaitUntil(const std::function<bool()>& done, Clock::duration limit) {
  std::unique_lock<std::mutex> lock(mutex_);
  return noted_.wait_for(lock, limit, done);
}

long long Timeline::Elapsed() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
}

void Timeline::Print(std::ostream& out) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const std::string& line : lines_) out << "  " << line << "\n";
}

}  // namespace vo_demo
