#include <atomic>
#include <memory>
#include <new>

#include "module/critical_section.h"
#include "platform/teardown.h"
#include "platform/thread_annotations.h"
#include "registry_close.h"
#include "request_id.h"
#include "vo_tools/wakeup.h"

using vo_tools::CriticalSectionLock;
using vo_tools::wakeup::RequestIdOf;
using vo_tools::wakeup::WakableOf;

namespace {

using OwnedRequest = std::unique_ptr<CPlexWakeUpRequest>;

// Whether the registry takes requests and delivers ticks: from the first
// server's construction until the library's teardown. Plain data, so that a
// tick or a wakable's end after the teardown finds it; changed under the
// registry lock, and read before taking the lock only to skip it.
std::atomic<bool> g_registryOpen{false};

// The process-wide registry and its lock, under names that the helpers below
// (which are not members) may use; never instantiated.
struct SharedRegistry : CPlexWakeUpServer {
  using CPlexWakeUpServer::m_aRequests;
  using CPlexWakeUpServer::m_critsectionRequests;
};

// A request whose WakeUp is on the stack must outlive that call even if the
// callback cancels or replaces it, so that the delivering OnWakeup can still
// compare it with the registry afterwards without mistaking a new request at
// the same address for it. Deliveries under way on the lock's owning thread
// form a chain (a callback may reach OnWakeup again); it is only touched with
// the registry lock held, so it needs no lock of its own.
class Delivery {
 public:
  // Starts delivering `request`; `finished` receives it when the delivery
  // ends if it left the registry meanwhile.
  Delivery(CPlexWakeUpRequest* request, OwnedRequest* finished)
      REQUIRES(SharedRegistry::m_critsectionRequests)
      : request_(request), finished_(finished), outer_(innermost_) {
    innermost_ = this;
  }
  ~Delivery() REQUIRES(SharedRegistry::m_critsectionRequests) {
    innermost_ = outer_;
    if (left_registry_) finished_->reset(request_);
  }
  Delivery(const Delivery&) = delete;
  Delivery& operator=(const Delivery&) = delete;

  // Takes ownership of a request that has just left the registry: it is
  // returned for destruction, unless a delivery of it is under way, in which
  // case the outermost such delivery destroys it when it ends.
  static OwnedRequest Retire(CPlexWakeUpRequest* request)
      REQUIRES(SharedRegistry::m_critsectionRequests) {
    Delivery* outermost = nullptr;
    for (Delivery* d = innermost_; d != nullptr; d = d->outer_) {
      if (d->request_ == request) outermost = d;
    }
    if (outermost == nullptr) return OwnedRequest(request);
    outermost->left_registry_ = true;
    return nullptr;
  }

 private:
  static Delivery* innermost_ GUARDED_BY(SharedRegistry::m_critsectionRequests);

  CPlexWakeUpRequest* const request_;
  OwnedRequest* const finished_;
  Delivery* const outer_;
  bool left_registry_ = false;
};

Delivery* Delivery::innermost_ = nullptr;

// Delivers one tick to `request`: true if its callback asked to end it. If
// the request left the registry during the callback, it is in `finished`
// once this returns or throws.
bool Deliver(CPlexWakeUpRequest* request, OwnedRequest* finished)
    REQUIRES(SharedRegistry::m_critsectionRequests) {
  Delivery delivery(request, finished);
  return request->WakeUp() != 0;
}

// Ends a delivered request: it is erased only if its wakable's entry still
// holds it (a callback that asked for a new wake-up of the same wakable
// keeps the new request) and it did not already leave the registry during
// the delivery. Throws nothing.
void EndDelivered(KaWakable* wakable, CPlexWakeUpRequest* request, OwnedRequest* finished)
    REQUIRES(SharedRegistry::m_critsectionRequests) {
  if (*finished != nullptr) return;
  auto entry = SharedRegistry::m_aRequests.find(wakable);
  if (entry == SharedRegistry::m_aRequests.end() || entry->second != request) return;
  SharedRegistry::m_aRequests.erase(entry);
  *finished = Delivery::Retire(request);
}

// Moves an armed request into the registry under its wakable; the request it
// replaces, if any, is handed back for destruction once the lock is released.
// Throws std::bad_alloc, with the registry and `request` unchanged, if no node
// can be had.
OwnedRequest Register(KaWakable* wakable, OwnedRequest* request)
    REQUIRES(SharedRegistry::m_critsectionRequests) {
  auto [entry, inserted] = SharedRegistry::m_aRequests.try_emplace(wakable, request->get());
  CPlexWakeUpRequest* replaced = inserted ? nullptr : entry->second;
  entry->second = request->release();
  return replaced != nullptr ? Delivery::Retire(replaced) : nullptr;
}

// The road shared by periodic and one-shot requests. Every request that
// leaves the registry, or never joins it, is destroyed after the lock is
// released, so the host's stop_timer never runs under the lock this call
// took. A null wakable would be identifier 0 ("nothing scheduled") yet tick
// into a null object, so it is refused before the host is asked.
template <typename Request>
KaRequestId Schedule(KaWakable* wakable, unsigned long interval, void* host_context,
                     ext_in_config* config) {
  if (wakable == nullptr) return 0;
  OwnedRequest request(new (std::nothrow) Request(interval, wakable, host_context, config));
  if (request == nullptr || !request->Set()) return 0;
  OwnedRequest replaced;
  try {
    CriticalSectionLock guard(&SharedRegistry::m_critsectionRequests);
    if (!g_registryOpen.load(std::memory_order_relaxed)) return 0;
    replaced = Register(wakable, &request);
  } catch (const std::bad_alloc&) {
    return 0;  // `request`, still owned here, stops its timer
  }
  return RequestIdOf(wakable);
}

// Takes `wakable`'s entry out of the registry; the request is handed back
// for destruction once the lock is released.
OwnedRequest Unregister(KaWakable* wakable) REQUIRES(SharedRegistry::m_critsectionRequests) {
  if (!g_registryOpen.load(std::memory_order_relaxed)) return nullptr;
  auto entry = SharedRegistry::m_aRequests.find(wakable);
  if (entry == SharedRegistry::m_aRequests.end()) return nullptr;
  CPlexWakeUpRequest* request = entry->second;
  SharedRegistry::m_aRequests.erase(entry);
  return Delivery::Retire(request);
}

// A request that goes without giving its timer back: the timer's owner,
// the host, may be gone. (The member pointer, named through this class,
// reaches the field of any request.)
struct TimerForgetter : CPlexWakeUpRequest {
  static void ForgetTimer(CPlexWakeUpRequest* request) {
    request->*(&TimerForgetter::m_nTimerId) = 0;
  }
};

// The library's teardown closes the registry before the runtime destroys it
// and its lock, so that a late tick or wakable touches neither, and destroys
// each request still registered, with the lock free (stop_timer may wait
// for a tick that waits for the lock). At an unload the host goes on, and
// its timers would tick into unloaded code: each request stops its timer.
// At an exit the host may already be gone: the requests forget their
// timers, whose later ticks find the registry closed. Where the other
// threads are gone too, one may have died holding the lock: nothing is
// touched.
void CloseRegistry() {
  const vo_tools::platform::Teardown teardown = vo_tools::platform::CurrentTeardown();
  if (teardown == vo_tools::platform::Teardown::kProcessExitThreadsGone) {
    g_registryOpen.store(false, std::memory_order_relaxed);
    return;
  }
  for (;;) {
    OwnedRequest retired;
    CriticalSectionLock guard(&SharedRegistry::m_critsectionRequests);
    if (SharedRegistry::m_aRequests.empty()) {
      g_registryOpen.store(false, std::memory_order_relaxed);
      return;
    }
    retired = Unregister(SharedRegistry::m_aRequests.begin()->first);
    if (retired != nullptr && teardown != vo_tools::platform::Teardown::kUnload) {
      TimerForgetter::ForgetTimer(retired.get());
    }
  }
}

// Made by the first server, after the module's static objects, so that it
// is torn down before the registry and its lock are.
struct RegistryCloser {
  RegistryCloser() = default;
  RegistryCloser(const RegistryCloser&) = delete;
  RegistryCloser& operator=(const RegistryCloser&) = delete;
  ~RegistryCloser() { CloseRegistry(); }
};

}  // namespace

void vo_tools::wakeup::RetireRequestOf(const KaWakable* wakable) {
  if (!g_registryOpen.load(std::memory_order_acquire)) return;
  OwnedRequest retired;  // destroyed after the guard below is released
  CriticalSectionLock guard(&SharedRegistry::m_critsectionRequests);
  retired = Unregister(const_cast<KaWakable*>(wakable));
}

CPlexWakeUpServer::CPlexWakeUpServer(void* host_context, ext_in_config* config, unsigned int)
    : m_pHostContext(host_context), m_pConfig(config) {
  // Tested under the lock too: servers may be built on several threads.
  static RegistryCloser closer;
  CriticalSectionLock guard(&m_critsectionRequests);
  if (m_bRequestsInitialized == 0) m_bRequestsInitialized = 1;
  g_registryOpen.store(true, std::memory_order_release);
}

CPlexWakeUpServer::CPlexWakeUpServer(const CPlexWakeUpServer&) = default;

// Requests belong to the shared registry, not to the server that made them.
CPlexWakeUpServer::~CPlexWakeUpServer() = default;

CPlexWakeUpServer& CPlexWakeUpServer::operator=(const CPlexWakeUpServer&) = default;

KaRequestId CPlexWakeUpServer::RequestImmediateWakeUp(KaWakable*) {
  return 1;
}

KaRequestId CPlexWakeUpServer::RequestPeriodicTimerWakeUp(KaWakable* wakable,
                                                          unsigned long interval) {
  return Schedule<CPlexPeriodicWakeupRequest>(wakable, interval, m_pHostContext, m_pConfig);
}

KaRequestId CPlexWakeUpServer::RequestSingleTimerWakeUp(KaWakable* wakable,
                                                        unsigned long interval) {
  return Schedule<CPlexOnceWakeupRequest>(wakable, interval, m_pHostContext, m_pConfig);
}

void CPlexWakeUpServer::CancelRequest(KaRequestId request_id) {
  OwnedRequest cancelled;  // destroyed after the guard below is released
  CriticalSectionLock guard(&m_critsectionRequests);
  cancelled = Unregister(WakableOf(request_id));
}

// The host calls this with the lock free; the callback runs under it, so a
// cancel on another thread waits for the callback to end. An exception from
// the callback passes through unchanged, and the guard releases the lock on
// its way out.
int CPlexWakeUpServer::OnWakeup(void* cookie) {
  OwnedRequest finished;  // destroyed after the guard below is released
  CriticalSectionLock guard(&m_critsectionRequests);
  if (!g_registryOpen.load(std::memory_order_relaxed)) return 0;
  KaWakable* const wakable = static_cast<KaWakable*>(cookie);
  auto entry = m_aRequests.find(wakable);
  if (entry == m_aRequests.end()) return 0;
  CPlexWakeUpRequest* const request = entry->second;
  // A one-shot is spent once its callback has been called, even if the
  // callback threw: left registered, its timer would call it again.
  const bool one_shot = dynamic_cast<CPlexOnceWakeupRequest*>(request) != nullptr;
  bool asked_to_end;
  try {
    asked_to_end = Deliver(request, &finished);
  } catch (...) {
    if (one_shot) EndDelivered(wakable, request, &finished);
    throw;
  }
  if (one_shot || asked_to_end) EndDelivered(wakable, request, &finished);
  return 0;
}
