#include "request_id.h"
#include "vo_tools/wakeup.h"

namespace {

// Gives a started timer back to the host; leaves `timer_id` 0 either way.
void StopTimer(ext_in_config* config, void* host_context, std::uint32_t* timer_id) {
  if (*timer_id != 0 && config != nullptr && config->stop_timer != nullptr) {
    config->stop_timer(host_context, *timer_id);
  }
  *timer_id = 0;
}

// Both kinds arm the host timer alike; only the server's handling of WakeUp's
// result makes one of them fire once. Arming again gives the earlier timer
// back first, so a request never holds two. A record without the entry
// refuses like a host that returns 0.
int StartTimer(ext_in_config* config, void* host_context, KaWakable* wakable,
               unsigned long interval, std::uint32_t* timer_id) {
  StopTimer(config, host_context, timer_id);
  if (config == nullptr || config->start_timer == nullptr) return 0;
  *timer_id = config->start_timer(host_context, &CPlexWakeUpServer::OnWakeup, wakable, interval);
  return *timer_id != 0 ? 1 : 0;
}

}  // namespace

CPlexWakeUpRequest::CPlexWakeUpRequest(KaWakable* wakable, void* host_context,
                                       ext_in_config* config)
    : m_pWakable(wakable), m_pHostContext(host_context), m_pConfig(config), m_nTimerId(0) {}

// A timer has one owner: the copy borrows what the original borrows but
// does not share its timer.
CPlexWakeUpRequest::CPlexWakeUpRequest(const CPlexWakeUpRequest& other)
    : m_pWakable(other.m_pWakable),
      m_pHostContext(other.m_pHostContext),
      m_pConfig(other.m_pConfig),
      m_nTimerId(0) {}

CPlexWakeUpRequest::~CPlexWakeUpRequest() {
  StopTimer(m_pConfig, m_pHostContext, &m_nTimerId);
}

// The timer this request owned ticks for its old wakable, so it goes before
// the request takes on the other's.
CPlexWakeUpRequest& CPlexWakeUpRequest::operator=(const CPlexWakeUpRequest& other) {
  if (this == &other) return *this;
  StopTimer(m_pConfig, m_pHostContext, &m_nTimerId);
  m_pWakable = other.m_pWakable;
  m_pHostContext = other.m_pHostContext;
  m_pConfig = other.m_pConfig;
  return *this;
}

int CPlexWakeUpRequest::Set() {
  return 1;
}

CPlexPeriodicWakeupRequest::CPlexPeriodicWakeupRequest(unsigned long interval, KaWakable* wakable,
                                                       void* host_context, ext_in_config* config)
    : CPlexWakeUpRequest(wakable, host_context, config), m_ulInterval(interval) {}

CPlexPeriodicWakeupRequest::CPlexPeriodicWakeupRequest(const CPlexPeriodicWakeupRequest&) = default;
CPlexPeriodicWakeupRequest::~CPlexPeriodicWakeupRequest() = default;
CPlexPeriodicWakeupRequest& CPlexPeriodicWakeupRequest::operator=(
    const CPlexPeriodicWakeupRequest&) = default;

int CPlexPeriodicWakeupRequest::Set() {
  return StartTimer(m_pConfig, m_pHostContext, m_pWakable, m_ulInterval, &m_nTimerId);
}

int CPlexPeriodicWakeupRequest::WakeUp() {
  m_pWakable->OnPeriodicTimer(vo_tools::wakeup::RequestIdOf(m_pWakable));
  return 0;
}

CPlexOnceWakeupRequest::CPlexOnceWakeupRequest(unsigned long interval, KaWakable* wakable,
                                               void* host_context, ext_in_config* config)
    : CPlexWakeUpRequest(wakable, host_context, config), m_ulInterval(interval) {}

CPlexOnceWakeupRequest::CPlexOnceWakeupRequest(const CPlexOnceWakeupRequest&) = default;
CPlexOnceWakeupRequest::~CPlexOnceWakeupRequest() = default;
CPlexOnceWakeupRequest& CPlexOnceWakeupRequest::operator=(const CPlexOnceWakeupRequest&) = default;

int CPlexOnceWakeupRequest::Set() {
  return StartTimer(m_pConfig, m_pHostContext, m_pWakable, m_ulInterval, &m_nTimerId);
}

int CPlexOnceWakeupRequest::WakeUp() {
  m_pWakable->OnSingleTimer(vo_tools::wakeup::RequestIdOf(m_pWakable));
  return 1;
}
