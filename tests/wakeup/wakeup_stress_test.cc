// Several threads request, replace and cancel wakables while the real host
// ticks every millisecond; the wakables live until the end, so that a late
// callback reaches a live one and is counted. Bounded in time; run under
// ThreadSanitizer in CI and under AddressSanitizer in the whole suite.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <random>
#include <thread>
#include <vector>

#include "registry_view.h"
#include "vo_tools/wakeup.h"
#include "vo_tools_host/timer_service.h"
#include "wait_for.h"

namespace vo_tools_test {
namespace {

std::atomic<long> g_callbacks{0};
std::atomic<long> g_after_cancel{0};

enum class Behaviour { kPlain, kCancelsItself, kRearmsOnce };

// Counts callbacks still running once its owner has marked it cancelled, a
// fault of the server. Owners often cancel as the first callback comes, so
// it lingers (kLinger at most) for a cancel that does not wait for it.
class StressWakable : public KaWakable {
 public:
  StressWakable(CPlexWakeUpServer* server, Behaviour behaviour)
      : server_(server), behaviour_(behaviour) {}

  void OnPeriodicTimer(KaRequestId id) override { Called(id); }
  void OnSingleTimer(KaRequestId id) override {
    Called(id);
    if (behaviour_ == Behaviour::kRearmsOnce && !rearmed_) {
      rearmed_ = true;  // only the timer thread touches it, under the registry lock
      server_->RequestSingleTimerWakeUp(this, 1);
    }
  }

  void MarkCancelled() { cancelled_.store(true); }
  int calls() const { return calls_.load(); }

 private:
  void Called(KaRequestId id) {
    ++g_callbacks;
    if (++calls_ == 1) WaitFor([&] { return cancelled_.load(); }, kLinger);
    if (cancelled_.load()) ++g_after_cancel;
    if (behaviour_ == Behaviour::kCancelsItself) server_->CancelRequest(id);
  }

  static constexpr std::chrono::milliseconds kLinger{2};

  CPlexWakeUpServer* const server_;
  const Behaviour behaviour_;
  std::atomic<bool> cancelled_{false};
  std::atomic<int> calls_{0};
  bool rearmed_ = false;
};

void Churn(CPlexWakeUpServer* server, unsigned rng_start, std::chrono::steady_clock::time_point end,
           std::vector<std::unique_ptr<StressWakable>>* wakables) {
  std::minstd_rand rng(rng_start);
  for (int round = 0; round < 5000 && std::chrono::steady_clock::now() < end; ++round) {
    const Behaviour behaviour = static_cast<Behaviour>(rng() % 3);
    auto& wakable = wakables->emplace_back(std::make_unique<StressWakable>(server, behaviour));
    const KaRequestId id = rng() % 2 == 0 ? server->RequestPeriodicTimerWakeUp(wakable.get(), 1)
                                          : server->RequestSingleTimerWakeUp(wakable.get(), 1);
    if (rng() % 4 == 0) server->RequestSingleTimerWakeUp(wakable.get(), 1);  // replaces
    if (rng() % 2 == 0) {
      // Let some ticks land first; bounded so a starved host cannot stall us.
      WaitFor([&] { return wakable->calls() > 0; }, std::chrono::milliseconds(20));
    }
    server->CancelRequest(id);
    wakable->MarkCancelled();
    if (rng() % 8 == 0) std::this_thread::yield();  // late ticks may still be queued
  }
}

TEST(WakeUpStress, NoCallbackReachesACancelledWakable) {
  constexpr int kThreads = 4;
  vo_host::TimerService host;
  ext_in_config config{};
  host.FillConfig(&config);
  CPlexWakeUpServer server(host.host_context(), &config, 0);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(1500);
  std::vector<std::unique_ptr<StressWakable>> wakables[kThreads];
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back(Churn, &server, 1000u + i, end, &wakables[i]);
  }
  for (std::thread& thread : threads) thread.join();

  EXPECT_EQ(g_after_cancel.load(), 0) << "callbacks reached wakables after CancelRequest returned";
  EXPECT_GT(g_callbacks.load(), 0) << "the host never ticked";
  EXPECT_TRUE(WaitFor([&] { return host.active_timers() == 0; }))
      << host.active_timers() << " host timers outlived their requests";
  EXPECT_EQ(Registry::size(), 0u);  // every other thread is quiet
}

}  // namespace
}  // namespace vo_tools_test
