// The library as a host's plug-in meets it: loaded and unloaded over and
// over, and a process that exits while the plug-in's threads and timers are
// still at work. The program does not link the library: only the plug-in
// does, so unloading the plug-in unloads the library.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "child_process.h"
#include "scratch_dir.h"
#include "test_env.h"
#include "vo_tools_host/timer_service.h"

namespace vo_tools_test {
namespace {

using RunPlugin = int (*)(const char*, int, void*, ext_in_config*, unsigned long);
using LogForever = void (*)(int);

template <typename Function>
Function Find(void* plugin, const char* name) {
  return reinterpret_cast<Function>(ModuleFunction(plugin, name));
}

TEST(Lifecycle, EveryUnloadTakesTheLibraryAndAllItOpenedAndStopsItsTimers) {
  ScratchDir dir;
  vo_host::TimerService host;
  ext_in_config config{};
  host.FillConfig(&config);
  constexpr int kCycles = 300;
  const int descriptors = OpenDescriptorCount();
  for (int cycle = 0; cycle < kCycles; ++cycle) {
    void* plugin = LoadModule(VO_TOOLS_LIFECYCLE_PLUGIN);
    ASSERT_NE(plugin, nullptr) << VO_TOOLS_LIFECYCLE_PLUGIN;
    // A minute: no tick comes while the plug-in is loaded.
    EXPECT_EQ(Find<RunPlugin>(plugin, "Lifecycle_Run")(dir.path().c_str(), cycle % 2,
                                                       host.host_context(), &config, 60000),
              1);
    UnloadModule(plugin);
    ASSERT_FALSE(ModuleIsLoaded(VO_TOOLS_LIBRARY_FILE)) << "still mapped after cycle " << cycle;
    ASSERT_EQ(host.active_timers(), 0u) << "timers left armed by cycle " << cycle;
  }
  EXPECT_LE(OpenDescriptorCount(), descriptors + 2);
  EXPECT_EQ(DescriptorsOnRemovedFiles(), 0);
  int separators = 0;
  for (const std::string& line : ReadLines(dir / "brief.txt")) separators += line[0] == '-';
  EXPECT_EQ(separators, kCycles) << "each load sets logging up afresh";
}

TEST(Lifecycle, ProcessExitsWhileThreadsLogAndTimersTick) {
  ScratchDir dir;
  EXPECT_IN_CHILD([&dir] {
    void* plugin = LoadModule(VO_TOOLS_LIFECYCLE_PLUGIN);
    ASSERT_NE(plugin, nullptr);
    // Never destroyed: it ticks on through the library's teardown.
    alignas(vo_host::TimerService) static unsigned char storage[sizeof(vo_host::TimerService)];
    auto* host = new (storage) vo_host::TimerService;
    ext_in_config config{};
    host->FillConfig(&config);
    ASSERT_EQ(Find<RunPlugin>(plugin, "Lifecycle_Run")(dir.path().c_str(), 1, host->host_context(),
                                                       &config, 1),
              1);
    Find<LogForever>(plugin, "Lifecycle_LogForever")(4);
    std::exit(0);
  });
}

}  // namespace
}  // namespace vo_tools_test
