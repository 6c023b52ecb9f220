#include "call_gate.h"

#include <thread>

namespace vo_tools::log {
namespace {

// How deep the calling thread is in logging calls: a signal handler that
// logs finds it above 0 when it interrupted one. Plain data, so that a
// thread's end destroys nothing a last line needs.
thread_local int t_depth = 0;

}  // namespace

// The count goes up before the closed flag is read, and Close sets the flag
// before it reads the count (both sequentially consistent), so either the
// call sees the gate closed or Close sees the call.
CallGate::Pass::Pass(CallGate* gate) : gate_(gate) {
  if (t_depth != 0) return;
  ++t_depth;
  // A signal handler that runs from here on sees the depth.
  std::atomic_signal_fence(std::memory_order_seq_cst);
  entered_ = true;
  gate_->calls_.fetch_add(1, std::memory_order_seq_cst);
  admitted_ = !gate_->closed_.load(std::memory_order_seq_cst);
}

CallGate::Pass::~Pass() {
  if (!entered_) return;
  gate_->calls_.fetch_sub(1, std::memory_order_release);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  --t_depth;
}

bool CallGate::Close(std::chrono::milliseconds bound) {
  closed_.store(true, std::memory_order_seq_cst);
  const auto deadline = std::chrono::steady_clock::now() + bound;
  while (calls_.load(std::memory_order_acquire) != 0) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

void CallGate::ForgetOtherThreads() {
  calls_.store(t_depth, std::memory_order_relaxed);
}

}  // namespace vo_tools::log
