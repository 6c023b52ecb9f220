#include <time.h>

#include <mutex>

#include "platform/fork_handlers.h"
#include "platform/local_time.h"

namespace vo_tools::platform {
namespace {

// localtime_r converts under the C library's time-zone lock, which fork does
// not release: a child forked while another thread was converting would wait
// for it forever. Conversions here take this lock first, and the fork
// handlers hold it across every fork, so no thread of ours is inside one at
// that moment. Lines are stamped once a second per thread: it is rarely
// contended.
std::mutex g_conversion;

void HoldConversionsAcrossFork() {
  g_conversion.lock();
}

void ReleaseConversionsAfterFork() {
  g_conversion.unlock();
}

// Registered as the library loads, before any thread of it can convert.
const bool g_fork_handlers_registered = (HoldLocalTimeAcrossForks(), true);

}  // namespace

// Once, whoever asks first: fork runs the handlers registered last first, so
// a lock that is held while converting must be registered after this one.
void HoldLocalTimeAcrossForks() {
  static const bool registered = [] {
    RunAroundFork(HoldConversionsAcrossFork, ReleaseConversionsAfterFork);
    return true;
  }();
  static_cast<void>(registered);
}

bool LocalTime(std::time_t when, std::tm* local) {
  std::lock_guard<std::mutex> lock(g_conversion);
  return localtime_r(&when, local) != nullptr;
}

}  // namespace vo_tools::platform
