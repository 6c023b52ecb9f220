// The names of the proxy's two services for a suffix. The caller gives the
// buffers, and their size is the caller's to get right.
#include <cstdio>
#include <cstring>

#include <vo_tools/service_names.h>

int main() {
  char requests[64], responses[64];  // at least 24 + strlen(suffix) bytes each
  VoProxy_CreateServiceNames("42", requests, responses);
  // "VoProxyReceiveRequests42", "VoProxyReceiveResponses42"
  std::printf("%s\n%s\n", requests, responses);
  return std::strcmp(requests, "VoProxyReceiveRequests42") == 0 &&
                 std::strcmp(responses, "VoProxyReceiveResponses42") == 0
             ? 0
             : 1;
}
