// Lines per second through Vo_PrintOut for a short message, to the main log
// only and to the main and brief logs, on 1 and 4 threads; beside them, in
// the same run and on the same file system:
//   BareWrite  one write() of a line of the same length to a file opened for
//              appending: the floor for a line that survives a crash;
//   Spdlog     spdlog's basic_file_sink_mt with the same stamp, flushed after
//              every line.
// Every file goes to a fresh directory under $TMPDIR (else /tmp), removed at
// the end.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include <vo_tools/log.h>

namespace {

std::filesystem::path g_dir;
int g_bare_fd = -1;
std::shared_ptr<spdlog::logger> g_spdlog;

// A line as Vo_PrintOut makes it for the benchmark's message.
const std::string kBareLine = "pid=1a2b tid=1a2c > December 08 18:00:00 > short message 42\n";

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
    benchmark::DoNotOptimize(write(g_bare_fd, kBareLine.data(), kBareLine.size()));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BareWrite)->Threads(1)->Threads(4)->UseRealTime();

void Spdlog(benchmark::State& state) {
  for (auto _ : state) g_spdlog->info("short message {}", 42);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(Spdlog)->Threads(1)->Threads(4)->UseRealTime();

void SetUp() {
  const char* tmpdir = std::getenv("TMPDIR");
  g_dir = std::filesystem::path(tmpdir != nullptr && *tmpdir != '\0' ? tmpdir : "/tmp") /
          ("vo_tools_log_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(g_dir);
  Vo_PrintOut_Init("SysmetLog.txt", "SysmetLogBrief.txt", g_dir.c_str(), "", VO_LOG_INFO);
  g_bare_fd = open((g_dir / "bare.txt").c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  g_spdlog = spdlog::basic_logger_mt("bench", (g_dir / "spdlog.txt").string());
  g_spdlog->set_pattern("pid=%P tid=%t > %B %d %H:%M:%S > %v");
  g_spdlog->flush_on(spdlog::level::trace);
}

void TearDown() {
  g_spdlog.reset();
  spdlog::shutdown();
  close(g_bare_fd);
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
