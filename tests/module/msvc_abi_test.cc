// What only Microsoft's C++ ABI can get wrong between the DLL and a caller
// built with the vendor's compiler, in the build that uses it: the layout a
// caller's compiler derives from the headers (the sizes below at compile
// time; the DLL's exported vftables, slot by slot, against its exported
// functions), and objects and exceptions that cross the module boundary.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <new>

#include "plugin/plugin_failure.h"
#include "vo_tools/vo_tools.h"

namespace {

// The registry as the vendor's Release library lays out std::map: the head
// node's address, then the size.
static_assert(sizeof(std::map<KaWakable*, CPlexWakeUpRequest*>) == 2 * sizeof(void*),
              "m_aRequests is a head pointer and a size");
static_assert(sizeof(KaWakable) == sizeof(void*) && sizeof(KaWakeUpServer) == sizeof(void*) &&
                  sizeof(CKaBaseException) == sizeof(void*),
              "the interfaces hold their vftable pointer alone");
static_assert(sizeof(void*) != 4 || (offsetof(ext_in_config, start_timer) == 208 &&
                                     offsetof(ext_in_config, stop_timer) == 212),
              "the host's timer entries sit at bytes 208 and 212 on 32-bit x86");

// Decorated names differ by pointer size: the member functions' `this`
// (__thiscall on x86), pointers, and the pointer-wide request identifier.
#if defined(_WIN64)
#define VO_VIRTUAL "UEAA"
#define VO_POINTER "PEA"
#define VO_ID "_K"
#else
#define VO_VIRTUAL "UAE"
#define VO_POINTER "PA"
#define VO_ID "K"
#endif

const void* Export(const char* name) {
  const void* address =
      reinterpret_cast<const void*>(GetProcAddress(GetModuleHandleA("vo_tools2.dll"), name));
  EXPECT_NE(address, nullptr) << name;
  return address;
}

const void* const* Vftable(const char* name) {
  return static_cast<const void* const*>(Export(name));
}

constexpr const char* kDestructor = "(destructor)";
constexpr const char* kPure = "(pure)";

// Each slot of the exported vftable `table` holds, in order, the exported
// function named, the pure-call handler, or the scalar deleting destructor
// (no export of its own: a slot that is none of the others).
void ExpectSlots(const char* table, std::initializer_list<const char*> slots) {
  static const void* pure = Vftable("??_7KaWakeUpServer@@6B@")[0];
  const void* const* vftable = Vftable(table);
  int slot = 0;
  for (const char* expected : slots) {
    if (expected == kPure) {
      EXPECT_EQ(vftable[slot], pure) << table << " slot " << slot << " is not pure";
    } else if (expected == kDestructor) {
      EXPECT_NE(vftable[slot], pure) << table << " slot " << slot;
      for (int other = 0; other < static_cast<int>(slots.size()); ++other)
        if (other != slot) EXPECT_NE(vftable[slot], vftable[other]) << table << " slot " << slot;
    } else {
      EXPECT_EQ(vftable[slot], Export(expected)) << table << " slot " << slot << ": " << expected;
    }
    ++slot;
  }
}

TEST(MsvcAbi, ExportedVftablesHoldTheDocumentedSlots) {
  ExpectSlots("??_7KaWakable@@6B@",
              {"?OnImmediate@KaWakable@@" VO_VIRTUAL "X" VO_ID "@Z",
               "?OnPeriodicTimer@KaWakable@@" VO_VIRTUAL "X" VO_ID "@Z",
               "?OnSingleTimer@KaWakable@@" VO_VIRTUAL "X" VO_ID "@Z", kDestructor});
  ExpectSlots("??_7KaWakeUpServer@@6B@", {kPure, kPure, kPure, kPure, kDestructor});
  ExpectSlots(
      "??_7CPlexWakeUpServer@@6B@",
      {"?CancelRequest@CPlexWakeUpServer@@" VO_VIRTUAL "X" VO_ID "@Z",
       "?RequestImmediateWakeUp@CPlexWakeUpServer@@" VO_VIRTUAL VO_ID VO_POINTER "VKaWakable@@@Z",
       "?RequestPeriodicTimerWakeUp@CPlexWakeUpServer@@" VO_VIRTUAL VO_ID VO_POINTER
       "VKaWakable@@K@Z",
       "?RequestSingleTimerWakeUp@CPlexWakeUpServer@@" VO_VIRTUAL VO_ID VO_POINTER
       "VKaWakable@@K@Z",
       kDestructor});
  ExpectSlots("??_7CPlexWakeUpRequest@@6B@",
              {kDestructor, "?Set@CPlexWakeUpRequest@@" VO_VIRTUAL "HXZ", kPure});
  ExpectSlots("??_7CPlexPeriodicWakeupRequest@@6B@",
              {kDestructor, "?Set@CPlexPeriodicWakeupRequest@@" VO_VIRTUAL "HXZ",
               "?WakeUp@CPlexPeriodicWakeupRequest@@" VO_VIRTUAL "HXZ"});
  ExpectSlots("??_7CPlexOnceWakeupRequest@@6B@",
              {kDestructor, "?Set@CPlexOnceWakeupRequest@@" VO_VIRTUAL "HXZ",
               "?WakeUp@CPlexOnceWakeupRequest@@" VO_VIRTUAL "HXZ"});
  ExpectSlots("??_7CKaBaseException@@6B@", {kDestructor, kPure});
}

// A host whose every timer starts and stops.
std::uint32_t StartTimer(void*, ext_timer_callback, void*, unsigned long) {
  return 7;
}
int StopTimer(void*, std::uint32_t) {
  return 0;
}

// The caller's own inline std::map code, on the DLL's registry.
class RegistryReader : public CPlexWakeUpServer {
 public:
  static std::size_t EntriesFor(KaWakable* wakable) { return m_aRequests.count(wakable); }
};

class CallerFailure : public CKaBaseException {
 protected:
  char* GetMessageText() override { return text_; }

 private:
  char text_[15] = "caller failure";
};

class ThrowingTick : public KaWakable {
 public:
  void OnPeriodicTimer(KaRequestId) override { throw CallerFailure(); }
};

class MsvcAbiWakeUp : public ::testing::Test {
 protected:
  MsvcAbiWakeUp() {
    host_.start_timer = StartTimer;
    host_.stop_timer = StopTimer;
  }
  ext_in_config host_{};
  ThrowingTick wakable_;
};

TEST_F(MsvcAbiWakeUp, CallersMapCodeReadsTheRegistry) {
  CPlexWakeUpServer server(nullptr, &host_, 0);
  ASSERT_NE(server.RequestPeriodicTimerWakeUp(&wakable_, 10), 0u);
  EXPECT_EQ(RegistryReader::EntriesFor(&wakable_), 1u);
  server.CancelRequest(reinterpret_cast<KaRequestId>(&wakable_));
  EXPECT_EQ(RegistryReader::EntriesFor(&wakable_), 0u);
}

TEST_F(MsvcAbiWakeUp, CallersExceptionCrossesTheLibraryToBeCaughtByTheBase) {
  CPlexWakeUpServer server(nullptr, &host_, 0);
  ASSERT_NE(server.RequestPeriodicTimerWakeUp(&wakable_, 10), 0u);
  const char* text = nullptr;
  try {
    CPlexWakeUpServer::OnWakeup(&wakable_);
  } catch (CKaBaseException& caught) {
    text = *caught;
  }
  EXPECT_STREQ(text, "caller failure");
  server.CancelRequest(reinterpret_cast<KaRequestId>(&wakable_));
}

TEST_F(MsvcAbiWakeUp, ObjectMadeHereIsDeletedThroughTheLibrarysDestructor) {
  // The DLL's constructor installs the exported vftable; the caller's delete
  // calls its deleting destructor, which frees with the DLL's operator delete.
  KaWakeUpServer* server = new CPlexWakeUpServer(nullptr, &host_, 0);
  EXPECT_EQ(*reinterpret_cast<const void* const*>(server), Export("??_7CPlexWakeUpServer@@6B@"));
  delete server;
}

TEST(MsvcAbi, BadAllocRaisedInAnotherModuleIsCaughtHere) {
  EXPECT_THROW(AllocateInPlugin(SIZE_MAX - 4095), std::bad_alloc);
}

}  // namespace
