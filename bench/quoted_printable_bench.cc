// The codec's throughput, in bytes of input per second, on 1 MiB inputs of
// three kinds: plain ASCII text, text with 5% bytes of 0x80 and above, and
// bytes of 0x80 and above only (decoding takes each kind's encoding).
// Baselines in the same run: strdup of the same input (length, allocation
// and copy: the floor for any function returning a new copy) and the classic
// byte-at-a-time algorithm with its working buffer and final copy.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>

#include <vo_tools/quoted_printable.h>

#include "qp_reference.h"

namespace {

constexpr std::size_t kInputSize = 1 << 20;

enum Kind { kPlainText, kFivePercentHigh, kAllHigh };

const char* KindName(int kind) {
  switch (kind) {
    case kPlainText:
      return "plain ASCII";
    case kFivePercentHigh:
      return "5% high bytes";
    default:
      return "all high bytes";
  }
}

// Words of letters between spaces, punctuation and line breaks; in the
// second kind one byte in twenty is replaced by a high byte.
std::string MakeInput(int kind) {
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> letter('a', 'z');
  std::uniform_int_distribution<int> word_length(1, 10);
  std::uniform_int_distribution<int> high(0x80, 0xFF);
  std::uniform_int_distribution<int> percent(0, 99);
  std::string text;
  text.reserve(kInputSize);
  while (text.size() < kInputSize) {
    if (kind == kAllHigh) {
      text.push_back(static_cast<char>(high(rng)));
      continue;
    }
    for (int i = word_length(rng); i > 0 && text.size() < kInputSize; --i) {
      text.push_back(static_cast<char>(letter(rng)));
    }
    if (text.size() < kInputSize)
      text.push_back(percent(rng) < 10 ? ".,\n"[percent(rng) % 3] : ' ');
  }
  if (kind == kFivePercentHigh) {
    for (char& c : text) {
      if (percent(rng) < 5) c = static_cast<char>(high(rng));
    }
  }
  return text;
}

const std::string& Input(int kind) {
  static const std::string inputs[] = {MakeInput(kPlainText), MakeInput(kFivePercentHigh),
                                       MakeInput(kAllHigh)};
  return inputs[kind];
}

const std::string& EncodedInput(int kind) {
  static const std::string encoded[] = {qp_reference::Encode(Input(kPlainText)),
                                        qp_reference::Encode(Input(kFivePercentHigh)),
                                        qp_reference::Encode(Input(kAllHigh))};
  return encoded[kind];
}

template <typename Convert>
void Measure(benchmark::State& state, const std::string& input, Convert convert) {
  const char* text = input.c_str();
  for (auto _ : state) {
    const char* result = convert(text);
    benchmark::DoNotOptimize(result);
    std::free(const_cast<char*>(result));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * input.size()));
  state.SetLabel(KindName(static_cast<int>(state.range(0))));
}

const char* Strdup(const char* text) {
  return strdup(text);
}

const char* ClassicEncode(const char* text) {
  return qp_reference::ToBlock(qp_reference::Encode(std::string_view(text)));
}

const char* ClassicDecode(const char* text) {
  return qp_reference::ToBlock(qp_reference::Decode(std::string_view(text)));
}

void BM_Encode(benchmark::State& state) {
  Measure(state, Input(state.range(0)), QuotablePrinted_Encode);
}
void BM_Encode_Strdup(benchmark::State& state) {
  Measure(state, Input(state.range(0)), Strdup);
}
void BM_Encode_ByteAtATime(benchmark::State& state) {
  Measure(state, Input(state.range(0)), ClassicEncode);
}

void BM_Decode(benchmark::State& state) {
  Measure(state, EncodedInput(state.range(0)), QuotablePrinted_Decode);
}
void BM_Decode_Strdup(benchmark::State& state) {
  Measure(state, EncodedInput(state.range(0)), Strdup);
}
void BM_Decode_ByteAtATime(benchmark::State& state) {
  Measure(state, EncodedInput(state.range(0)), ClassicDecode);
}

}  // namespace

BENCHMARK(BM_Encode)->DenseRange(kPlainText, kAllHigh);
BENCHMARK(BM_Encode_Strdup)->DenseRange(kPlainText, kAllHigh);
BENCHMARK(BM_Encode_ByteAtATime)->DenseRange(kPlainText, kAllHigh);
BENCHMARK(BM_Decode)->DenseRange(kPlainText, kAllHigh);
BENCHMARK(BM_Decode_Strdup)->DenseRange(kPlainText, kAllHigh);
BENCHMARK(BM_Decode_ByteAtATime)->DenseRange(kPlainText, kAllHigh);
