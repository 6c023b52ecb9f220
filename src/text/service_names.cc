#include "vo_tools/service_names.h"

#include <cstring>

namespace {

constexpr char kRequestsPrefix[] = "VoProxyReceiveRequests";
constexpr char kResponsesPrefix[] = "VoProxyReceiveResponses";

// Prefix, then suffix, then the terminator: the buffer is written from its
// first byte, so nothing it held before survives.
void ComposeName(const char* prefix, std::size_t prefix_length, const char* suffix,
                 std::size_t suffix_length, char* name) {
  std::memcpy(name, prefix, prefix_length);
  std::memcpy(name + prefix_length, suffix, suffix_length + 1);
}

}  // namespace

void VoProxy_CreateServiceNames(const char* suffix, char* requests_name, char* responses_name) {
  const std::size_t suffix_length = std::strlen(suffix);
  ComposeName(kRequestsPrefix, sizeof kRequestsPrefix - 1, suffix, suffix_length, requests_name);
  ComposeName(kResponsesPrefix, sizeof kResponsesPrefix - 1, suffix, suffix_length, responses_name);
}
