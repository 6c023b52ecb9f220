#include "vo_tools/handle_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <unordered_map>
#include <vector>

#include "failing_allocator.h"

namespace {

using vo_tools_test::Allocations;
using vo_tools_test::Refusal;
using vo_tools_test::ScopedAllocationFailure;

// Every array allocation from here on fails.
ScopedAllocationFailure NoMoreArrays() {
  return ScopedAllocationFailure(Allocations::kArray, 0, Refusal::kFromThenOn);
}

// The table's fields in their fixed order, read (and, for the counter,
// written) through the object's bytes: the layout is part of the exported
// class, the random test checks the slot invariant through it, and a counter
// near 2^32 takes too long to reach by assignments.
struct Layout {
  void* vtable;
  GenericHandleMgr::HandleEntry* array;
  GenericHandleMgr::HandleEntry* array_end;
  std::uint32_t array_size;
  std::uint32_t handles;
  std::uint32_t last_handle;
  std::uint32_t first_used;
  std::uint32_t enlarge_at;
  int can_enlarge;
};
static_assert(sizeof(Layout) == sizeof(GenericHandleMgr));

Layout Peek(const GenericHandleMgr& table) {
  Layout layout;
  std::memcpy(&layout, static_cast<const void*>(&table), sizeof layout);
  return layout;
}

void SetLastHandle(GenericHandleMgr* table, std::uint32_t value) {
  std::memcpy(reinterpret_cast<char*>(table) + offsetof(Layout, last_handle), &value, sizeof value);
}

void* Object(std::uintptr_t n) {
  return reinterpret_cast<void*>(n * 16);
}

// Alternates GetAHandle and FreeHandle until the table is empty.
std::vector<unsigned long> Drain(GenericHandleMgr* table) {
  std::vector<unsigned long> order;
  for (unsigned long h = table->GetAHandle(); h != 0; h = table->GetAHandle()) {
    order.push_back(h);
    table->FreeHandle(h);
  }
  return order;
}

TEST(HandleTable, IssuesOneTwoThreeAndResolvesThem) {
  GenericHandleMgr table;
  EXPECT_EQ(table.AssignNewHandle(Object(1)), 1u);
  EXPECT_EQ(table.GetAHandle(), 1u);
  EXPECT_EQ(table.AssignNewHandle(Object(2)), 2u);
  EXPECT_EQ(table.AssignNewHandle(nullptr), 3u);
  EXPECT_EQ(table.GetHandleObject(1), Object(1));
  EXPECT_EQ(table.GetHandleObject(2), Object(2));
  EXPECT_EQ(table.GetHandleObject(3), nullptr);  // a stored null, live all the same
  EXPECT_EQ(Drain(&table), (std::vector<unsigned long>{1, 2, 3}));
}

TEST(HandleTable, ValuesThatAreNotLiveResolveToNothingAndFreeNothing) {
  GenericHandleMgr table;
  EXPECT_EQ(table.GetHandleObject(0), nullptr);  // slot 0 is empty, handle 0 never matches
  table.AssignNewHandle(Object(1));
  table.AssignNewHandle(Object(2));
  table.FreeHandle(1);
  table.FreeHandle(1);     // already freed
  table.FreeHandle(0);     // never a handle
  table.FreeHandle(65);    // shares slot 1, never issued
  table.FreeHandle(9999);  // never issued
  EXPECT_EQ(table.GetHandleObject(1), nullptr);
  EXPECT_EQ(table.GetHandleObject(65), nullptr);
  EXPECT_EQ(table.GetHandleObject(2), Object(2));
  if (sizeof(unsigned long) > 4) {
    // A value wider than 32 bits is not handle 2, though it masks to slot 2.
    const unsigned long wide = static_cast<unsigned long>((std::uint64_t{1} << 32) + 2);
    EXPECT_EQ(table.GetHandleObject(wide), nullptr);
    table.FreeHandle(wide);
    EXPECT_EQ(table.GetHandleObject(2), Object(2));
  }
  EXPECT_EQ(Drain(&table), (std::vector<unsigned long>{2}));
}

TEST(HandleTable, FreedValueIsNotIssuedAgain) {
  GenericHandleMgr table;
  table.AssignNewHandle(Object(1));
  table.AssignNewHandle(Object(2));
  table.AssignNewHandle(Object(3));
  table.FreeHandle(2);
  EXPECT_EQ(table.AssignNewHandle(Object(4)), 4u);
  EXPECT_EQ(table.GetHandleObject(2), nullptr);
}

TEST(HandleTable, DrainVisitsHandlesInSlotOrderThenReturnsZero) {
  GenericHandleMgr table;
  std::vector<unsigned long> expected;
  for (int i = 1; i <= 10; ++i) expected.push_back(table.AssignNewHandle(Object(i)));
  EXPECT_EQ(Drain(&table), expected);
  EXPECT_EQ(table.GetAHandle(), 0u);
  // An assignment after the walk ran off the end makes the walk find it again.
  const unsigned long next = table.AssignNewHandle(Object(11));
  EXPECT_EQ(table.GetAHandle(), next);
}

// The table asks for a doubled array when an assignment finds four fifths of
// its slots taken: 64 slots grow at the 53rd handle, 128 at the 104th, ...
// Refusing the array after `granted` doublings shows when each is asked for.
TEST(HandleTable, DoublesWhenFourFifthsOfTheSlotsAreTaken) {
  const std::uint32_t asked_at[] = {53, 104, 206, 411, 821};
  for (int granted = 0; granted < 5; ++granted) {
    GenericHandleMgr table;
    const ScopedAllocationFailure refuse_next(Allocations::kArray, granted, Refusal::kOnce);
    std::uint32_t assigned = 0;
    while (refuse_next.failures() == 0) {
      ASSERT_NE(table.AssignNewHandle(Object(++assigned)), 0u) << assigned;
    }
    EXPECT_EQ(assigned, asked_at[granted]);
    for (std::uint32_t h = 1; h <= assigned; ++h) ASSERT_EQ(table.GetHandleObject(h), Object(h));
  }
}

// Each doubling doubles what the table holds: once growth stops, 64 << k
// handles fit after k doublings, and the next assignment is refused.
TEST(HandleTable, EachDoublingDoublesTheSlots) {
  for (int granted = 0; granted < 3; ++granted) {
    GenericHandleMgr table;
    const ScopedAllocationFailure refuse(Allocations::kArray, granted, Refusal::kFromThenOn);
    const unsigned long slots = 64ul << granted;
    for (unsigned long h = 1; h <= slots; ++h) ASSERT_EQ(table.AssignNewHandle(Object(h)), h);
    EXPECT_EQ(table.AssignNewHandle(Object(0)), 0u) << slots << " slots";
  }
}

TEST(HandleTable, WalkAfterDoublingFindsTheLowestSlotOfTheNewArray) {
  GenericHandleMgr table;
  for (int i = 1; i <= 40; ++i) table.AssignNewHandle(Object(i));
  for (int i = 1; i <= 40; ++i) table.FreeHandle(i);
  // 41..92 fill slots 41..63 and then 0..28: handle 64 sits in slot 0.
  for (int i = 41; i <= 92; ++i) ASSERT_EQ(table.AssignNewHandle(Object(i)), unsigned(i));
  EXPECT_EQ(table.GetAHandle(), 64u);                 // slot order, not issue order
  EXPECT_EQ(table.AssignNewHandle(Object(93)), 93u);  // doubles to 128 slots
  EXPECT_EQ(table.GetAHandle(), 41u);
  std::vector<unsigned long> drained = Drain(&table);
  ASSERT_EQ(drained.size(), 53u);
  for (std::size_t i = 0; i < drained.size(); ++i) EXPECT_EQ(drained[i], 41 + i);
}

TEST(HandleTable, CounterWrapsFromTheLargestValueToOne) {
  GenericHandleMgr table;
  SetLastHandle(&table, 0xFFFFFFFEu);
  EXPECT_EQ(table.AssignNewHandle(Object(1)), 0xFFFFFFFFu);  // slot 63
  EXPECT_EQ(table.AssignNewHandle(Object(2)), 1u);           // 0 is skipped
  EXPECT_EQ(table.GetHandleObject(0xFFFFFFFFu), Object(1));
  EXPECT_EQ(table.GetHandleObject(1), Object(2));
  EXPECT_EQ(table.GetAHandle(), 1u);
}

TEST(HandleTable, WrappedCounterPassesOverLiveValues) {
  GenericHandleMgr table;
  table.AssignNewHandle(Object(1));  // handle 1 stays live
  SetLastHandle(&table, 0xFFFFFFFFu);
  EXPECT_EQ(table.AssignNewHandle(Object(2)), 2u);
  EXPECT_EQ(table.GetHandleObject(1), Object(1));
}

TEST(HandleTable, FailedDoublingFillsEverySlotThenRefuses) {
  GenericHandleMgr table;
  const auto no_more_arrays = NoMoreArrays();
  for (int i = 1; i <= 64; ++i) ASSERT_EQ(table.AssignNewHandle(Object(i)), unsigned(i)) << i;
  EXPECT_EQ(no_more_arrays.failures(), 1);  // tried once, at 53, never again
  for (int i = 0; i < 100; ++i) EXPECT_EQ(table.AssignNewHandle(Object(65)), 0u);
  EXPECT_EQ(no_more_arrays.failures(), 1);
  table.FreeHandle(10);
  // The first value past 64 whose slot (10) is free: the refusals moved no
  // counter (had they, it would be 202).
  EXPECT_EQ(table.AssignNewHandle(Object(66)), 74u);
  for (int i = 1; i <= 64; ++i) {
    if (i != 10) {
      EXPECT_EQ(table.GetHandleObject(i), Object(i));
    }
  }
}

TEST(HandleTable, FailedFirstArrayLeavesAnInertTable) {
  const auto no_arrays = NoMoreArrays();
  GenericHandleMgr table;
  EXPECT_EQ(table.AssignNewHandle(Object(1)), 0u);
  EXPECT_EQ(table.GetAHandle(), 0u);
  EXPECT_EQ(table.GetHandleObject(1), nullptr);
  table.FreeHandle(1);
  GenericHandleMgr copy(table);
  EXPECT_EQ(copy.AssignNewHandle(Object(1)), 0u);
}

TEST(HandleTable, CopyOwnsItsOwnArray) {
  GenericHandleMgr original;
  original.AssignNewHandle(Object(1));
  original.AssignNewHandle(Object(2));
  GenericHandleMgr copy(original);
  EXPECT_EQ(copy.GetHandleObject(2), Object(2));

  copy.FreeHandle(1);
  EXPECT_EQ(copy.AssignNewHandle(Object(30)), 3u);  // counters carried over
  EXPECT_EQ(original.GetHandleObject(1), Object(1));
  EXPECT_EQ(original.GetHandleObject(3), nullptr);
  EXPECT_EQ(original.AssignNewHandle(Object(40)), 3u);
  EXPECT_EQ(copy.GetHandleObject(3), Object(30));
}

TEST(HandleTable, AssignmentReplacesTheTargetsArray) {
  GenericHandleMgr source;
  for (int i = 1; i <= 60; ++i) source.AssignNewHandle(Object(i));  // 128 slots
  GenericHandleMgr target;
  target.AssignNewHandle(Object(99));
  target = source;  // the target's old array is released (the leak checker watches)
  EXPECT_EQ(target.GetHandleObject(99), nullptr);
  for (int i = 1; i <= 60; ++i) EXPECT_EQ(target.GetHandleObject(i), Object(i));
  const GenericHandleMgr& same = target;
  target = same;
  EXPECT_EQ(target.GetHandleObject(60), Object(60));
  source.FreeHandle(1);
  EXPECT_EQ(target.GetHandleObject(1), Object(1));
}

TEST(HandleTable, CopyWhoseArrayCannotBeAllocatedIsEmpty) {
  GenericHandleMgr source;
  source.AssignNewHandle(Object(1));
  GenericHandleMgr target;
  target.AssignNewHandle(Object(2));
  {
    const auto no_arrays = NoMoreArrays();
    GenericHandleMgr copy(source);
    EXPECT_EQ(copy.GetHandleObject(1), nullptr);
    EXPECT_EQ(copy.GetAHandle(), 0u);
    target = source;
  }
  EXPECT_EQ(target.GetHandleObject(2), nullptr);
  EXPECT_EQ(target.GetAHandle(), 0u);
  EXPECT_EQ(target.AssignNewHandle(Object(3)), 0u);
  EXPECT_EQ(source.GetHandleObject(1), Object(1));
}

// Random assignments and frees against a plain map, checking the invariants
// on the way: each live handle resolves, sits in its own slot, and the walk
// finds the lowest one.
TEST(HandleTable, AgreesWithAMapUnderRandomUse) {
  GenericHandleMgr table;
  std::unordered_map<unsigned long, void*> model;
  std::vector<unsigned long> live;
  std::mt19937 random(12345);
  for (int step = 0; step < 200000; ++step) {
    const bool assign = live.empty() || random() % 100 < 55;
    if (assign) {
      void* object = Object(step);
      const unsigned long h = table.AssignNewHandle(object);
      ASSERT_NE(h, 0u);
      ASSERT_TRUE(model.emplace(h, object).second) << "handle " << h << " issued twice";
      live.push_back(h);
    } else {
      const std::size_t pick = random() % live.size();
      table.FreeHandle(live[pick]);
      model.erase(live[pick]);
      live[pick] = live.back();
      live.pop_back();
    }
    if (step % 997 == 0) {
      const Layout layout = Peek(table);
      ASSERT_EQ(layout.handles, model.size());
      for (const auto& [h, object] : model) ASSERT_EQ(table.GetHandleObject(h), object);
      const unsigned long first = table.GetAHandle();
      for (std::uint32_t slot = 0; slot < layout.array_size; ++slot) {
        const GenericHandleMgr::HandleEntry& entry = layout.array[slot];
        if (entry.handle == 0) continue;
        ASSERT_EQ(entry.handle % layout.array_size, slot);
        ASSERT_EQ(first, entry.handle) << "walk did not stop at the lowest occupied slot";
        break;
      }
    }
  }
  EXPECT_EQ(Drain(&table).size(), model.size());
}

}  // namespace
