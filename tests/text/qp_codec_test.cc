// White-box tests of the codec's core on every instruction set this machine can run,
// and of the result blocks' allocation.
#include "text/qp_isa.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "qp_builtins.h"

#include "guarded_buffer.h"
#include "qp_reference.h"
#include "qp_test_inputs.h"

namespace {

namespace qp = vo_tools::qp;
using qp::Isa;
using Result = std::unique_ptr<char, decltype(&std::free)>;

std::vector<Isa> AvailableIsas() {
  std::vector<Isa> isas;
  for (Isa isa : qp::kAllIsas) {
    if (qp::IsaAvailable(isa)) isas.push_back(isa);
  }
  return isas;
}

// The input in a heap block of exactly its size and the output in one of
// exactly the reported length, so that AddressSanitizer sees a read or a
// write one byte outside either.
std::string EncodeExact(const std::string& text, Isa isa) {
  auto in = std::make_unique<char[]>(text.size());
  std::memcpy(in.get(), text.data(), text.size());
  const std::size_t length = qp::EncodedLengthFor(
      text.size(), qp::ConversionsOn(isa).count_escapes(in.get(), text.size()));
  auto out = std::make_unique<char[]>(length);
  EXPECT_EQ(qp::ConversionsOn(isa).encode(in.get(), text.size(), out.get()), length);
  return std::string(out.get(), length);
}

std::string DecodeExact(const std::string& text, Isa isa) {
  auto in = std::make_unique<char[]>(text.size());
  std::memcpy(in.get(), text.data(), text.size());
  const std::size_t length = qp::ConversionsOn(isa).decoded_length(in.get(), text.size());
  auto out = std::make_unique<char[]>(length);
  EXPECT_EQ(qp::ConversionsOn(isa).decode(in.get(), text.size(), out.get()), length);
  return std::string(out.get(), length);
}

class QpCodecIsas : public ::testing::TestWithParam<Isa> {};

// Every length up to a few vector widths past the widest margin, so that
// each loop is left at each possible offset into its tail.
TEST_P(QpCodecIsas, AgreesWithTheReferenceAtEveryShortLength) {
  std::mt19937 rng(5);
  for (qp_test::Kind kind : qp_test::AllKinds()) {
    for (std::size_t n = 0; n <= 300; ++n) {
      const std::string text = qp_test::RandomText(kind, n, rng);
      ASSERT_EQ(EncodeExact(text, GetParam()), qp_reference::Encode(text))
          << "kind " << int(kind) << " length " << n;
      ASSERT_EQ(DecodeExact(text, GetParam()), qp_reference::Decode(text))
          << "kind " << int(kind) << " length " << n;
    }
  }
}

TEST_P(QpCodecIsas, AgreesWithTheReferenceOnLongTexts) {
  std::mt19937 rng(11);
  for (qp_test::Kind kind : qp_test::AllKinds()) {
    const std::string text =
        qp_test::RandomText(kind, 100000 + 7 * static_cast<std::size_t>(kind), rng);
    const std::string encoded = EncodeExact(text, GetParam());
    ASSERT_EQ(encoded, qp_reference::Encode(text));
    ASSERT_EQ(DecodeExact(encoded, GetParam()), text);
    ASSERT_EQ(DecodeExact(text, GetParam()), qp_reference::Decode(text));
  }
}

// Escapes cut short by the end, after every length of plain run, so that
// the cut falls in each loop's tail and at each vector boundary.
TEST_P(QpCodecIsas, EscapeCutShortByTheEndTakesZeroForTheMissingDigits) {
  for (std::size_t run = 0; run <= 200; ++run) {
    const std::string plain(run, 'p');
    EXPECT_EQ(DecodeExact(plain + "=", GetParam()), plain + std::string(1, '\0')) << run;
    EXPECT_EQ(DecodeExact(plain + "=4", GetParam()), plain + "\x40") << run;
    EXPECT_EQ(DecodeExact(plain + "=41", GetParam()), plain + "A") << run;
    EXPECT_EQ(DecodeExact(plain + "=4g", GetParam()), plain + "\x40") << run;
  }
}

// The core works on lengths, not terminators: zero bytes are plain bytes
// both ways, and "=00" decodes to a zero byte in the middle.
TEST_P(QpCodecIsas, ZeroBytesPassThroughTheCore) {
  const std::string text("a\0b\0\xE9=\0", 7);
  EXPECT_EQ(EncodeExact(text, GetParam()), std::string("a\0b\0=E9=3D\0", 11));
  std::string long_text(100, 'x');
  long_text += std::string("=00", 3) + std::string(100, 'y');
  EXPECT_EQ(DecodeExact(long_text, GetParam()),
            std::string(100, 'x') + std::string(1, '\0') + std::string(100, 'y'));
}

// The input ends where an inaccessible page begins, and so does the output:
// a read or a write one byte outside either faults, with or without
// sanitizers, on every instruction set and at every length of the last block.
TEST_P(QpCodecIsas, ReadsAndWritesNothingPastEitherEndAtAPageBoundary) {
  std::vector<std::size_t> lengths;
  for (std::size_t n = 0; n <= 200; ++n) lengths.push_back(n);
  for (std::size_t n : {255, 256, 257, 4095, 4096, 4097, 20000}) lengths.push_back(n);
  std::mt19937 rng(37);
  for (qp_test::Kind kind : qp_test::AllKinds()) {
    for (std::size_t n : lengths) {
      const std::string text = qp_test::RandomText(kind, n, rng);
      vo_tools_test::GuardedBuffer in(n);
      std::memcpy(in.data(), text.data(), n);

      const std::string encoding = qp_reference::Encode(text);
      vo_tools_test::GuardedBuffer encoded(encoding.size());
      ASSERT_EQ(qp::ConversionsOn(GetParam()).encode(in.data(), n, encoded.data()),
                encoding.size());
      ASSERT_EQ(std::string(encoded.data(), encoded.size()), encoding) << int(kind) << "/" << n;

      const std::string decoding = qp_reference::Decode(text);
      ASSERT_EQ(qp::ConversionsOn(GetParam()).decoded_length(in.data(), n), decoding.size());
      vo_tools_test::GuardedBuffer decoded(decoding.size());
      ASSERT_EQ(qp::ConversionsOn(GetParam()).decode(in.data(), n, decoded.data()),
                decoding.size());
      ASSERT_EQ(std::string(decoded.data(), decoded.size()), decoding) << int(kind) << "/" << n;
    }
  }
}

// Encoding with room after the output writes the encoding and nothing past
// the room: the output's room ends where an inaccessible page begins.
TEST_P(QpCodecIsas, EncodingWithRoomStaysWithinTheRoom) {
  std::mt19937 rng(47);
  for (qp_test::Kind kind : qp_test::AllKinds()) {
    for (std::size_t n = 0; n <= 300; ++n) {
      const std::string text = qp_test::RandomText(kind, n, rng);
      vo_tools_test::GuardedBuffer in(n);
      std::memcpy(in.data(), text.data(), n);
      const std::string encoding = qp_reference::Encode(text);
      vo_tools_test::GuardedBuffer encoded(encoding.size() + qp::kEncodeRoom);
      ASSERT_EQ(qp::ConversionsOn(GetParam()).encode_with_room(in.data(), n, encoded.data()),
                encoding.size());
      ASSERT_EQ(std::string(encoded.data(), encoding.size()), encoding) << int(kind) << "/" << n;
    }
  }
}

// Plain stretches go a group of blocks at a time; an escape in the last
// bytes of a stretch carries digits into the next one, which must then not
// be taken as plain. Each cut of a 600-byte text around the group and block
// boundaries, with the escape's digits on either side of the cut.
TEST_P(QpCodecIsas, AnEscapeAtTheEndOfAPlainStretchCarriesIntoTheNext) {
  for (std::size_t at = 180; at <= 330; ++at) {
    for (const char* escape : {"=41", "=4", "="}) {
      std::string text(600, 'p');
      text.replace(at, std::strlen(escape), escape);
      ASSERT_EQ(DecodeExact(text, GetParam()), qp_reference::Decode(text))
          << "\"" << escape << "\" at " << at;
    }
  }
}

// Escapes of every kind placed at every offset across the first blocks, so
// that each straddles each block boundary of every instruction set (8, 32 and 64
// bytes) and lands in each tail.
TEST_P(QpCodecIsas, EscapesAtEveryOffsetAcrossBlockBoundaries) {
  const std::string escapes[] = {
      "=41", "=e9", "=4", "=", "==41", "=4=", "=A=B", "===", "=\xE9", "=zz", "=0=0=0"};
  for (const std::string& escape : escapes) {
    for (std::size_t offset = 0; offset <= 140; ++offset) {
      for (std::size_t after : {0, 1, 2, 3, 70}) {
        const std::string text = std::string(offset, 'a') + escape + std::string(after, 'b');
        ASSERT_EQ(DecodeExact(text, GetParam()), qp_reference::Decode(text))
            << "\"" << escape << "\" at " << offset << ", " << after << " after";
        ASSERT_EQ(EncodeExact(text, GetParam()), qp_reference::Encode(text))
            << "\"" << escape << "\" at " << offset << ", " << after << " after";
      }
    }
  }
}

// In a run of "=" signs every third starts an escape and the two after it
// are its digits, whatever the blocks: runs of every length from every
// offset, ending in digits or at the end of the input.
TEST_P(QpCodecIsas, RunsOfEqualsSignsDecodeInOrder) {
  for (std::size_t run = 1; run <= 70; ++run) {
    for (std::size_t offset = 0; offset <= 66; ++offset) {
      for (const char* tail :
           {"", "4", "41x", "g1yyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyyy"}) {
        const std::string text = std::string(offset, 'a') + std::string(run, '=') + tail;
        ASSERT_EQ(DecodeExact(text, GetParam()), qp_reference::Decode(text))
            << run << " signs at " << offset << " then \"" << tail << "\"";
      }
    }
  }
}

// Every byte value at every position of a block, and each escape's digits
// in both cases.
TEST_P(QpCodecIsas, EveryByteValueAtEveryBlockPosition) {
  std::string all;
  for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
  for (std::size_t shift = 0; shift < 64; ++shift) {
    const std::string text = std::string(shift, '.') + all + all;
    const std::string encoded = EncodeExact(text, GetParam());
    ASSERT_EQ(encoded, qp_reference::Encode(text)) << shift;
    ASSERT_EQ(DecodeExact(encoded, GetParam()), text) << shift;
    std::string lower = encoded;
    for (std::size_t i = 0; i + 2 < lower.size(); ++i) {
      if (lower[i] != '=') continue;
      for (char& digit : {std::ref(lower[i + 1]), std::ref(lower[i + 2])})
        digit = static_cast<char>(std::tolower(static_cast<unsigned char>(digit)));
      i += 2;
    }
    ASSERT_EQ(DecodeExact(lower, GetParam()), text) << shift;
  }
}

// The results of a named instruction set hold its conversions. Short texts
// are encoded through a buffer on the stack, long ones that start plain are
// copied while they are checked, a chunk at a time, until the first escape:
// an escape at each side of those limits, in a text whose terminator is the
// last byte before an inaccessible page.
TEST_P(QpCodecIsas, ResultsMatchTheReferenceAroundTheShortAndPlainStartLimits) {
  std::mt19937 rng(43);
  for (std::size_t n : {0, 1, 16, 63, 64, 65, 255, 256, 257, 3 * 8192 + 100}) {
    const auto kind = n < 255 ? qp_test::Kind::kSparse : qp_test::Kind::kPlain;
    std::string plain = qp_test::RandomText(kind, n, rng);
    for (std::size_t at : {n, std::size_t{0}, std::size_t{255}, std::size_t{256}, std::size_t{8191},
                           std::size_t{8192}, std::size_t{16385}, n - 1}) {
      if (at > n) continue;
      std::string text = plain;
      if (at < n) text[at] = at % 2 == 0 ? '=' : '\xE9';
      vo_tools_test::GuardedBuffer in(n + 1);
      std::memcpy(in.data(), text.c_str(), n + 1);
      Result encoded(qp::EncodeToResult(in.data(), std::malloc, GetParam()), std::free);
      ASSERT_NE(encoded, nullptr);
      ASSERT_EQ(encoded.get(), qp_reference::Encode(text)) << n << "/" << at;
      Result decoded(qp::DecodeToResult(in.data(), std::malloc, GetParam()), std::free);
      ASSERT_NE(decoded, nullptr);
      const std::string decoding = qp_reference::Decode(text);
      ASSERT_EQ(std::string(decoded.get(), decoding.size() + 1), decoding + '\0') << n << "/" << at;
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryAvailablePath, QpCodecIsas, ::testing::ValuesIn(AvailableIsas()),
                         [](const ::testing::TestParamInfo<Isa>& info) {
                           return std::string(qp::IsaName(info.param));
                         });

TEST(QpCodecPathChoice, TheChosenPathIsAvailableAndPortableAlwaysIs) {
  EXPECT_TRUE(qp::IsaAvailable(Isa::kPortable));
  EXPECT_TRUE(qp::IsaAvailable(qp::ChosenIsa()));
#if defined(__x86_64__)
  // Every instruction set this processor runs is compiled in and taken, so that these
  // tests cover it: a build that lost one fails here.
  const vo_tools::qp::CpuFeatures cpu = vo_tools::qp::DetectCpuFeatures();
  const bool avx2 = cpu.avx2 && cpu.popcnt && cpu.bmi;
  EXPECT_EQ(qp::IsaAvailable(Isa::kAvx2), avx2);
  const bool avx512 =
      avx2 && cpu.avx512f && cpu.avx512bw && cpu.avx512vbmi && cpu.avx512vbmi2 && cpu.bmi2;
  EXPECT_EQ(qp::IsaAvailable(Isa::kAvx512), avx512);
  EXPECT_EQ(qp::ChosenIsa(), avx512 ? Isa::kAvx512 : avx2 ? Isa::kAvx2 : Isa::kPortable);
#endif
}

// ---- Result blocks ----

std::vector<std::size_t> g_requested;

void* RecordingAllocate(std::size_t size) {
  g_requested.push_back(size);
  return std::malloc(size);
}

void* FailingAllocate(std::size_t size) {
  g_requested.push_back(size);
  return nullptr;
}

TEST(QpResult, IsAllocatedOnceAtExactlyTheResultLengthPlusOne) {
  g_requested.clear();
  char* encoded = qp::EncodeToResult("caf\xE9=", RecordingAllocate);
  ASSERT_NE(encoded, nullptr);
  EXPECT_STREQ(encoded, "caf=E9=3D");
  char* decoded = qp::DecodeToResult("a=00b", RecordingAllocate);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(std::memcmp(decoded, "a\0b\0", 4), 0);
  char* empty = qp::DecodeToResult("", RecordingAllocate);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], '\0');
  EXPECT_EQ(g_requested, (std::vector<std::size_t>{10, 4, 1}));
  std::free(encoded);
  std::free(decoded);
  std::free(empty);
}

TEST(QpResult, AllocationFailureYieldsNull) {
  g_requested.clear();
  EXPECT_EQ(qp::EncodeToResult("caf\xE9", FailingAllocate), nullptr);
  EXPECT_EQ(qp::DecodeToResult("caf=E9", FailingAllocate), nullptr);
  EXPECT_EQ(qp::EncodeToResult("", FailingAllocate), nullptr);
  EXPECT_EQ(g_requested, (std::vector<std::size_t>{7, 5, 1}));  // asked once each, no retry
}

// A long text that starts plain gets a block for its plain copy first;
// when an escape turns up later, the exact block replaces it. A failure of
// either allocation yields null and leaves nothing allocated (the leak
// checker of the sanitizer build would see it).
std::size_t g_allocations_left;

void* AllocateWhileAllowed(std::size_t size) {
  g_requested.push_back(size);
  if (g_allocations_left == 0) return nullptr;
  --g_allocations_left;
  return std::malloc(size);
}

TEST(QpResult, LongTextStartingPlainSurvivesEitherAllocationFailing) {
  std::string text(20000, 'a');
  text[12000] = '=';
  for (std::size_t allowed : {0, 1, 2}) {
    g_requested.clear();
    g_allocations_left = allowed;
    Result encoded(qp::EncodeToResult(text.c_str(), AllocateWhileAllowed), std::free);
    if (allowed == 2) {
      ASSERT_NE(encoded, nullptr);
      EXPECT_EQ(encoded.get(), qp_reference::Encode(text));
      EXPECT_EQ(g_requested, (std::vector<std::size_t>{20001, 20003}));
    } else {
      EXPECT_EQ(encoded, nullptr);
      EXPECT_EQ(g_requested.size(), allowed + 1);  // no retry
    }
  }
  text[12000] = 'a';
  g_requested.clear();
  g_allocations_left = 1;
  Result plain(qp::EncodeToResult(text.c_str(), AllocateWhileAllowed), std::free);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain.get(), text);
  EXPECT_EQ(g_requested, (std::vector<std::size_t>{20001}));
}

// A long text is decoded into a block of its own length, then shrunk to
// the decoding's: one request, of the text's length + 1, and a failure of
// it yields null.
TEST(QpResult, LongDecodingIsAskedForOnceAtTheTextsLength) {
  std::string encoded;
  for (int i = 0; i < 1000; ++i) encoded += i % 3 == 0 ? "=E9" : "=3d";
  g_requested.clear();
  Result decoded(qp::DecodeToResult(encoded.c_str(), RecordingAllocate), std::free);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(std::string(decoded.get()), qp_reference::Decode(encoded));
  EXPECT_EQ(g_requested, (std::vector<std::size_t>{3001}));
  g_requested.clear();
  EXPECT_EQ(qp::DecodeToResult(encoded.c_str(), FailingAllocate), nullptr);
  EXPECT_EQ(g_requested, (std::vector<std::size_t>{3001}));
}

// A result block needs its length + 1: for an encoding too long for that
// (see EncodedLengthFor) no block is asked for.
TEST(QpResult, NoResultIsAskedForWhenItsSizeWouldNotFitInASizeT) {
  g_requested.clear();
  EXPECT_EQ(qp::AllocateResult(qp::kLengthOverflow, RecordingAllocate), nullptr);
  EXPECT_TRUE(g_requested.empty());
  EXPECT_EQ(qp::AllocateResult(SIZE_MAX - 1, FailingAllocate), nullptr);
  EXPECT_EQ(g_requested, (std::vector<std::size_t>{SIZE_MAX}));
}

TEST(QpResult, NullInputAllocatesNothing) {
  g_requested.clear();
  EXPECT_EQ(qp::EncodeToResult(nullptr, RecordingAllocate), nullptr);
  EXPECT_EQ(qp::DecodeToResult(nullptr, RecordingAllocate), nullptr);
  EXPECT_TRUE(g_requested.empty());
}

// On a 32-bit target an input of about 1.4 GB has an encoding longer than a
// size_t holds: the length says so instead of wrapping to a small block.
TEST(QpCodecLength, EncodingTooLongForASizeIsReportedNotWrapped) {
  using qp::EncodedLengthFor;
  using qp::kLengthOverflow;
  constexpr std::size_t kMax = static_cast<std::size_t>(-1);
  EXPECT_EQ(EncodedLengthFor(10, 3), 16u);
  EXPECT_EQ(EncodedLengthFor(kMax / 3 - 1, kMax / 3 - 1), kMax - 3);
  EXPECT_EQ(EncodedLengthFor(kMax / 3 + 1, kMax / 3 + 1), kLengthOverflow);
  EXPECT_EQ(EncodedLengthFor(1, kMax / 2 + 1), kLengthOverflow);  // 2 * escapes alone wraps
  // Its result block's terminating zero would not fit either.
  EXPECT_EQ(EncodedLengthFor(kMax - 2, 1), kLengthOverflow);
  EXPECT_EQ(EncodedLengthFor(kMax - 3, 1), kMax - 1);
}

}  // namespace
