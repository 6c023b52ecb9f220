#include "registry_close.h"
#include "vo_tools/wakeup.h"

// Defined out of line so that every member, the implicit copies included, is
// exported with the classes and derived classes in other modules bind to them.
KaWakable::KaWakable() = default;
KaWakable::KaWakable(const KaWakable&) = default;
KaWakable& KaWakable::operator=(const KaWakable&) = default;

// A wakable that goes with a request still registered would be called after
// its end, on the host's timer thread; the request goes with it instead.
KaWakable::~KaWakable() {
  vo_tools::wakeup::RetireRequestOf(this);
}

void KaWakable::OnImmediate(KaRequestId) {}
void KaWakable::OnPeriodicTimer(KaRequestId) {}
void KaWakable::OnSingleTimer(KaRequestId) {}

KaWakeUpServer::KaWakeUpServer() = default;
KaWakeUpServer::KaWakeUpServer(const KaWakeUpServer&) = default;
KaWakeUpServer::~KaWakeUpServer() = default;
KaWakeUpServer& KaWakeUpServer::operator=(const KaWakeUpServer&) = default;
