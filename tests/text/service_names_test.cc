#include "vo_tools/service_names.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

TEST(ServiceNames, EmptySuffixGivesThePrefixesAlone) {
  char requests[64];
  char responses[64];
  VoProxy_CreateServiceNames("", requests, responses);
  EXPECT_STREQ(requests, "VoProxyReceiveRequests");
  EXPECT_STREQ(responses, "VoProxyReceiveResponses");
  EXPECT_EQ(std::strlen(requests), 22u);
  EXPECT_EQ(std::strlen(responses), 23u);
}

TEST(ServiceNames, SuffixIsAppendedUnchanged) {
  char requests[64];
  char responses[64];
  VoProxy_CreateServiceNames("42", requests, responses);
  EXPECT_STREQ(requests, "VoProxyReceiveRequests42");
  EXPECT_STREQ(responses, "VoProxyReceiveResponses42");
  VoProxy_CreateServiceNames("_Host B\xE9", requests, responses);  // no case change, no separator
  EXPECT_STREQ(requests, "VoProxyReceiveRequests_Host B\xE9");
  EXPECT_STREQ(responses, "VoProxyReceiveResponses_Host B\xE9");
}

// Buffers of exactly the documented minimum, filled with junk first: every
// byte is written, from the first, and nothing past the end.
TEST(ServiceNames, ExactBuffersAreFilledFromTheirFirstByte) {
  const std::string suffix(300, 's');  // no length limit
  std::string requests(23 + suffix.size(), '#');
  std::string responses(24 + suffix.size(), '#');
  VoProxy_CreateServiceNames(suffix.c_str(), requests.data(), responses.data());
  EXPECT_EQ(requests, "VoProxyReceiveRequests" + suffix + std::string(1, '\0'));
  EXPECT_EQ(responses, "VoProxyReceiveResponses" + suffix + std::string(1, '\0'));
}

}  // namespace
