// libFuzzer target for the quoted-printable codec. For any input it checks
// that no conversion reads or writes outside its buffers (run under
// AddressSanitizer: inputs and outputs sit in blocks of their exact size),
// that every instruction set of the core agrees with the plain byte-at-a-time
// reference, zero bytes included, and that the exported functions give the
// reference's results on the text before the first zero byte and decode
// their own encoding back to it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "qp_reference.h"
#include "text/qp_isa.h"
#include "vo_tools/quoted_printable.h"

namespace {

using vo_tools::qp::Isa;

[[noreturn]] void Mismatch(const char* what) {
  std::fprintf(stderr, "quoted_printable_fuzz: %s\n", what);
  std::abort();
}

void Expect(bool condition, const char* what) {
  if (!condition) Mismatch(what);
}

std::unique_ptr<char[]> ExactCopy(const std::string& bytes) {
  auto copy = std::make_unique<char[]>(bytes.size());
  std::memcpy(copy.get(), bytes.data(), bytes.size());
  return copy;
}

void CheckIsa(Isa isa, const std::string& bytes, const std::string& encoded,
              const std::string& decoded) {
  namespace qp = vo_tools::qp;
  const qp::Conversions& on = qp::ConversionsOn(isa);
  const auto in = ExactCopy(bytes);
  const std::size_t n = bytes.size();

  const std::size_t encoded_length = qp::EncodedLengthFor(n, on.count_escapes(in.get(), n));
  Expect(encoded_length == encoded.size(), "encoded length differs from the reference");
  auto out = std::make_unique<char[]>(encoded.size());
  Expect(on.encode(in.get(), n, out.get()) == encoded.size(), "encode reported a length");
  Expect(std::memcmp(out.get(), encoded.data(), encoded.size()) == 0,
         "encoding differs from the reference");

  out = std::make_unique<char[]>(encoded.size() + qp::kEncodeRoom);
  Expect(on.encode_with_room(in.get(), n, out.get()) == encoded.size(),
         "encode with room reported a length");
  Expect(std::memcmp(out.get(), encoded.data(), encoded.size()) == 0,
         "encoding with room differs from the reference");

  const std::size_t decoded_length = on.decoded_length(in.get(), n);
  Expect(decoded_length == decoded.size(), "decoded length differs from the reference");
  out = std::make_unique<char[]>(decoded_length);
  Expect(on.decode(in.get(), n, out.get()) == decoded_length, "decode reported a length");
  Expect(std::memcmp(out.get(), decoded.data(), decoded_length) == 0,
         "decoding differs from the reference");
}

// The exported functions on zero-terminated text in a block of exactly its
// length + 1, so a read past the terminator is reported.
void CheckExported(const std::string& text) {
  auto input = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(input.get(), text.c_str(), text.size() + 1);

  const std::string expected_encoding = qp_reference::Encode(text);
  const char* encoded = QuotablePrinted_Encode(input.get());
  Expect(encoded != nullptr, "encode returned null");
  Expect(std::memcmp(encoded, expected_encoding.c_str(), expected_encoding.size() + 1) == 0,
         "exported encoding differs from the reference");

  const std::string expected_decoding = qp_reference::Decode(text);
  const char* decoded = QuotablePrinted_Decode(input.get());
  Expect(decoded != nullptr, "decode returned null");
  Expect(std::memcmp(decoded, expected_decoding.c_str(), expected_decoding.size() + 1) == 0,
         "exported decoding differs from the reference");

  const char* round_trip = QuotablePrinted_Decode(encoded);
  Expect(round_trip != nullptr, "decode of an encoding returned null");
  Expect(std::memcmp(round_trip, text.c_str(), text.size() + 1) == 0, "decode(encode(x)) is not x");

  QuotablePrinted_FreeString(encoded);
  QuotablePrinted_FreeString(decoded);
  QuotablePrinted_FreeString(round_trip);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string encoded = qp_reference::Encode(bytes);
  const std::string decoded = qp_reference::Decode(bytes);
  for (Isa isa : vo_tools::qp::kAllIsas) {
    if (vo_tools::qp::IsaAvailable(isa)) CheckIsa(isa, bytes, encoded, decoded);
  }
  CheckExported(bytes.substr(0, bytes.find('\0')));
  return 0;
}
