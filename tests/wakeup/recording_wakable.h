// A wakable that remembers every callback it receives, and may run a hook
// inside each (to call the server back from inside a callback).
// Single-threaded tests only.
#ifndef VO_TOOLS_TESTS_WAKEUP_RECORDING_WAKABLE_H_
#define VO_TOOLS_TESTS_WAKEUP_RECORDING_WAKABLE_H_

#include <functional>
#include <utility>
#include <vector>

#include "vo_tools/wakeup.h"

namespace vo_tools_test {

enum class Callback { kImmediate, kPeriodic, kSingle };

class RecordingWakable : public KaWakable {
 public:
  struct Call {
    Callback kind;
    KaRequestId id;
  };

  void OnImmediate(KaRequestId id) override { Record(Callback::kImmediate, id); }
  void OnPeriodicTimer(KaRequestId id) override { Record(Callback::kPeriodic, id); }
  void OnSingleTimer(KaRequestId id) override { Record(Callback::kSingle, id); }

  void set_hook(std::function<void()> hook) { hook_ = std::move(hook); }
  const std::vector<Call>& calls() const { return calls_; }
  int count(Callback kind) const {
    int n = 0;
    for (const Call& call : calls_) n += call.kind == kind ? 1 : 0;
    return n;
  }
  KaRequestId address() const { return reinterpret_cast<KaRequestId>(this); }

 private:
  void Record(Callback kind, KaRequestId id) {
    calls_.push_back({kind, id});
    if (hook_) hook_();
  }

  std::vector<Call> calls_;
  std::function<void()> hook_;
};

}  // namespace vo_tools_test

#endif  // VO_TOOLS_TESTS_WAKEUP_RECORDING_WAKABLE_H_
