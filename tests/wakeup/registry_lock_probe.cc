// The registry lock probe: one thread for the whole test program, started
// before main, that calls OnWakeup whenever a test asks.
//
// A probe used to start a thread of its own and detach it. Under Wine, a new
// thread started while an earlier detached one was still ending could stay
// unstarted for longer than any bound, and the probe then blamed a lock
// that was free. One thread that neither starts nor ends while tests run
// takes thread creation out of what the probe measures.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>

#include "lock_state.h"
#include "registry_view.h"
#include "wait_for.h"

namespace vo_tools_test {
namespace {

using Clock = std::chrono::steady_clock;

// A cookie nothing is registered under: OnWakeup takes the registry lock for
// it and returns.
int g_unregistered_cookie;

long long MillisecondsSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Probes are numbered from 1. The thread takes up every probe asked for so
// far with one call, so probes asked while a held lock blocks it do not
// queue behind one another.
class LockProbe {
 public:
  LockProbe() = default;
  LockProbe(const LockProbe&) = delete;
  LockProbe& operator=(const LockProbe&) = delete;

  ::testing::AssertionResult Check();

 private:
  void Run();
  std::string Describe(unsigned probe) const;

  std::mutex mutex_;
  std::condition_variable changed_;
  unsigned asked_ = 0;     // the latest probe a test asked for
  unsigned taken_up_ = 0;  // the latest probe the thread took up
  unsigned done_ = 0;      // the latest probe whose OnWakeup returned
  unsigned given_up_ = 0;  // the latest probe whose test stopped waiting
  Clock::time_point given_up_at_;
  std::uint64_t probe_thread_id_ = 0;
  std::thread thread_{[this] { Run(); }};  // last: starts once the rest exists
};

void LockProbe::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  probe_thread_id_ = vo_tools_test::CurrentThreadId();
  for (;;) {
    changed_.wait(lock, [this] { return taken_up_ < asked_; });
    const unsigned first = taken_up_ + 1;
    const unsigned probe = taken_up_ = asked_;
    lock.unlock();
    CPlexWakeUpServer::OnWakeup(&g_unregistered_cookie);
    lock.lock();
    done_ = probe;
    if (given_up_ >= first) {
      std::fprintf(stderr,
                   "registry lock probe %u entered the lock %lld ms after its test gave up\n",
                   given_up_, MillisecondsSince(given_up_at_));
    }
    changed_.notify_all();
  }
}

::testing::AssertionResult LockProbe::Check() {
  std::unique_lock<std::mutex> lock(mutex_);
  const unsigned probe = ++asked_;
  changed_.notify_all();
  if (changed_.wait_for(lock, kHangBound, [&] { return done_ >= probe; })) {
    return ::testing::AssertionSuccess();
  }
  given_up_ = probe;
  given_up_at_ = Clock::now();
  return ::testing::AssertionFailure() << Describe(probe);
}

std::string LockProbe::Describe(unsigned probe) const {
  std::ostringstream text;
  text << "registry lock probe " << probe << ", after " << kHangBound.count() << " s: ";
  if (probe_thread_id_ == 0) {
    text << "the probe thread has not started";
  } else if (taken_up_ < probe && taken_up_ > done_) {
    text << "the probe thread is still entering the lock for the earlier probe " << taken_up_;
  } else if (taken_up_ < probe) {
    text << "the probe thread never took the probe up, although it was idle";
  } else {
    text << "the probe thread took the probe up and is still entering the lock";
  }
  text << "; the lock: " << vo_tools_test::DescribeCriticalSection(Registry::lock())
       << "; the probe thread is " << probe_thread_id_ << ", this test's thread "
       << vo_tools_test::CurrentThreadId();
  return text.str();
}

// Never destroyed: the thread lives as long as the process, blocked on its
// condition variable between probes, so nothing has to stop it at exit (and
// a probe still blocked by a broken build could not be joined).
LockProbe* const g_lock_probe = new LockProbe;

}  // namespace

::testing::AssertionResult RegistryLockIsFree() {
  return g_lock_probe->Check();
}

}  // namespace vo_tools_test
