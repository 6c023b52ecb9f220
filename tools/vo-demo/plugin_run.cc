#include "plugin_run.h"

#include <chrono>
#include <string>
#include <thread>

#include <vo_tools/wakeup.h>
#include <vo_tools_host/timer_service.h>

#include "plugins.h"

namespace vo_demo {
namespace {

constexpr unsigned long kSampleEveryMs = 100;
constexpr unsigned long kBeatEveryMs = 250;
constexpr int kBeats = 8;
// Well above the beat, so that a late beat (a loaded machine, valgrind)
// does not let the watchdog fire while the heartbeat still runs.
constexpr unsigned long kWatchdogMs = 600;
// Generous: under valgrind everything runs many times slower.
constexpr std::chrono::seconds kPatience(30);

// The host gives a delivered one-shot's timer back just after its callback
// returns, and says so through nothing but its count.
bool WaitForNoTimers(const vo_host::TimerService& host) {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (host.active_timers() != 0 && std::chrono::steady_clock::now() < give_up) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return host.active_timers() == 0;
}

void IssueHandles(PluginDirectory* directory, Plugin* const* plugins, int count, Checks* checks) {
  for (int i = 0; i < count; ++i) {
    plugins[i]->set_handle(directory->Add(plugins[i]));
    checks->Expect(plugins[i]->handle() != 0,
                   std::string("a handle is issued for the ") + plugins[i]->name());
  }
}

// Handles resolve to their plug-ins until freed, and a freed handle to
// nothing; the rest drain in slot order.
void ResolveAndFreeHandles(PluginDirectory* directory, Plugin* const* plugins, int count,
                           Plugin* freed_first, Checks* checks, std::ostream& out) {
  for (int i = 0; i < count; ++i) {
    checks->Expect(directory->Find(plugins[i]->handle()) == plugins[i],
                   "handle " + std::to_string(plugins[i]->handle()) + " resolves to the " +
                       plugins[i]->name());
  }
  directory->Remove(freed_first->handle());
  const bool gone = directory->Find(freed_first->handle()) == nullptr;
  checks->Expect(gone, "a freed handle resolves to nothing");
  const int drained = directory->RemoveAll();
  checks->Expect(drained == count - 1, "the other handles drain from the table");
  out << "  handle " << freed_first->handle() << " freed, it now resolves to "
      << (gone ? "nothing" : "SOMETHING") << "; the other " << drained
      << " drained in slot order\n";
}

}  // namespace

void RunPlugins(DemoLog* log, Checks* checks, std::ostream& out) {
  vo_host::TimerService host;
  ext_in_config config{};
  host.FillConfig(&config);
  CPlexWakeUpServer server(host.host_context(), &config, 0);
  Timeline timeline;
  PluginDirectory directory;

  Sampler sampler(&timeline, log);
  Heartbeat heartbeat(kBeats, kWatchdogMs, &server, &directory, &timeline, log);
  Watchdog watchdog(kWatchdogMs, &timeline, log);
  Poller poller({100, 200, 400, 800}, &server, &timeline, log);
  Plugin* const plugins[] = {&sampler, &heartbeat, &watchdog, &poller};
  const int count = sizeof plugins / sizeof plugins[0];

  IssueHandles(&directory, plugins, count, checks);
  heartbeat.Watch(watchdog.handle());
  out << "Plug-ins, known to each other by handles (GenericHandleMgr):\n"
      << "  handle " << sampler.handle() << "  sampler    periodic, every " << kSampleEveryMs
      << " ms, to the main log; cancelled from the main thread at the end\n"
      << "  handle " << heartbeat.handle() << "  heartbeat  periodic, every " << kBeatEveryMs
      << " ms; re-arms the watchdog, cancels itself at beat " << kBeats << "\n"
      << "  handle " << watchdog.handle() << "  watchdog   one-shot, " << kWatchdogMs
      << " ms after the latest beat\n"
      << "  handle " << poller.handle() << "  poller     one-shot that re-arms itself: 100, 200, "
      << "400, 800 ms\n\n";

  log->Line(VO_LOG_INFO, true, "vo-demo", 0, "%d plug-ins start on the host timer service", count);
  checks->Expect(server.RequestPeriodicTimerWakeUp(&sampler, kSampleEveryMs) == sampler.id(),
                 "the sampler's periodic request is its own identifier");
  checks->Expect(server.RequestPeriodicTimerWakeUp(&heartbeat, kBeatEveryMs) == heartbeat.id(),
                 "the heartbeat's periodic request is its own identifier");
  checks->Expect(server.RequestSingleTimerWakeUp(&watchdog, kWatchdogMs) == watchdog.id(),
                 "the watchdog's one-shot request is its own identifier");
  checks->Expect(server.RequestSingleTimerWakeUp(&poller, poller.first_wait_ms()) == poller.id(),
                 "the poller's one-shot request is its own identifier");

  const bool finished = timeline.WaitUntil(
      [&] {
        return heartbeat.wakeups() >= kBeats && watchdog.wakeups() >= 1 &&
               poller.wakeups() >= poller.polls();
      },
      kPatience);
  checks->Expect(finished, "the heartbeat stops, the watchdog fires and the poller finishes");

  server.CancelRequest(sampler.id());
  const int samples = sampler.wakeups();  // final: no callback runs after the cancel
  log->Line(VO_LOG_INFO, true, "vo-demo", 0, "sampler cancelled after %d samples", samples);
  timeline.Note("sampler",
                "cancelled from the main thread after " + std::to_string(samples) + " samples");
  checks->Expect(WaitForNoTimers(host), "every host timer is given back");
  const std::size_t timers_left = host.active_timers();

  out << "What the host's timer thread delivered:\n";
  timeline.Print(out);
  out << "  host timers still running: " << timers_left << "\n";

  checks->Expect(samples >= 1 && sampler.wakeups() == samples,
                 "the sampler ticks until cancelled, and not after");
  checks->Expect(heartbeat.wakeups() == kBeats, "the heartbeat ticks no more once it cancelled");
  checks->Expect(heartbeat.rearmed() == kBeats,
                 "the heartbeat finds the watchdog by its handle and re-arms it at every beat");
  checks->Expect(watchdog.wakeups() == 1 && watchdog.last_wakeup_ms() >= heartbeat.last_wakeup_ms(),
                 "the watchdog fires once, after the last beat");
  checks->Expect(poller.wakeups() == poller.polls() && poller.rearmed() == poller.polls() - 1,
                 "the poller re-arms itself after every poll but the last");
  for (Plugin* plugin : plugins) {
    checks->Expect(plugin->ids_matched(), std::string("every callback of the ") + plugin->name() +
                                              " receives its own request identifier");
  }
  ResolveAndFreeHandles(&directory, plugins, count, &watchdog, checks, out);

  // Whatever went wrong above, no timer may outlive its plug-in.
  for (Plugin* plugin : plugins) server.CancelRequest(plugin->id());
  host.Shutdown();
}

}  // namespace vo_demo
