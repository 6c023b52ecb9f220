#include "text_run.h"

#include <cstring>
#include <vector>

#include <vo_tools/quoted_printable.h>
#include <vo_tools/service_names.h>

namespace vo_demo {
namespace {

// Bytes of 0x80 and above shown as {XY}, so the account reads the same on
// any terminal.
std::string Visible(const char* text) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string shown;
  for (const char* p = text; *p != '\0'; ++p) {
    const unsigned char byte = static_cast<unsigned char>(*p);
    if (byte < 0x80) {
      shown += static_cast<char>(byte);
    } else {
      shown += {'{', kDigits[byte >> 4], kDigits[byte & 15], '}'};
    }
  }
  return shown;
}

// A sensor label in Latin-1, with an "=" in it, crosses a channel that
// takes 7-bit text only.
void RoundTrip(DemoLog* log, Checks* checks, std::ostream& out) {
  const char* const label =
      "Temp\xE9rature salle B=2 (\xB0"
      "C)";
  const char* encoded = QuotablePrinted_Encode(label);
  const char* decoded = encoded != nullptr ? QuotablePrinted_Decode(encoded) : nullptr;
  const bool same = decoded != nullptr && std::strcmp(decoded, label) == 0;
  out << "Quoted-printable round trip:\n"
      << "  text     " << Visible(label) << "\n"
      << "  encoded  " << (encoded != nullptr ? encoded : "(null)") << "\n"
      << "  decoded  " << (same ? "the text again" : "SOMETHING ELSE") << "\n";
  checks->Expect(
      encoded != nullptr && std::strcmp(encoded, "Temp=E9rature salle B=3D2 (=B0C)") == 0,
      "the label encodes to 7-bit text");
  checks->Expect(same, "the encoded label decodes to the label");
  if (encoded != nullptr) log->Line(VO_LOG_INFO, false, "codec", 0, "label sent as %s", encoded);
  QuotablePrinted_FreeString(encoded);
  QuotablePrinted_FreeString(decoded);
}

void ServiceNames(const std::string& suffix, Checks* checks, std::ostream& out) {
  const std::string requests_name = "VoProxyReceiveRequests" + suffix;
  const std::string responses_name = "VoProxyReceiveResponses" + suffix;
  std::vector<char> requests(responses_name.size() + 1, '?');
  std::vector<char> responses(responses_name.size() + 1, '?');
  VoProxy_CreateServiceNames(suffix.c_str(), requests.data(), responses.data());
  out << "Proxy service names for suffix \"" << suffix << "\":\n"
      << "  " << requests.data() << "\n"
      << "  " << responses.data() << "\n";
  checks->Expect(requests_name == requests.data() && responses_name == responses.data(),
                 "the service names end in the suffix");
}

}  // namespace

void RunTextUtilities(const std::string& suffix, DemoLog* log, Checks* checks, std::ostream& out) {
  RoundTrip(log, checks, out);
  ServiceNames(suffix, checks, out);
}

}  // namespace vo_demo
