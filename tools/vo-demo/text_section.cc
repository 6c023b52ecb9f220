#include <cstring>
#include <string>

#include <vo_tools/vo_tools.h>

#include "sections.h"

namespace vo_demo {

namespace {

// Bytes of 0x80 and above shown as {XY}, so the account reads the same on
// any terminal.
std::string Visible(const char* text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string shown;
  for (const char* p = text; *p != '\0'; ++p) {
    const unsigned char b = static_cast<unsigned char>(*p);
    if (b < 0x80) {
      shown += static_cast<char>(b);
    } else {
      shown += {'{', kDigits[b >> 4], kDigits[b & 15], '}'};
    }
  }
  return shown;
}

}  // namespace

// A sensor label in Latin-1 with an "=" in it crosses a channel that takes
// 7-bit text only: escape it, undo it, and compose the proxy's names.
bool ShowTextUtilities(std::ostream& out) {
  const char* const sample =
      "Temp\xE9rature salle B=2 (\xB0"
      "C)";
  const char* encoded = QuotablePrinted_Encode(sample);
  const char* decoded = QuotablePrinted_Decode(encoded);
  bool ok = encoded != nullptr && decoded != nullptr;
  if (ok) {
    out << "   sample:  " << Visible(sample) << "\n";
    out << "   encoded: " << encoded << "\n";
    out << "   decoded: " << Visible(decoded) << "\n";
    ok = std::strcmp(encoded, "Temp=E9rature salle B=3D2 (=B0C)") == 0 &&
         std::strcmp(decoded, sample) == 0;
  }
  QuotablePrinted_FreeString(encoded);
  QuotablePrinted_FreeString(decoded);

  const char* const suffix = "_Station7";
  char requests[64];
  char responses[64];
  VoProxy_CreateServiceNames(suffix, requests, responses);
  out << "   service names for suffix \"" << suffix << "\": " << requests << ", " << responses
      << "\n";
  return ok && std::strcmp(requests, "VoProxyReceiveRequests_Station7") == 0 &&
         std::strcmp(responses, "VoProxyReceiveResponses_Station7") == 0;
}

}  // namespace vo_demo
