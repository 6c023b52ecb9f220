// Wake-up scheduling: objects derived from KaWakable ask a KaWakeUpServer to
// be called back once per interval (periodic) or once after an interval
// (one-shot). CPlexWakeUpServer arms the host driver's timers through its
// ext_in_config record and routes every tick back to the right wakable.
//
// Request identifier (KaRequestId): the wakable's address; 0 means nothing
// was scheduled. A wakable has at most one request at a time: a new
// successful request replaces the earlier one (same identifier), a refused
// one leaves the earlier one in place.
//
// Ownership: callers own their wakables. Destroying a wakable retires its
// request, if any, as CancelRequest would, also from inside its own
// callback; what stays the caller's: a wakable must not be destroyed on one
// thread while its tick is being delivered on another (the derived part is
// already gone when ~KaWakable waits for the delivery to end). The server
// and the requests borrow the host context and record, which must outlive
// them. The process-wide registry (shared by all servers) owns each request.
// A request that leaves it (cancelled, replaced, its wakable destroyed, or a
// one-shot once delivered) is destroyed, which stops its host timer exactly
// once, always after the operation that removed it has released the registry
// lock (inside a callback, the delivery still holds it); a request the host
// refused never enters it and is destroyed at once. Destroying a server
// cancels nothing. Unloading the library stops the timers of the requests
// still registered; at process exit their timers are left alone, since the
// host may already be gone, and ticks that still arrive are ignored.
//
// Threads: any thread may request and cancel. Callbacks run on the host's
// timer thread while the registry lock is held, so once CancelRequest returns
// no callback of that request is running or will start (unless CancelRequest
// was called from inside that very callback). A callback may call the server
// on its own thread (cancel itself, request again, even re-arm a one-shot);
// it must not wait for a thread that may be waiting for the registry. The
// host's cookie is the wakable, not the request: a tick of a replaced timer
// that the host had already begun to deliver reaches the wakable's current
// request (so a new one-shot may fire that once, early).
//
// Failures are results: a request operation returns 0 when the host refused
// the timer, the wakable is null, or memory ran out, and then nothing
// changed. Nothing throws, except what a wakable's own callback throws: that
// leaves OnWakeup unchanged, with the registry lock released, to whoever
// delivered the tick; a periodic request stays scheduled, a one-shot is
// spent as if its callback had returned. (Across modules this needs one C++
// runtime in the process: see docs/windows.md.)
#ifndef VO_TOOLS_WAKEUP_H_
#define VO_TOOLS_WAKEUP_H_

#include <cstdint>
#include <map>
#include <type_traits>

#include "vo_tools/export.h"
#include "vo_tools/ext_in_config.h"

// The library's re-entrant lock; internal, so only named here.
class CKaCriticalSection;

// Lets Clang's thread-safety analysis check the library's own use of the
// registry below; nothing for any other compiler or any client.
#if defined(__clang__) && defined(VO_TOOLS_BUILDING)
#define VO_TOOLS_GUARDED_BY(lock) __attribute__((guarded_by(lock)))
#else
#define VO_TOOLS_GUARDED_BY(lock)
#endif

// A request identifier holds a whole address. It is `unsigned long` wherever
// that is wide enough (Linux, 32-bit Windows), so those signatures keep the
// types their callers were built against; where `unsigned long` is narrower
// than a pointer (64-bit Windows) it is a pointer-wide unsigned integer, as
// the address would otherwise be cut: store it as KaRequestId, since an
// `unsigned long` there loses half of it (and the compiler warns).
using KaRequestId =
    std::conditional_t<sizeof(unsigned long) >= sizeof(void*), unsigned long, std::uintptr_t>;

// Base of every object that wants to be woken. The callbacks do nothing
// unless overridden; each receives the identifier of the request that fired.
// Copies carry no state and leave pending requests alone.
class VO_TOOLS_API KaWakable {
 public:
  KaWakable(const KaWakable& other);
  KaWakable& operator=(const KaWakable& other);

  virtual void OnImmediate(KaRequestId request_id);
  virtual void OnPeriodicTimer(KaRequestId request_id);
  virtual void OnSingleTimer(KaRequestId request_id);
  virtual ~KaWakable();

 protected:
  KaWakable();
};

// The interface wakables are scheduled through. Each request operation
// returns a non-zero request identifier, or 0 when nothing was scheduled.
class VO_TOOLS_API KaWakeUpServer {
 public:
  KaWakeUpServer();
  KaWakeUpServer(const KaWakeUpServer& other);
  KaWakeUpServer& operator=(const KaWakeUpServer& other);

  virtual void CancelRequest(KaRequestId request_id) = 0;
  virtual KaRequestId RequestImmediateWakeUp(KaWakable* wakable) = 0;
  virtual KaRequestId RequestPeriodicTimerWakeUp(KaWakable* wakable, unsigned long interval) = 0;
  virtual KaRequestId RequestSingleTimerWakeUp(KaWakable* wakable, unsigned long interval) = 0;
  virtual ~KaWakeUpServer();
};

// One wakable bound to one host timer. The request owns the timer: Set arms
// it, destruction stops it (once). A copy borrows the same wakable, context
// and record but starts unarmed, so no timer ever has two owners; assigning
// to an armed request first stops the timer it owned.
class VO_TOOLS_API CPlexWakeUpRequest {
 public:
  CPlexWakeUpRequest(KaWakable* wakable, void* host_context, ext_in_config* config);
  CPlexWakeUpRequest(const CPlexWakeUpRequest& other);
  virtual ~CPlexWakeUpRequest();
  CPlexWakeUpRequest& operator=(const CPlexWakeUpRequest& other);

  // Arms the host timer; non-zero on success. The base arms nothing and
  // returns 1.
  virtual int Set();
  // Delivers one wake-up; non-zero means the request is finished.
  virtual int WakeUp() = 0;

 protected:
  KaWakable* m_pWakable;
  void* m_pHostContext;
  ext_in_config* m_pConfig;
  std::uint32_t m_nTimerId;  // 0: no timer armed
};

// Calls OnPeriodicTimer at every tick; never finished.
class VO_TOOLS_API CPlexPeriodicWakeupRequest : public CPlexWakeUpRequest {
 public:
  CPlexPeriodicWakeupRequest(unsigned long interval, KaWakable* wakable, void* host_context,
                             ext_in_config* config);
  CPlexPeriodicWakeupRequest(const CPlexPeriodicWakeupRequest& other);
  ~CPlexPeriodicWakeupRequest() override;
  CPlexPeriodicWakeupRequest& operator=(const CPlexPeriodicWakeupRequest& other);

  int Set() override;
  int WakeUp() override;

 protected:
  unsigned long m_ulInterval;
};

// Calls OnSingleTimer and is then finished.
class VO_TOOLS_API CPlexOnceWakeupRequest : public CPlexWakeUpRequest {
 public:
  CPlexOnceWakeupRequest(unsigned long interval, KaWakable* wakable, void* host_context,
                         ext_in_config* config);
  CPlexOnceWakeupRequest(const CPlexOnceWakeupRequest& other);
  ~CPlexOnceWakeupRequest() override;
  CPlexOnceWakeupRequest& operator=(const CPlexOnceWakeupRequest& other);

  int Set() override;
  int WakeUp() override;

 protected:
  unsigned long m_ulInterval;
};

// The host-driven server. All servers of the process share one registry
// (wakable -> request) and its lock.
class VO_TOOLS_API CPlexWakeUpServer : public KaWakeUpServer {
 public:
  // `unused` is accepted for the callers that pass it, and read by nothing.
  CPlexWakeUpServer(void* host_context, ext_in_config* config, unsigned int unused);
  CPlexWakeUpServer(const CPlexWakeUpServer& other);
  ~CPlexWakeUpServer() override;
  CPlexWakeUpServer& operator=(const CPlexWakeUpServer& other);

  void CancelRequest(KaRequestId request_id) override;
  // Returns 1 and schedules nothing: no OnImmediate ever follows.
  KaRequestId RequestImmediateWakeUp(KaWakable* wakable) override;
  // `interval` goes to the host's start_timer as it is, in the host's unit
  // (milliseconds for vo_tools_host::TimerService). A second request for
  // the same wakable replaces the first and returns the same identifier,
  // so cancelling either cancels the one that is left.
  KaRequestId RequestPeriodicTimerWakeUp(KaWakable* wakable, unsigned long interval) override;
  KaRequestId RequestSingleTimerWakeUp(KaWakable* wakable, unsigned long interval) override;

  // The callback handed to the host's start_timer, public only so that the
  // host can call it with the cookie it was given; a caller never needs to.
  // Always returns 0; a cookie with no registered request is ignored.
  static int OnWakeup(void* cookie);

 protected:
  static std::map<KaWakable*, CPlexWakeUpRequest*> m_aRequests
      VO_TOOLS_GUARDED_BY(m_critsectionRequests);
  static CKaCriticalSection m_critsectionRequests;
  // 1 once a server has been constructed.
  static int m_bRequestsInitialized VO_TOOLS_GUARDED_BY(m_critsectionRequests);

 private:
  void* m_pHostContext;
  ext_in_config* m_pConfig;
};

#endif  // VO_TOOLS_WAKEUP_H_
