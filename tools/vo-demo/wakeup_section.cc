#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <vo_tools/vo_tools.h>
#include <vo_tools_host/timer_service.h>

#include "sections.h"

namespace vo_demo {
namespace {

using Clock = std::chrono::steady_clock;

// Callbacks run on the host's timer thread; they note what they receive
// here, and the section prints it once the timers are done.
class Journal {
 public:
  Journal() : start_(Clock::now()) {}
  void Note(const std::string& what) {
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count();
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "   +%4lld ms  ", static_cast<long long>(ms));
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(stamp + what);
  }
  void Print(std::ostream& out) {
    std::lock_guard<std::mutex> lock(mutex_);
    for (const std::string& line : lines_) out << line << "\n";
  }

 private:
  const Clock::time_point start_;
  std::mutex mutex_;
  std::vector<std::string> lines_;
};

// A plug-in's wakable: counts its wake-ups, checks that each carries its
// own request identifier, and may act from inside the callback.
class PluginWakable : public KaWakable {
 public:
  PluginWakable(const char* name, Journal* journal) : name_(name), journal_(journal) {}

  void OnPeriodicTimer(KaRequestId id) override { Woken("periodic tick", id, &periodic_); }
  void OnSingleTimer(KaRequestId id) override { Woken("single wake-up", id, &single_); }

  KaRequestId id() const { return reinterpret_cast<KaRequestId>(this); }
  void Note(const std::string& what) { journal_->Note(std::string(name_) + ": " + what); }
  int periodic() const { return periodic_.load(); }
  int single() const { return single_.load(); }
  bool ids_matched() const { return !wrong_id_.load(); }
  // Runs inside each callback, after the count; set before scheduling.
  void (*after)(PluginWakable* self, KaWakeUpServer* server) = nullptr;
  KaWakeUpServer* server = nullptr;

 private:
  void Woken(const char* kind, KaRequestId id, std::atomic<int>* counter) {
    if (id != this->id()) wrong_id_ = true;
    const int n = ++*counter;
    journal_->Note(std::string(name_) + ": " + kind + " #" + std::to_string(n) +
                   (id == this->id() ? " (its own request id)" : " (WRONG request id)"));
    if (after != nullptr) after(this, server);
  }

  const char* const name_;
  Journal* const journal_;
  std::atomic<int> periodic_{0};
  std::atomic<int> single_{0};
  std::atomic<bool> wrong_id_{false};
};

// Waits, within a bound, for what the timer thread is expected to do.
template <typename Condition>
bool WaitUntil(Condition done) {
  const auto give_up = Clock::now() + std::chrono::seconds(5);
  while (!done() && Clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

}  // namespace

// Three plug-in wakables on the host's timer thread: a heartbeat that stops
// itself after five ticks, a one-shot report that asks for one follow-up from
// its own callback, and a sampler that the plug-in cancels from outside.
bool ShowWakeUps(std::ostream& out) {
  vo_host::TimerService host;
  ext_in_config config{};
  host.FillConfig(&config);
  CPlexWakeUpServer server(host.host_context(), &config, 0);
  Journal journal;

  PluginWakable heartbeat("heartbeat", &journal);
  heartbeat.server = &server;
  heartbeat.after = [](PluginWakable* self, KaWakeUpServer* s) {
    if (self->periodic() != 5) return;
    s->CancelRequest(self->id());
    self->Note("cancels itself from inside its callback");
  };
  PluginWakable report("report", &journal);
  report.server = &server;
  report.after = [](PluginWakable* self, KaWakeUpServer* s) {
    if (self->single() != 1) return;
    s->RequestSingleTimerWakeUp(self, 300);
    self->Note("asks for a follow-up in 300 ms from inside its callback");
  };
  PluginWakable sampler("sampler", &journal);

  bool ok = server.RequestPeriodicTimerWakeUp(&heartbeat, 100) == heartbeat.id();
  ok = server.RequestSingleTimerWakeUp(&report, 250) == report.id() && ok;
  ok = server.RequestPeriodicTimerWakeUp(&sampler, 40) == sampler.id() && ok;
  out << "   heartbeat every 100 ms, report once after 250 ms, sampler every 40 ms\n";

  ok = WaitUntil([&] { return sampler.periodic() >= 12; }) && ok;
  server.CancelRequest(sampler.id());
  const int sampled = sampler.periodic();
  journal.Note("plug-in cancels the sampler after " + std::to_string(sampled) + " ticks");
  // A delivered one-shot gives its host timer back just after its callback.
  ok = WaitUntil([&] {
         return heartbeat.periodic() >= 5 && report.single() >= 2 && host.active_timers() == 0;
       }) &&
       ok;
  journal.Print(out);

  ok = ok && heartbeat.periodic() == 5 && report.single() == 2 && sampler.periodic() == sampled;
  ok = ok && heartbeat.ids_matched() && report.ids_matched() && sampler.ids_matched();
  out << "   host timers still running: " << host.active_timers() << "\n";
  return ok && host.active_timers() == 0;
}

}  // namespace vo_demo
