// How late the host timer service delivers ticks: many periodic timers run
// for a while, and every callback measures its distance from the tick it is
// due for. Baseline in the same run: one thread sleeping until each deadline
// of the same grid with std::this_thread::sleep_until, the clock's own floor.
//
//   host_timer_lateness [timers=1000] [interval_ms=1] [seconds=5]
//
// Each callback works out, from its own clock readings, which tick it serves
// (see Probe). A tick it counts as early really was early. A lateness it
// reports is at least the true one, except for a fire both more than an
// interval late and following a skip the probe did not foresee.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "vo_tools_host/timer_service.h"

namespace {

using Clock = std::chrono::steady_clock;
using Nanos = std::chrono::nanoseconds;

// Lateness counts in 1 us bins up to 100 ms, and the largest value seen.
class Histogram {
 public:
  void Add(Nanos lateness) {
    const auto us = static_cast<std::size_t>(lateness.count() / 1000);
    ++bins_[std::min(us, bins_.size() - 1)];
    ++count_;
    max_ = std::max(max_, lateness);
  }
  double PercentileUs(double p) const {
    const auto rank = static_cast<std::uint64_t>(p * static_cast<double>(count_));
    std::uint64_t seen = 0;
    for (std::size_t us = 0; us < bins_.size(); ++us) {
      seen += bins_[us];
      if (seen > rank) return static_cast<double>(us);
    }
    return static_cast<double>(bins_.size());
  }
  double MaxUs() const { return static_cast<double>(max_.count()) / 1000.0; }
  std::uint64_t count() const { return count_; }

 private:
  std::vector<std::uint64_t> bins_ = std::vector<std::uint64_t>(100000);
  std::uint64_t count_ = 0;
  Nanos max_{0};
};

// One timer's view of itself; only the timer thread touches it.
//
// The probe's grid starts when StartTimer was called, the service's a little
// later (by at most `start_slack`), so the service's deadlines are never
// before the probe's. A fire before the probe's deadline for the tick after
// the last one delivered is early beyond doubt. Otherwise it is attributed to
// the tick the service's rule predicts, or, when the service (on its slightly
// later grid) skipped one tick fewer, to the latest tick already due.
struct Probe {
  Clock::time_point start;
  Nanos interval;
  Nanos start_slack{0};
  std::uint64_t last = 0;      // the tick the last fire was attributed to
  std::uint64_t expected = 1;  // the tick the service's rule predicts next
  std::uint64_t fires = 0;
  std::uint64_t skipped = 0;
  std::uint64_t early = 0;
  Nanos last_lateness{0};
  Histogram* histogram;

  Clock::time_point Deadline(std::uint64_t tick) const { return start + interval * tick; }
  std::uint64_t LatestDue(Clock::time_point t) const {
    return static_cast<std::uint64_t>((t - start) / interval);
  }

  static int Callback(void* cookie) {
    Probe* p = static_cast<Probe*>(cookie);
    const Clock::time_point now = Clock::now();
    ++p->fires;
    if (now < p->Deadline(p->last + 1)) {
      ++p->early;
    } else {
      const std::uint64_t tick = now >= p->Deadline(p->expected) ? p->expected : p->LatestDue(now);
      p->last_lateness = now - p->Deadline(tick);
      p->histogram->Add(p->last_lateness);
      p->skipped += tick - p->last - 1;
      p->last = tick;
    }
    // The service's rule for the next tick, from when this callback ends.
    const Clock::time_point end = Clock::now();
    p->expected = p->last + 1;
    if (p->Deadline(p->expected) <= end) p->expected = p->LatestDue(end) + 1;
    return 0;
  }
};

void Report(const char* what, const Histogram& h) {
  std::printf("%-28s ticks %9llu  p50 %7.1f us  p99 %7.1f us  max %9.1f us\n", what,
              static_cast<unsigned long long>(h.count()), h.PercentileUs(0.50),
              h.PercentileUs(0.99), h.MaxUs());
}

Histogram SleepUntilBaseline(Nanos interval, Clock::duration length) {
  Histogram h;
  const Clock::time_point start = Clock::now();
  for (std::uint64_t k = 1; interval * k <= length; ++k) {
    const Clock::time_point due = start + interval * k;
    std::this_thread::sleep_until(due);
    h.Add(Clock::now() - due);
  }
  return h;
}

}  // namespace

int main(int argc, char** argv) {
  const int timers = argc > 1 ? std::atoi(argv[1]) : 1000;
  const unsigned long interval_ms = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 1;
  const int seconds = argc > 3 ? std::atoi(argv[3]) : 5;
  const Nanos interval = std::chrono::milliseconds(interval_ms);
  const auto length = std::chrono::seconds(seconds);
  std::printf("%d periodic timers of %lu ms for %d s, on %u hardware threads\n", timers,
              interval_ms, seconds, std::thread::hardware_concurrency());

  Histogram histogram;
  std::vector<Probe> probes(static_cast<std::size_t>(timers));
  std::vector<std::uint32_t> ids;
  vo_host::TimerService service;
  for (Probe& p : probes) {
    p.interval = interval;
    p.histogram = &histogram;
    p.start = Clock::now();
    ids.push_back(service.StartTimer(&Probe::Callback, &p, interval_ms));
    p.start_slack = Clock::now() - p.start;
  }
  std::this_thread::sleep_for(length);
  for (std::uint32_t id : ids) service.StopTimer(id);
  const Clock::time_point stopped = Clock::now();
  service.Shutdown();

  std::uint64_t early = 0, fires = 0, skipped = 0, due = 0;
  std::vector<Nanos> final_offsets;
  Nanos start_slack{0};
  for (const Probe& p : probes) {
    start_slack = std::max(start_slack, p.start_slack);
    early += p.early;
    fires += p.fires;
    skipped += p.skipped;
    due += static_cast<std::uint64_t>((stopped - p.start) / interval);
    final_offsets.push_back(p.last_lateness);
  }
  std::sort(final_offsets.begin(), final_offsets.end());
  Report("host timer service", histogram);
  std::printf("  early fires %llu; ticks delivered %llu + skipped %llu of %llu due\n",
              static_cast<unsigned long long>(early), static_cast<unsigned long long>(fires),
              static_cast<unsigned long long>(skipped), static_cast<unsigned long long>(due));
  std::printf(
      "  drift after %d s (last tick's offset from its grid deadline): median %.1f us,"
      " max %.1f us\n",
      seconds, final_offsets[final_offsets.size() / 2].count() / 1000.0,
      final_offsets.back().count() / 1000.0);
  std::printf("  lateness may be overstated by up to %.1f us (the longest StartTimer call)\n",
              start_slack.count() / 1000.0);
  Report("baseline: sleep_until loop", SleepUntilBaseline(interval, length));
  return early == 0 ? 0 : 1;
}
