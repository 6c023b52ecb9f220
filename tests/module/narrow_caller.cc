// A caller built the way 32-bit Linux programs are built by default: without
// the large-file interfaces and with a 32-bit time_t, against a library that
// uses both. The public headers name no type whose size those choices change,
// so every service works for it as for any caller. Plain program, no
// GoogleTest (whose headers hold inline code on struct stat, which would
// differ between this file and the GoogleTest library):
//   narrow_caller PARENT_DIR
// Logs into a new folder under PARENT_DIR, removed at the end. Prints each
// check; exit status 0 when all held, 1 otherwise.
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iterator>
#include <string>

#include "vo_tools/vo_tools.h"

#if defined(__GLIBC__) && !defined(__LP64__)
static_assert(sizeof(off_t) == 4, "this caller must use the 32-bit file interfaces");
static_assert(sizeof(std::time_t) == 4, "this caller must use a 32-bit time_t");
#endif

namespace {

int failures = 0;

void Check(bool held, const char* what) {
  std::printf("%s  %s\n", held ? "ok    " : "FAILED", what);
  if (!held) ++failures;
}

// A host with one timer that fires only when asked.
struct Host {
  ext_timer_callback callback = nullptr;
  void* cookie = nullptr;
  int stops = 0;

  static std::uint32_t Start(void* context, ext_timer_callback callback, void* cookie,
                             unsigned long) {
    Host* host = static_cast<Host*>(context);
    host->callback = callback;
    host->cookie = cookie;
    return 1;
  }
  static int Stop(void* context, std::uint32_t) {
    ++static_cast<Host*>(context)->stops;
    return 0;
  }
};

struct Alarm : KaWakable {
  KaRequestId received = 0;
  void OnSingleTimer(KaRequestId id) override { received = id; }
};

void HandlesCodecAndNames() {
  int object = 0;
  GenericHandleMgr table;
  const unsigned long handle = table.AssignNewHandle(&object);
  Check(handle != 0 && table.GetHandleObject(handle) == &object, "a handle resolves");

  const char* encoded = QuotablePrinted_Encode("caf\xE9=");
  Check(encoded != nullptr && std::strcmp(encoded, "caf=E9=3D") == 0, "the codec encodes");
  QuotablePrinted_FreeString(encoded);

  char requests[64];
  char responses[64];
  VoProxy_CreateServiceNames("7", requests, responses);
  Check(std::strcmp(requests, "VoProxyReceiveRequests7") == 0, "the service names are made");
}

void WakeUp() {
  Host host;
  ext_in_config config{};
  config.start_timer = &Host::Start;
  config.stop_timer = &Host::Stop;
  CPlexWakeUpServer server(&host, &config, 0);
  Alarm alarm;
  const KaRequestId id = server.RequestSingleTimerWakeUp(&alarm, 10);
  Check(id != 0 && host.callback != nullptr, "a one-shot is armed");
  if (host.callback != nullptr) host.callback(host.cookie);
  Check(alarm.received == id && host.stops == 1, "the one-shot is delivered and ends");
}

std::string Contents(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void Logging(const std::string& directory) {
  Vo_PrintOut_Init("narrow.txt", "narrow_brief.txt", directory.c_str(), "narrow", VO_LOG_TRACE);
  Vo_PrintOut(VO_LOG_INFO, true, "narrow", 1, "from a narrow caller, %d", 42);
  const std::string brief = directory + "/narrow_brief.txt";
  Check(Contents(brief).find("> from a narrow caller, 42\n") != std::string::npos,
        "the brief log holds the line");
  Check(Contents(directory + "/narrow.txt").find("from a narrow caller, 42") != std::string::npos,
        "the main log holds the line");
  struct stat info;
  Check(stat(brief.c_str(), &info) == 0 && info.st_size > 0, "the caller's own stat reads it");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: narrow_caller PARENT_DIR\n");
    return 2;
  }
  std::string directory = std::string(argv[1]) + "/narrow.XXXXXX";
  if (mkdtemp(&directory[0]) == nullptr) {
    std::perror(directory.c_str());
    return 2;
  }
  HandlesCodecAndNames();
  WakeUp();
  Logging(directory);
  for (const char* name : {"/narrow.txt", "/narrow_brief.txt"}) {
    std::remove((directory + name).c_str());
  }
  rmdir(directory.c_str());
  std::printf("%s\n", failures == 0 ? "narrow caller: all checks held" : "narrow caller: FAILED");
  return failures == 0 ? 0 : 1;
}
