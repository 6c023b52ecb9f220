// The exported codec, black-box: the worked examples, the end-of-input
// rule, the encoded-text invariants and round trips.
#include "vo_tools/quoted_printable.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "guarded_buffer.h"
#include "qp_reference.h"
#include "qp_test_inputs.h"

namespace {

// Owns a result block and frees it through the library.
struct Result {
  explicit Result(const char* block) : block(block) {}
  ~Result() { QuotablePrinted_FreeString(block); }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;
  const char* block;
};

// The text in a heap block of exactly its length + 1, so that a read past
// the terminator is caught by AddressSanitizer even within a page.
std::unique_ptr<char[]> ExactCopy(const std::string& text) {
  auto copy = std::make_unique<char[]>(text.size() + 1);
  std::memcpy(copy.get(), text.c_str(), text.size() + 1);
  return copy;
}

// Checks the whole block (`expected` and then the terminator); the block
// must be at least that long or the sanitizer reports the read.
::testing::AssertionResult BlockHolds(const char* block, const std::string& expected) {
  if (block == nullptr) return ::testing::AssertionFailure() << "null result";
  if (std::memcmp(block, expected.c_str(), expected.size() + 1) != 0) {
    return ::testing::AssertionFailure()
           << "block holds \"" << std::string(block, expected.size()) << "\"";
  }
  return ::testing::AssertionSuccess();
}

::testing::AssertionResult EncodesTo(const std::string& text, const std::string& expected) {
  auto input = ExactCopy(text);
  Result result(QuotablePrinted_Encode(input.get()));
  return BlockHolds(result.block, expected);
}

::testing::AssertionResult DecodesTo(const std::string& text, const std::string& expected) {
  auto input = ExactCopy(text);
  Result result(QuotablePrinted_Decode(input.get()));
  return BlockHolds(result.block, expected);
}

std::string Zero() {
  return std::string(1, '\0');
}

TEST(QuotedPrintable, EncodesTheWorkedExamples) {
  EXPECT_TRUE(EncodesTo("a=b", "a=3Db"));
  EXPECT_TRUE(EncodesTo("caf\xE9", "caf=E9"));
  EXPECT_TRUE(EncodesTo("\x80\xFF", "=80=FF"));
  EXPECT_TRUE(EncodesTo("1 + 1\r\n", "1 + 1\r\n"));
}

TEST(QuotedPrintable, DecodesTheWorkedExamples) {
  EXPECT_TRUE(DecodesTo("caf=e9", "caf\xE9"));
  EXPECT_TRUE(DecodesTo("=E9=e9", "\xE9\xE9"));
  EXPECT_TRUE(DecodesTo("=3D=3d", "=="));
  EXPECT_TRUE(DecodesTo("x=4G", "x\x40"));
  EXPECT_TRUE(DecodesTo("=G1", "\x01"));
  EXPECT_TRUE(DecodesTo("a=zzb", "a" + Zero() + "b"));
  EXPECT_TRUE(DecodesTo("==41",
                        "\x04"
                        "1"));
  EXPECT_TRUE(DecodesTo("ab=4", "ab\x40"));
  EXPECT_TRUE(DecodesTo("ab=", "ab" + Zero()));
}

TEST(QuotedPrintable, BoundaryBytesEncodeAsTheyShould) {
  EXPECT_TRUE(EncodesTo("=", "=3D"));
  EXPECT_TRUE(EncodesTo("\x7F", "\x7F"));
  EXPECT_TRUE(EncodesTo("\x80", "=80"));
  EXPECT_TRUE(EncodesTo("\xFF", "=FF"));
  EXPECT_TRUE(EncodesTo("\x01\t \x1F<>~", "\x01\t \x1F<>~"));  // controls pass
  // A long line stays one line: no soft breaks.
  const std::string line(5000, 'L');
  EXPECT_TRUE(EncodesTo(line, line));
}

TEST(QuotedPrintable, EmptyInputYieldsABlockHoldingOnlyTheTerminator) {
  Result encoded(QuotablePrinted_Encode(""));
  Result decoded(QuotablePrinted_Decode(""));
  EXPECT_TRUE(BlockHolds(encoded.block, ""));
  EXPECT_TRUE(BlockHolds(decoded.block, ""));
}

TEST(QuotedPrintable, NullInputYieldsNullAndNullIsFreedAsNothing) {
  EXPECT_EQ(QuotablePrinted_Encode(nullptr), nullptr);
  EXPECT_EQ(QuotablePrinted_Decode(nullptr), nullptr);
  QuotablePrinted_FreeString(nullptr);
}

TEST(QuotedPrintable, EscapeCutShortByTheEndReadsNothingPastIt) {
  EXPECT_TRUE(DecodesTo("=", Zero()));
  EXPECT_TRUE(DecodesTo("=F", "\xF0"));
  EXPECT_TRUE(DecodesTo("=f", "\xF0"));
  EXPECT_TRUE(DecodesTo("=G", Zero()));
  // At the end of texts long enough to leave the vector loops first.
  for (std::size_t run = 1; run <= 130; ++run) {
    const std::string plain(run, 'q');
    ASSERT_TRUE(DecodesTo(plain + "=", plain + Zero())) << run;
    ASSERT_TRUE(DecodesTo(plain + "=7", plain + "\x70")) << run;
  }
}

// The terminating zero is the last byte before an inaccessible page: a read
// past it faults, with or without sanitizers.
TEST(QuotedPrintable, ReadsNothingPastTheTerminatorAtAPageBoundary) {
  std::mt19937 rng(41);
  for (qp_test::Kind kind : qp_test::AllKinds()) {
    for (std::size_t n = 0; n <= 300; ++n) {
      const std::string text = qp_test::RandomText(kind, n, rng);
      vo_tools_test::GuardedBuffer input(n + 1);
      std::memcpy(input.data(), text.c_str(), n + 1);
      Result encoded(QuotablePrinted_Encode(input.data()));
      ASSERT_TRUE(BlockHolds(encoded.block, qp_reference::Encode(text))) << int(kind) << "/" << n;
      Result decoded(QuotablePrinted_Decode(input.data()));
      ASSERT_TRUE(BlockHolds(decoded.block, qp_reference::Decode(text))) << int(kind) << "/" << n;
    }
  }
}

TEST(QuotedPrintable, DecodedZeroBytesAndWhatFollowsThemAreInTheBlock) {
  EXPECT_TRUE(DecodesTo("a=00b=00", "a" + Zero() + "b" + Zero()));
  EXPECT_TRUE(DecodesTo("=XY=41", Zero() + "A"));
}

TEST(QuotedPrintable, EncodingADecodedTextNeedNotGiveItBack) {
  Result decoded(QuotablePrinted_Decode("=41=e9"));
  ASSERT_TRUE(BlockHolds(decoded.block, "A\xE9"));
  Result encoded(QuotablePrinted_Encode(decoded.block));
  EXPECT_TRUE(BlockHolds(encoded.block, "A=E9"));
}

// Encoded text holds no high byte, and each "=" starts "=" and two
// upper-case digits, whatever the input.
TEST(QuotedPrintable, EncodedTextKeepsItsInvariants) {
  std::mt19937 rng(3);
  for (qp_test::Kind kind : qp_test::AllKinds()) {
    for (std::size_t n : {0, 1, 15, 16, 17, 31, 32, 33, 64, 100, 1000, 4099}) {
      const std::string text = qp_test::RandomText(kind, n, rng);
      Result encoded(QuotablePrinted_Encode(text.c_str()));
      ASSERT_NE(encoded.block, nullptr);
      const std::string out(encoded.block);
      std::size_t escapes = 0;
      for (std::size_t i = 0; i < out.size(); ++i) {
        ASSERT_LT(static_cast<unsigned char>(out[i]), 0x80) << "at " << i;
        if (out[i] != '=') continue;
        ASSERT_LT(i + 2, out.size());
        ASSERT_NE(std::strchr("0123456789ABCDEF", out[i + 1]), nullptr) << "at " << i;
        ASSERT_NE(std::strchr("0123456789ABCDEF", out[i + 2]), nullptr) << "at " << i;
        ++escapes;
        i += 2;
      }
      std::size_t needing = 0;
      for (char c : text) needing += static_cast<unsigned char>(c) >= 0x80 || c == '=';
      EXPECT_EQ(escapes, needing);
      EXPECT_EQ(out.size(), n + 2 * needing);
    }
  }
}

TEST(QuotedPrintable, EveryLengthUpToSixtyFourMatchesTheReferenceBothWays) {
  std::mt19937 rng(17);
  for (qp_test::Kind kind : qp_test::AllKinds()) {
    for (std::size_t n = 0; n <= 64; ++n) {
      const std::string text = qp_test::RandomText(kind, n, rng);
      ASSERT_TRUE(EncodesTo(text, qp_reference::Encode(text))) << int(kind) << "/" << n;
      ASSERT_TRUE(DecodesTo(text, qp_reference::Decode(text))) << int(kind) << "/" << n;
    }
  }
}

TEST(QuotedPrintable, DecodingTheEncodingGivesTheInputBack) {
  std::mt19937 rng(23);
  std::uniform_int_distribution<std::size_t> length(0, 3000);
  for (int round = 0; round < 300; ++round) {
    const qp_test::Kind kind = qp_test::AllKinds()[round % qp_test::AllKinds().size()];
    const std::string text = qp_test::RandomText(kind, length(rng), rng);
    Result encoded(QuotablePrinted_Encode(text.c_str()));
    ASSERT_NE(encoded.block, nullptr);
    Result decoded(QuotablePrinted_Decode(encoded.block));
    ASSERT_TRUE(BlockHolds(decoded.block, text)) << "round " << round;
  }
}

// No shared state: threads converting at once (the first call of each also
// races on the one-time choice of instruction set) get the same results as alone.
TEST(QuotedPrintableConcurrency, ThreadsConvertAtOnce) {
  std::mt19937 rng(29);
  const std::string text = qp_test::RandomText(qp_test::Kind::kMixed, 10000, rng);
  const std::string expected = qp_reference::Encode(text);
  std::vector<int> ok(4, 0);
  std::vector<std::thread> threads;
  for (std::size_t t = 0; t < ok.size(); ++t) {
    threads.emplace_back([&, t] {
      bool all = true;
      for (int i = 0; i < 50; ++i) {
        const char* encoded = QuotablePrinted_Encode(text.c_str());
        const char* decoded = QuotablePrinted_Decode(encoded);
        all = all && expected == encoded && text == decoded;
        QuotablePrinted_FreeString(encoded);
        QuotablePrinted_FreeString(decoded);
      }
      ok[t] = all ? 1 : 0;
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(ok, std::vector<int>(ok.size(), 1));
}

}  // namespace
