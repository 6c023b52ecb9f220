// CallGate: which logging calls may touch logging's state, so that the
// library's teardown can close the logs while threads may still log, and a
// call that interrupts another on the same thread (a signal handler's) never
// meets the state that call is in the middle of.
//
// A call holds a Pass for its whole length. A Pass is turned away when the
// thread is already inside a logging call (the interrupting call is dropped:
// it would wait for a lock its own thread holds, or find the log half
// written) and once the gate is closed. Close turns later calls away and
// waits, up to a bound, for the calls under way to end.
//
// Threads: any thread may pass at any time; the gate itself is plain data
// that needs no construction or teardown, so it works before and after the
// library's static objects exist. Nothing fails but Close's wait.
#ifndef VO_TOOLS_LOG_CALL_GATE_H_
#define VO_TOOLS_LOG_CALL_GATE_H_

#include <atomic>
#include <chrono>

namespace vo_tools::log {

class CallGate {
 public:
  class Pass {
   public:
    explicit Pass(CallGate* gate);
    ~Pass();
    Pass(const Pass&) = delete;
    Pass& operator=(const Pass&) = delete;

    // False when the call must do nothing.
    bool admitted() const { return admitted_; }

   private:
    CallGate* const gate_;
    bool entered_ = false;  // counted among the calls under way
    bool admitted_ = false;
  };

  constexpr CallGate() = default;

  // Turns later calls away, then waits up to `bound` for those under way;
  // true when none is left.
  bool Close(std::chrono::milliseconds bound);

  // For the only thread of a forked child: the calls that other threads had
  // under way at the fork will never end there.
  void ForgetOtherThreads();

 private:
  std::atomic<int> calls_{0};
  std::atomic<bool> closed_{false};
};

}  // namespace vo_tools::log

#endif  // VO_TOOLS_LOG_CALL_GATE_H_
