// Wake-up scheduling on the host timer service, the stand-in for a host
// program's timers: a periodic and a one-shot wake-up, each awaited on a
// condition variable that the wakable's callback signals from the host's
// timer thread.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>

#include <vo_tools/wakeup.h>
#include <vo_tools_host/timer_service.h>

namespace {

// Counts its wake-ups, for a thread that waits for them.
class Counter : public KaWakable {
 public:
  void OnPeriodicTimer(KaRequestId) override { Count(); }  // on the host's timer thread
  void OnSingleTimer(KaRequestId) override { Count(); }

  // True once `n` wake-ups have come; false if they did not within 10 s.
  bool WaitFor(int n) {
    std::unique_lock<std::mutex> lock(mutex_);
    return woken_.wait_for(lock, std::chrono::seconds(10), [&] { return count_ >= n; });
  }

 private:
  void Count() {
    std::lock_guard<std::mutex> lock(mutex_);
    ++count_;
    woken_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable woken_;
  int count_ = 0;
};

}  // namespace

int main() {
  vo_host::TimerService host;
  ext_in_config config{};
  host.FillConfig(&config);
  CPlexWakeUpServer server(host.host_context(), &config, 0);

  Counter sampler, alarm;
  KaRequestId periodic = server.RequestPeriodicTimerWakeUp(&sampler, 20);  // ms; 0 = refused
  KaRequestId once = server.RequestSingleTimerWakeUp(&alarm, 50);
  const bool woken = periodic != 0 && once != 0 && sampler.WaitFor(3) && alarm.WaitFor(1);
  server.CancelRequest(periodic);  // no callback runs or starts after this returns
  server.CancelRequest(once);      // nothing left to cancel once it was delivered
  host.Shutdown();

  std::printf(woken ? "three periodic wake-ups and one one-shot came\n"
                    : "a wake-up did not come within 10 s\n");
  return woken ? 0 : 1;
}
