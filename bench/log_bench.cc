// Lines per second through Vo_PrintOut for a short message, to the main log
// only and to the main and brief logs, on 1 and 4 threads; beside them, in
// the same run and on the same file system:
//   BareWrite       one append of the same line to a file opened for
//                   appending (the platform layer's AppendFile, a single
//                   write call): the floor for a line that survives a crash,
//                   and the baseline of VoPrintOutMainOnly (goal: within
//                   1.2 times its time per line);
//   BareWriteTwice  the same line appended to two such files, one write
//                   each: the baseline of VoPrintOutMainAndBrief (goal:
//                   within 1.25 times);
//   FormattedWrite  the line made by snprintf from the same format and
//                   stamp, then one such write: what any printf-style logger
//                   that keeps its lines pays at least;
//   Spdlog          spdlog's basic_file_sink_mt with the same stamp, flushed
//                   after every line.
// Every file goes to a fresh directory under the temporary directory,
// removed at the end.
#include <benchmark/benchmark.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include <vo_tools/log.h>

#include "platform/append_file.h"
#include "platform/env.h"
#include "platform/local_time.h"

namespace {

std::filesystem::path g_dir;
std::unique_ptr<vo_tools::platform::AppendFile> g_bare_file;
std::unique_ptr<vo_tools::platform::AppendFile> g_second_bare_file;
std::unique_ptr<vo_tools::platform::AppendFile> g_third_bare_file;
std::shared_ptr<spdlog::logger> g_spdlog;
std::string g_bare_line;

// The line Vo_PrintOut makes for the benchmark's message on this thread now.
std::string LineAsLogged() {
  char stamp[128] = {};
  std::tm local;
  if (vo_tools::platform::LocalTime(std::time(nullptr), &local)) {
    std::strftime(stamp, sizeof stamp, "%B %d %H:%M:%S", &local);
  }
  char line[256];
  std::snprintf(line, sizeof line, "pid=%lx tid=%lx > %s > short message 42\n",
                vo_tools::platform::CurrentProcessId(), vo_tools::platform::CurrentThreadId(),
                stamp);
  return line;
}

void VoPrintOutMainOnly(benchmark::State& state) {
  for (auto _ : state) Vo_PrintOut(VO_LOG_INFO, false, "bench", 0, "short message %d", 42);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(VoPrintOutMainOnly)->Threads(1)->Threads(4)->UseRealTime();

void VoPrintOutMainAndBrief(benchmark::State& state) {
  for (auto _ : state) Vo_PrintOut(VO_LOG_INFO, true, "bench", 0, "short message %d", 42);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(VoPrintOutMainAndBrief)->Threads(1)->Threads(4)->UseRealTime();

void BareWrite(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(g_bare_file->Append(g_bare_line.data(), g_bare_line.size()));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BareWrite)->Threads(1)->Threads(4)->UseRealTime();

void BareWriteTwice(benchmark::State& state) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(g_bare_file->Append(g_bare_line.data(), g_bare_line.size()));
    benchmark::DoNotOptimize(g_second_bare_file->Append(g_bare_line.data(), g_bare_line.size()));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BareWriteTwice)->Threads(1)->Threads(4)->UseRealTime();

void FormattedWrite(benchmark::State& state) {
  const std::string stamp = g_bare_line.substr(0, g_bare_line.find(" > short"));
  for (auto _ : state) {
    char message[512];
    char line[1024];
    std::snprintf(message, sizeof message, "short message %d", 42);
    const int size = std::snprintf(line, sizeof line, "%s > %s\n", stamp.c_str(), message);
    benchmark::DoNotOptimize(g_third_bare_file->Append(line, static_cast<std::size_t>(size)));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(FormattedWrite)->Threads(1)->Threads(4)->UseRealTime();

void Spdlog(benchmark::State& state) {
  for (auto _ : state) g_spdlog->info("short message {}", 42);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Spdlog)->Threads(1)->Threads(4)->UseRealTime();

void SetUp() {
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  g_dir = std::filesystem::temp_directory_path() / ("vo_tools_log_bench_" + std::to_string(stamp));
  std::filesystem::create_directories(g_dir);
  Vo_PrintOut_Init("SysmetLog.txt", "SysmetLogBrief.txt", g_dir.string().c_str(), "", VO_LOG_INFO);
  g_bare_line = LineAsLogged();
  g_bare_file = vo_tools::platform::AppendFile::Open((g_dir / "bare.txt").string());
  g_second_bare_file = vo_tools::platform::AppendFile::Open((g_dir / "bare2.txt").string());
  g_third_bare_file = vo_tools::platform::AppendFile::Open((g_dir / "bare3.txt").string());
  if (g_bare_file == nullptr || g_second_bare_file == nullptr || g_third_bare_file == nullptr) {
    std::abort();
  }
  g_spdlog = spdlog::basic_logger_mt("bench", (g_dir / "spdlog.txt").string());
  g_spdlog->set_pattern("pid=%P tid=%t > %B %d %H:%M:%S > %v");
  g_spdlog->flush_on(spdlog::level::trace);
}

void TearDown() {
  g_spdlog.reset();
  spdlog::shutdown();
  g_bare_file.reset();
  g_second_bare_file.reset();
  g_third_bare_file.reset();
  std::error_code ignored;
  std::filesystem::remove_all(g_dir, ignored);
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SetUp();
  benchmark::RunSpecifiedBenchmarks();
  TearDown();
  benchmark::Shutdown();
  return 0;
}
