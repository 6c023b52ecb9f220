// A user's program against an installed vo_tools2: a handle table, a codec
// round trip, and one single-shot wake-up on the host timer service. Prints
// what it checked; exit status 0 when all held, 1 otherwise.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <vo_tools/vo_tools.h>
#include <vo_tools_host/timer_service.h>

namespace {

int failures = 0;

void Check(bool held, const char* what) {
  std::printf("%s  %s\n", held ? "ok    " : "FAILED", what);
  if (!held) ++failures;
}

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

void HandleTable() {
  int sensor = 7;
  GenericHandleMgr table;
  const unsigned long handle = table.AssignNewHandle(&sensor);
  Check(handle != 0 && table.GetHandleObject(handle) == &sensor, "a handle resolves to its object");
  table.FreeHandle(handle);
  Check(table.GetHandleObject(handle) == nullptr, "a freed handle resolves to nothing");
}

void Codec() {
  const char* encoded = QuotablePrinted_Encode("caf\xE9 a=b");
  const char* decoded = encoded != nullptr ? QuotablePrinted_Decode(encoded) : nullptr;
  Check(encoded != nullptr && std::strcmp(encoded, "caf=E9 a=3Db") == 0, "the codec encodes");
  Check(decoded != nullptr && std::strcmp(decoded, "caf\xE9 a=b") == 0, "the codec decodes");
  QuotablePrinted_FreeString(encoded);
  QuotablePrinted_FreeString(decoded);
}

void WakeUp() {
  vo_host::TimerService host;
  ext_in_config config{};
  host.FillConfig(&config);
  CPlexWakeUpServer server(host.host_context(), &config, 0);
  Alarm alarm;
  const KaRequestId id = server.RequestSingleTimerWakeUp(&alarm, 20);
  Check(id != 0, "the host arms a one-shot timer");
  Check(alarm.Wait() == id, "the one-shot wakes its wakable with its request identifier");
  server.CancelRequest(id);  // does nothing once delivered; harmless either way
  host.Shutdown();
}

}  // namespace

int main() {
  HandleTable();
  Codec();
  WakeUp();
  std::printf("%s\n", failures == 0 ? "consumer: all checks held" : "consumer: FAILED");
  return failures == 0 ? 0 : 1;
}
