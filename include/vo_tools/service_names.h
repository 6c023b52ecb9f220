// The names of the proxy's two services: "VoProxyReceiveRequests" and
// "VoProxyReceiveResponses", each followed by a suffix the caller chooses.
// Nothing is opened or looked up under them; they are only composed.
//
// Ownership: the caller owns all three buffers. Nothing is tested and nothing
// is reported: the caller passes valid pointers, a requests buffer of at
// least 23 + strlen(suffix) bytes and a responses buffer of at least
// 24 + strlen(suffix) bytes, and keeps the suffix out of both buffers and the
// buffers apart.
//
// Threads: no shared state; calls with distinct buffers may run at once.
#ifndef VO_TOOLS_SERVICE_NAMES_H_
#define VO_TOOLS_SERVICE_NAMES_H_

#include "vo_tools/export.h"

// Writes "VoProxyReceiveRequests" + suffix into `requests_name`, then
// "VoProxyReceiveResponses" + suffix into `responses_name`, each
// zero-terminated and written from its first byte. The suffix is appended
// unchanged, the empty one included.
VO_TOOLS_API void VoProxy_CreateServiceNames(const char* suffix, char* requests_name,
                                             char* responses_name);

#endif  // VO_TOOLS_SERVICE_NAMES_H_
