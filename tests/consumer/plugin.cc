#include "plugin.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include <vo_tools/wakeup.h>
#include <vo_tools_host/timer_service.h>

namespace {

class Alarm : public KaWakable {
 public:
  void OnSingleTimer(KaRequestId id) override {
    std::lock_guard<std::mutex> lock(mutex_);
    received_ = id;
    rung_.notify_all();
  }
  // The identifier of the first wake-up, or 0 if none came in time.
  KaRequestId Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    rung_.wait_for(lock, std::chrono::seconds(10), [this] { return received_ != 0; });
    return received_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable rung_;
  KaRequestId received_ = 0;
};

}  // namespace

bool Plugin_OneShotWakeUp() {
  vo_host::TimerService host;
  ext_in_config config{};
  host.FillConfig(&config);
  CPlexWakeUpServer server(host.host_context(), &config, 0);
  Alarm alarm;
  const KaRequestId id = server.RequestSingleTimerWakeUp(&alarm, 20);
  const bool woken = id != 0 && alarm.Wait() == id;
  server.CancelRequest(id);  // does nothing once delivered; harmless either way
  host.Shutdown();
  return woken;
}
