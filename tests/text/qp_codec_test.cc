// White-box tests of the codec's core on every path this machine can run,
// and of the result blocks' allocation.
#include "qp_codec.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "qp_reference.h"
#include "qp_test_inputs.h"
#include "quoted_printable_blocks.h"

namespace {

using vo_tools::qp::Path;

const char* PathName(Path path) {
  switch (path) {
    case Path::kPortable:
      return "portable";
    case Path::kSse2:
      return "sse2";
    case Path::kAvx2:
      return "avx2";
  }
  return "?";
}

std::vector<Path> AvailablePaths() {
  std::vector<Path> paths;
  for (Path path : {Path::kPortable, Path::kSse2, Path::kAvx2}) {
    if (vo_tools::qp::PathAvailable(path)) paths.push_back(path);
  }
  return paths;
}

// The input in a heap block of exactly its size and the output in one of
// exactly the reported length, so that AddressSanitizer sees a read or a
// write one byte outside either.
std::string EncodeExact(const std::string& text, Path path) {
  auto in = std::make_unique<char[]>(text.size());
  std::memcpy(in.get(), text.data(), text.size());
  const std::size_t length = vo_tools::qp::EncodedLength(in.get(), text.size(), path);
  auto out = std::make_unique<char[]>(length);
  EXPECT_EQ(vo_tools::qp::Encode(in.get(), text.size(), out.get(), path), length);
  return std::string(out.get(), length);
}

std::string DecodeExact(const std::string& text, Path path) {
  auto in = std::make_unique<char[]>(text.size());
  std::memcpy(in.get(), text.data(), text.size());
  const std::size_t length = vo_tools::qp::DecodedLength(in.get(), text.size(), path);
  auto out = std::make_unique<char[]>(length);
  EXPECT_EQ(vo_tools::qp::Decode(in.get(), text.size(), out.get(), path), length);
  return std::string(out.get(), length);
}

class QpCodecPaths : public ::testing::TestWithParam<Path> {};

// Every length up to a few vector widths past the widest margin, so that
// each loop is left at each possible offset into its tail.
TEST_P(QpCodecPaths, AgreesWithTheReferenceAtEveryShortLength) {
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

TEST_P(QpCodecPaths, AgreesWithTheReferenceOnLongTexts) {
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
TEST_P(QpCodecPaths, EscapeCutShortByTheEndTakesZeroForTheMissingDigits) {
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
TEST_P(QpCodecPaths, ZeroBytesPassThroughTheCore) {
  const std::string text("a\0b\0\xE9=\0", 7);
  EXPECT_EQ(EncodeExact(text, GetParam()), std::string("a\0b\0=E9=3D\0", 11));
  std::string long_text(100, 'x');
  long_text += std::string("=00", 3) + std::string(100, 'y');
  EXPECT_EQ(DecodeExact(long_text, GetParam()),
            std::string(100, 'x') + std::string(1, '\0') + std::string(100, 'y'));
}

INSTANTIATE_TEST_SUITE_P(EveryAvailablePath, QpCodecPaths, ::testing::ValuesIn(AvailablePaths()),
                         [](const ::testing::TestParamInfo<Path>& info) {
                           return std::string(PathName(info.param));
                         });

TEST(QpCodecPathChoice, TheFastestPathIsAvailableAndPortableAlwaysIs) {
  EXPECT_TRUE(vo_tools::qp::PathAvailable(Path::kPortable));
  EXPECT_TRUE(vo_tools::qp::PathAvailable(vo_tools::qp::FastestPath()));
#if defined(__x86_64__)
  EXPECT_TRUE(vo_tools::qp::PathAvailable(Path::kSse2));  // the x86-64 baseline
  EXPECT_EQ(vo_tools::qp::PathAvailable(Path::kAvx2), __builtin_cpu_supports("avx2") != 0);
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

TEST(QpResultBlock, IsAllocatedOnceAtExactlyTheResultLengthPlusOne) {
  g_requested.clear();
  char* encoded = vo_tools::qp::EncodeToBlock("caf\xE9=", RecordingAllocate);
  ASSERT_NE(encoded, nullptr);
  EXPECT_STREQ(encoded, "caf=E9=3D");
  char* decoded = vo_tools::qp::DecodeToBlock("a=00b", RecordingAllocate);
  ASSERT_NE(decoded, nullptr);
  EXPECT_EQ(std::memcmp(decoded, "a\0b\0", 4), 0);
  char* empty = vo_tools::qp::DecodeToBlock("", RecordingAllocate);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty[0], '\0');
  EXPECT_EQ(g_requested, (std::vector<std::size_t>{10, 4, 1}));
  std::free(encoded);
  std::free(decoded);
  std::free(empty);
}

TEST(QpResultBlock, AllocationFailureYieldsNull) {
  g_requested.clear();
  EXPECT_EQ(vo_tools::qp::EncodeToBlock("caf\xE9", FailingAllocate), nullptr);
  EXPECT_EQ(vo_tools::qp::DecodeToBlock("caf=E9", FailingAllocate), nullptr);
  EXPECT_EQ(vo_tools::qp::EncodeToBlock("", FailingAllocate), nullptr);
  EXPECT_EQ(g_requested, (std::vector<std::size_t>{7, 5, 1}));  // asked once each, no retry
}

TEST(QpResultBlock, NullInputAllocatesNothing) {
  g_requested.clear();
  EXPECT_EQ(vo_tools::qp::EncodeToBlock(nullptr, RecordingAllocate), nullptr);
  EXPECT_EQ(vo_tools::qp::DecodeToBlock(nullptr, RecordingAllocate), nullptr);
  EXPECT_TRUE(g_requested.empty());
}

// On a 32-bit target an input of about 1.4 GB has an encoding longer than a
// size_t holds: the length says so instead of wrapping to a small block.
TEST(QpCodecLength, EncodingTooLongForASizeIsReportedNotWrapped) {
  using vo_tools::qp::EncodedLengthFor;
  using vo_tools::qp::kLengthOverflow;
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
