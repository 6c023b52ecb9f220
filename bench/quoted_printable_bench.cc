// The codec's speed on four shapes of text, in bytes of input per second:
//   ascii   pure ASCII prose
//   kv      key=value records: "=" and a line feed every ~25 bytes
//   prose   European prose in UTF-8, ~5% of the bytes 0x80 and above
//   high    bytes of 0x80 and above only
// Decoding takes each shape's encoding, cut to the same size. Each shape has eight different texts,
// taken in turn from one iteration to the next, so that no branch predictor
// learns one text; sizes are 1 MiB and the short strings 16, 64 and 256.
//
// Baselines in the same run: strdup of the same input (length, allocation
// and copy: the floor for any function that returns a new result) and the
// byte-at-a-time reference with its working buffer and final copy. Then the
// exported function, which takes the chosen instruction set, and each instruction set this
// processor runs, forced. Names read conversion/shape/size/variant. Run
// with --benchmark_repetitions=N to get each one's fastest repetition too.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <vo_tools/quoted_printable.h>

#include "qp_reference.h"
#include "text/qp_isa.h"

namespace {

namespace qp = vo_tools::qp;

constexpr int kTextsPerShape = 8;

enum class Shape { kAscii, kKeyValue, kProse, kHigh };
constexpr Shape kShapes[] = {Shape::kAscii, Shape::kKeyValue, Shape::kProse, Shape::kHigh};

const char* ShapeName(Shape shape) {
  switch (shape) {
    case Shape::kAscii:
      return "ascii";
    case Shape::kKeyValue:
      return "kv";
    case Shape::kProse:
      return "prose";
    case Shape::kHigh:
      return "high";
  }
  return "?";
}

std::string Word(std::mt19937& rng) {
  std::uniform_int_distribution<int> letter('a', 'z');
  std::uniform_int_distribution<int> length(1, 9);
  std::string word;
  for (int i = length(rng); i > 0; --i) word.push_back(static_cast<char>(letter(rng)));
  return word;
}

// Words between spaces, with punctuation and line breaks.
void AppendSentence(std::string* text, std::mt19937& rng) {
  std::uniform_int_distribution<int> words(4, 14);
  for (int i = words(rng); i > 0; --i) *text += Word(rng) + " ";
  text->back() = '.';
  *text += rng() % 4 == 0 ? "\n" : " ";
}

// Records such as "size=1024\n", ~25 bytes apart on average.
void AppendRecord(std::string* text, std::mt19937& rng) {
  std::uniform_int_distribution<int> number(0, 99999);
  *text += Word(rng) + "_" + Word(rng) + "=";
  *text += rng() % 2 == 0 ? std::to_string(number(rng)) : Word(rng) + Word(rng);
  *text += "\n";
}

// Accented letters of French, German, Spanish and Portuguese, two bytes
// each in UTF-8; one letter in 40 is one, so 5% of the bytes are high.
void AppendProse(std::string* text, std::mt19937& rng) {
  static const char* const kAccented[] = {"\u00e9", "\u00e8", "\u00ea", "\u00e0", "\u00e7",
                                          "\u00fc", "\u00f6", "\u00e4", "\u00df", "\u00f1",
                                          "\u00e1", "\u00f3", "\u00ed", "\u00e3", "\u00f5"};
  std::string sentence;
  AppendSentence(&sentence, rng);
  std::uniform_int_distribution<int> pick(0, 14);
  for (char c : sentence) {
    if (c >= 'a' && c <= 'z' && rng() % 38 == 0) {
      *text += kAccented[pick(rng)];
    } else {
      text->push_back(c);
    }
  }
}

// The `variant`-th text of `shape`, `size` bytes long; the same variant
// always gives the same text.
std::string TextOfShape(Shape shape, std::size_t size, unsigned variant) {
  std::mt19937 random(variant);
  std::string text;
  while (text.size() < size) {
    switch (shape) {
      case Shape::kAscii:
        AppendSentence(&text, random);
        break;
      case Shape::kKeyValue:
        AppendRecord(&text, random);
        break;
      case Shape::kProse:
        AppendProse(&text, random);
        break;
      case Shape::kHigh:
        text.push_back(static_cast<char>(0x80 + random() % 0x80));
        break;
    }
  }
  text.resize(size);
  // Cut in a UTF-8 sequence, the text would end in half a letter: harmless.
  return text;
}

// The inputs of one benchmark, kept for the whole run.
struct Inputs {
  std::vector<std::string> texts;
};

const Inputs& InputsFor(Shape shape, std::size_t size, bool encoded) {
  static std::vector<std::unique_ptr<Inputs>> all;
  auto inputs = std::make_unique<Inputs>();
  for (int i = 0; i < kTextsPerShape; ++i) {
    std::string text = TextOfShape(shape, size, 1000 * static_cast<unsigned>(shape) + i);
    if (encoded) {
      text = qp_reference::Encode(text);
      text.resize(size);  // an escape cut short at the end is valid input
    }
    inputs->texts.push_back(std::move(text));
  }
  all.push_back(std::move(inputs));
  return *all.back();
}

using ConvertOnIsa = char* (*)(const char*, qp::AllocateFunction, qp::Isa);

template <typename Call>
void Run(benchmark::State& state, const Inputs& inputs, Call call) {
  std::size_t next = 0;
  std::size_t bytes = 0;
  for (auto _ : state) {
    const std::string& text = inputs.texts[next];
    next = (next + 1) % inputs.texts.size();
    bytes += text.size();
    const char* result = call(text.c_str());
    benchmark::DoNotOptimize(result);
    std::free(const_cast<char*>(result));
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}

const char* Strdup(const char* text) {
  return strdup(text);
}

const char* ReferenceEncode(const char* text) {
  return qp_reference::ToResult(qp_reference::Encode(std::string_view(text)));
}

const char* ReferenceDecode(const char* text) {
  return qp_reference::ToResult(qp_reference::Decode(std::string_view(text)));
}

void* Malloc(std::size_t size) {
  return std::malloc(size);
}

// With --benchmark_repetitions, the fastest repetition: on a machine shared
// with other work, the one least disturbed by it.
double Fastest(const std::vector<double>& values) {
  return *std::min_element(values.begin(), values.end());
}

std::string SizeName(std::size_t size) {
  return size >= (1 << 20) ? std::to_string(size >> 20) + "MiB" : std::to_string(size);
}

void RegisterConversion(bool encode, Shape shape, std::size_t size) {
  const Inputs& inputs = InputsFor(shape, size, !encode);
  const std::string prefix =
      std::string(encode ? "encode/" : "decode/") + ShapeName(shape) + "/" + SizeName(size) + "/";
  auto add = [&](const std::string& variant, auto call) {
    benchmark::RegisterBenchmark((prefix + variant).c_str(), [&inputs,
                                                              call](benchmark::State& state) {
      Run(state, inputs, call);
    })->ComputeStatistics("min", Fastest);
  };
  add("strdup", Strdup);
  add("reference", encode ? ReferenceEncode : ReferenceDecode);
  add("exported", encode ? QuotablePrinted_Encode : QuotablePrinted_Decode);
  const ConvertOnIsa convert =
      encode ? ConvertOnIsa{qp::EncodeToResult} : ConvertOnIsa{qp::DecodeToResult};
  for (qp::Isa isa : qp::kAllIsas) {
    if (!qp::IsaAvailable(isa)) continue;
    add(qp::IsaName(isa),
        [convert, isa](const char* text) -> const char* { return convert(text, Malloc, isa); });
  }
}

}  // namespace

int main(int argc, char** argv) {
  for (std::size_t size :
       {std::size_t{1} << 20, std::size_t{16}, std::size_t{64}, std::size_t{256}}) {
    for (Shape shape : kShapes) {
      RegisterConversion(true, shape, size);
      RegisterConversion(false, shape, size);
    }
  }
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
