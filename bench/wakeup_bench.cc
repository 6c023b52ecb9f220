// CPlexWakeUpServer's costs, with 10,000 wakables registered, against a bare
// std::map doing the same lookups and changes without a lock, a request
// object or a host: one tick's dispatch (OnWakeup), and one request plus its
// cancel. The host here is a stub that hands out identifiers and does nothing.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include <vo_tools/wakeup.h>

namespace {

constexpr int kRegistered = 10000;

class CountingWakable : public KaWakable {
 public:
  void OnPeriodicTimer(KaRequestId) override { ++ticks_; }
  long ticks() const { return ticks_; }

 private:
  long ticks_ = 0;
};

std::uint32_t g_next_timer = 1;
std::uint32_t StubStart(void*, ext_timer_callback, void*, unsigned long) {
  return g_next_timer++;
}
int StubStop(void*, std::uint32_t) {
  return 0;
}

ext_in_config StubHost() {
  ext_in_config config{};
  config.start_timer = &StubStart;
  config.stop_timer = &StubStop;
  return config;
}

// The order in which ticks visit the wakables: argument 0 shuffles it, as
// unrelated timers would fire; 1 keeps address order, the registry's own,
// which keeps the tree's path to the next entry in the cache.
std::vector<std::size_t> VisitOrder(const benchmark::State& state) {
  std::vector<std::size_t> order(kRegistered);
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  if (state.range(0) == 0) std::shuffle(order.begin(), order.end(), std::mt19937(3));
  return order;
}

void BM_OnWakeupDispatch(benchmark::State& state) {
  ext_in_config config = StubHost();
  CPlexWakeUpServer server(nullptr, &config, 0);
  std::vector<CountingWakable> wakables(kRegistered);
  for (CountingWakable& w : wakables) server.RequestPeriodicTimerWakeUp(&w, 1000);
  const std::vector<std::size_t> order = VisitOrder(state);
  std::size_t i = 0;
  for (auto _ : state) {
    CPlexWakeUpServer::OnWakeup(&wakables[order[i]]);
    i = i + 1 == order.size() ? 0 : i + 1;
  }
  for (CountingWakable& w : wakables) server.CancelRequest(reinterpret_cast<KaRequestId>(&w));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_OnWakeupDispatch)->Arg(0)->Arg(1);

// Baseline: the same map lookup and virtual call, no lock, no request object.
void BM_BaselineMapFindAndCall(benchmark::State& state) {
  std::vector<CountingWakable> wakables(kRegistered);
  std::map<KaWakable*, KaWakable*> registry;
  for (CountingWakable& w : wakables) registry[&w] = &w;
  const std::vector<std::size_t> order = VisitOrder(state);
  std::size_t i = 0;
  for (auto _ : state) {
    auto entry = registry.find(&wakables[order[i]]);
    if (entry != registry.end()) entry->second->OnPeriodicTimer(0);
    i = i + 1 == order.size() ? 0 : i + 1;
  }
  benchmark::DoNotOptimize(wakables[0].ticks());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BaselineMapFindAndCall)->Arg(0)->Arg(1);

void BM_RequestAndCancel(benchmark::State& state) {
  ext_in_config config = StubHost();
  CPlexWakeUpServer server(nullptr, &config, 0);
  std::vector<CountingWakable> wakables(kRegistered);
  for (CountingWakable& w : wakables) server.RequestPeriodicTimerWakeUp(&w, 1000);
  CountingWakable extra;
  for (auto _ : state) {
    const KaRequestId id = server.RequestPeriodicTimerWakeUp(&extra, 1000);
    server.CancelRequest(id);
  }
  for (CountingWakable& w : wakables) server.CancelRequest(reinterpret_cast<KaRequestId>(&w));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RequestAndCancel);

// Baseline: allocate and free an object, insert and erase it in a map of the
// same size, no lock, no host.
void BM_BaselineNewInsertEraseDelete(benchmark::State& state) {
  std::vector<CountingWakable> wakables(kRegistered);
  std::map<KaWakable*, KaWakable*> registry;
  for (CountingWakable& w : wakables) registry[&w] = &w;
  CountingWakable extra;
  for (auto _ : state) {
    auto* object = new CountingWakable();
    registry[&extra] = object;
    benchmark::DoNotOptimize(registry);
    registry.erase(&extra);
    delete object;
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BaselineNewInsertEraseDelete);

}  // namespace
