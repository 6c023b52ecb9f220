#include "text/quoted_printable_results.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "qp_conversions.h"

namespace vo_tools::qp {

char* AllocateResult(std::size_t length, AllocateFunction allocate) {
  if (length == kLengthOverflow) return nullptr;  // no room for the terminator
  return static_cast<char*>(allocate(length + 1));
}

namespace {

// Texts are measured and copied a chunk at a time, so that each chunk is
// read from memory once and then worked on in the nearest cache.
constexpr std::size_t kChunk = 8192;

struct MeasuredText {
  std::size_t length = 0;
  std::size_t escapes = 0;
  bool ended = false;  // the terminator was found
};

// The length of `text` when its terminator is among its first `limit`
// bytes, else `limit`. memchr stops at the terminator, so nothing past it is
// read.
std::size_t LengthUpTo(const char* text, std::size_t limit) {
  const void* zero = std::memchr(text, '\0', limit);
  return zero == nullptr ? limit : static_cast<std::size_t>(static_cast<const char*>(zero) - text);
}

// Adds the next chunk of `text` to `measured`: the search for the
// terminator brings it into the nearest cache, and its escapes are counted
// there.
void MeasureChunk(const char* text, MeasuredText* measured, const Conversions& conversions) {
  const char* chunk = text + measured->length;
  const std::size_t length = LengthUpTo(chunk, kChunk);
  measured->escapes += conversions.count_escapes(chunk, length);
  measured->length += length;
  measured->ended = length < kChunk;
}

char* Terminated(char* result, std::size_t length) {
  result[length] = '\0';
  return result;
}

// A new result holding data[0, length) and its terminator.
char* CopiedToResult(const char* data, std::size_t length, AllocateFunction allocate) {
  char* result = AllocateResult(length, allocate);
  if (result == nullptr) return nullptr;
  std::memcpy(result, data, length);
  return Terminated(result, length);
}

// The result is allocated at its exact size, and the encoding written
// straight into it: no working buffer, no copy. Every byte of the result is
// written, so it needs no zero fill.
char* EncodeMeasured(const char* text, const MeasuredText& measured, AllocateFunction allocate,
                     const Conversions& conversions) {
  const std::size_t length = EncodedLengthFor(measured.length, measured.escapes);
  char* result = AllocateResult(length, allocate);
  if (result == nullptr) return nullptr;
  conversions.encode(text, measured.length, result);
  return Terminated(result, length);
}

// Copies text[from, n) to out[from, n) a chunk at a time while the chunks
// need no escape, each counted and then copied while in the nearest cache;
// returns where it stopped.
std::size_t CopyWhilePlain(const char* text, std::size_t from, std::size_t n, char* out,
                           const Conversions& conversions) {
  while (from < n) {
    const std::size_t length = std::min(kChunk, n - from);
    if (conversions.count_escapes(text + from, length) != 0) break;
    std::memcpy(out + from, text + from, length);
    from += length;
  }
  return from;
}

// A long text that starts plain: a result for it as plain text is filled as
// the text is checked, so that plain text is read twice (its length, then
// the copy) as by a plain copy, not three times. At the first chunk with an
// escape, the rest is counted, the exact result allocated, and what was
// copied moved over.
char* EncodeStartingPlain(const char* text, std::size_t plain, AllocateFunction allocate,
                          const Conversions& conversions) {
  const std::size_t n = plain + std::strlen(text + plain);
  char* result = AllocateResult(n, allocate);
  if (result == nullptr) return nullptr;
  std::memcpy(result, text, plain);
  const std::size_t copied = CopyWhilePlain(text, plain, n, result, conversions);
  if (copied == n) return Terminated(result, n);

  const std::size_t length =
      EncodedLengthFor(n, conversions.count_escapes(text + copied, n - copied));
  char* exact = AllocateResult(length, allocate);
  if (exact != nullptr) {
    std::memcpy(exact, result, copied);
    conversions.encode(text + copied, n - copied, exact + copied);
    Terminated(exact, length);
  }
  std::free(result);
  return exact;
}

// A short text is encoded into a buffer on the stack, then copied into its
// result: one pass over the text instead of two.
constexpr std::size_t kShort = 256;

char* EncodeShort(const char* text, std::size_t n, AllocateFunction allocate,
                  const Conversions& conversions) {
  char encoded[3 * kShort + kEncodeRoom];
  return CopiedToResult(encoded, conversions.encode_with_room(text, n, encoded), allocate);
}

// Likewise for decoding, whose output is never longer than its input.
char* DecodeShort(const char* encoded, std::size_t n, AllocateFunction allocate,
                  const Conversions& conversions) {
  char decoded[kShort];
  return CopiedToResult(decoded, conversions.decode(encoded, n, decoded), allocate);
}

// A long text is decoded straight into a result of its own length, which
// the decoding never exceeds, and the result is then shrunk to the
// decoding's length: one pass over the text, where measuring the decoding
// first would take two. Heaps shrink an allocation where it lies, without a copy;
// should one refuse, the result as it is still holds the decoding.
char* DecodeLong(const char* encoded, std::size_t n, AllocateFunction allocate,
                 const Conversions& conversions) {
  char* result = AllocateResult(n, allocate);
  if (result == nullptr) return nullptr;
  const std::size_t length = conversions.decode(encoded, n, result);
  Terminated(result, length);
  if (length == n) return result;
  void* shrunk = std::realloc(result, length + 1);
  return shrunk != nullptr ? static_cast<char*>(shrunk) : result;
}

char* EncodeOn(const char* text, AllocateFunction allocate, const Conversions& conversions) {
  if (text == nullptr) return nullptr;
  const std::size_t n = LengthUpTo(text, kShort + 1);
  if (n <= kShort) return EncodeShort(text, n, allocate, conversions);
  MeasuredText measured;
  MeasureChunk(text, &measured, conversions);
  if (!measured.ended && measured.escapes == 0) {
    return EncodeStartingPlain(text, measured.length, allocate, conversions);
  }
  while (!measured.ended) MeasureChunk(text, &measured, conversions);
  return EncodeMeasured(text, measured, allocate, conversions);
}

char* DecodeOn(const char* encoded, AllocateFunction allocate, const Conversions& conversions) {
  if (encoded == nullptr) return nullptr;
  const std::size_t n = LengthUpTo(encoded, kShort + 1);
  if (n <= kShort) return DecodeShort(encoded, n, allocate, conversions);
  return DecodeLong(encoded, n + std::strlen(encoded + n), allocate, conversions);
}

}  // namespace

char* EncodeToResult(const char* text, AllocateFunction allocate) {
  return EncodeOn(text, allocate, ChosenConversions());
}

char* DecodeToResult(const char* encoded, AllocateFunction allocate) {
  return DecodeOn(encoded, allocate, ChosenConversions());
}

char* EncodeToResult(const char* text, AllocateFunction allocate, Isa isa) {
  return EncodeOn(text, allocate, ConversionsOn(isa));
}

char* DecodeToResult(const char* encoded, AllocateFunction allocate, Isa isa) {
  return DecodeOn(encoded, allocate, ConversionsOn(isa));
}

}  // namespace vo_tools::qp
