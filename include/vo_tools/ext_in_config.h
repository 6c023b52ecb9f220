// ext_in_config: the host driver's configuration record, as far as this
// library knows it.
//
// The host program owns and fills the record and hands it, with an opaque
// host context pointer, to each plug-in; the plug-in passes both to
// CPlexWakeUpServer. The record is a row of pointer-sized entries. The
// library calls entries 52 (start_timer) and 53 (stop_timer) and never reads
// or writes any other entry; the ones before them are the host's own.
//
// start_timer(context, callback, cookie, interval) arms a repeating timer that
// calls callback(cookie) once per interval, on a thread of the host's, until
// it is stopped. The interval is in the host's unit and reaches it unchanged.
// It returns a non-zero 32-bit timer identifier, or 0 when no timer was
// started (then the callback is never called). The callback's result is the
// host's business; the library's callback always returns 0.
//
// stop_timer(context, id) disarms a started timer; its result is not used.
// The library calls it once per started timer, from any thread, possibly from
// inside that timer's own callback, so a host must neither block there until
// callbacks have finished nor deadlock; a call already under way may still
// complete.
//
// Ownership: the host owns the record and the context; both must outlive
// every server and request made with them.
#ifndef VO_TOOLS_EXT_IN_CONFIG_H_
#define VO_TOOLS_EXT_IN_CONFIG_H_

#include <cstddef>
#include <cstdint>

// The callback handed to start_timer: takes the cookie, returns an int.
typedef int (*ext_timer_callback)(void* cookie);

struct ext_in_config {
  // Entries 0 to 51: the host's, unused by this library.
  void* host_entries[52];
  // Entry 52.
  std::uint32_t (*start_timer)(void* host_context, ext_timer_callback callback, void* cookie,
                               unsigned long interval);
  // Entry 53.
  int (*stop_timer)(void* host_context, std::uint32_t timer_id);
};

static_assert(offsetof(ext_in_config, start_timer) == 52 * sizeof(void*),
              "start_timer is entry 52 of the host's record");
static_assert(offsetof(ext_in_config, stop_timer) == 53 * sizeof(void*),
              "stop_timer is entry 53 of the host's record");

#endif  // VO_TOOLS_EXT_IN_CONFIG_H_
