// GenericHandleMgr against std::unordered_map<uint32_t, void*> doing the same
// work: random lookups of live handles, an assignment and a free, and a drain
// in the table's walk order (the map's iteration order for the map).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <random>
#include <unordered_map>
#include <vector>

#include <vo_tools/handle_table.h>

namespace {

using HandleMap = std::unordered_map<std::uint32_t, void*>;

constexpr std::size_t kLookupSequence = 1 << 20;  // a power of two

void* Object(std::uint32_t n) {
  return reinterpret_cast<void*>(std::uintptr_t{n} * 16);
}

// A random sequence of `handles`, long enough that lookups on a million live
// handles miss the cache as they would in use.
std::vector<std::uint32_t> RandomLookups(const std::vector<std::uint32_t>& handles) {
  std::mt19937 random(7);
  std::uniform_int_distribution<std::size_t> pick(0, handles.size() - 1);
  std::vector<std::uint32_t> sequence(kLookupSequence);
  for (std::uint32_t& h : sequence) h = handles[pick(random)];
  return sequence;
}

std::vector<std::uint32_t> Fill(GenericHandleMgr* table, std::int64_t count) {
  std::vector<std::uint32_t> handles;
  for (std::int64_t i = 0; i < count; ++i) {
    handles.push_back(static_cast<std::uint32_t>(table->AssignNewHandle(Object(i))));
  }
  return handles;
}

void Fill(HandleMap* map, const std::vector<std::uint32_t>& handles) {
  for (std::uint32_t h : handles) map->emplace(h, Object(h));
}

void BM_Table_GetHandleObject(benchmark::State& state) {
  GenericHandleMgr table;
  const std::vector<std::uint32_t> lookups = RandomLookups(Fill(&table, state.range(0)));
  std::size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(table.GetHandleObject(lookups[i++ & (kLookupSequence - 1)]));
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Map_Find(benchmark::State& state) {
  GenericHandleMgr table;
  const std::vector<std::uint32_t> handles = Fill(&table, state.range(0));
  HandleMap map;
  Fill(&map, handles);
  const std::vector<std::uint32_t> lookups = RandomLookups(handles);
  std::size_t i = 0;
  for (auto _ : state) {
    auto found = map.find(lookups[i++ & (kLookupSequence - 1)]);
    benchmark::DoNotOptimize(found == map.end() ? nullptr : found->second);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Table_AssignAndFree(benchmark::State& state) {
  GenericHandleMgr table;
  Fill(&table, state.range(0));
  for (auto _ : state) {
    const unsigned long h = table.AssignNewHandle(Object(1));
    table.FreeHandle(h);
    benchmark::DoNotOptimize(h);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Map_InsertAndErase(benchmark::State& state) {
  GenericHandleMgr table;
  HandleMap map;
  Fill(&map, Fill(&table, state.range(0)));
  std::uint32_t next = static_cast<std::uint32_t>(state.range(0));
  for (auto _ : state) {
    const std::uint32_t h = ++next;  // the same counter scheme as the table
    map.emplace(h, Object(1));
    map.erase(h);
    benchmark::DoNotOptimize(h);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_Table_Drain(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    auto table = std::make_unique<GenericHandleMgr>();
    Fill(table.get(), state.range(0));
    state.ResumeTiming();
    for (unsigned long h = table->GetAHandle(); h != 0; h = table->GetAHandle()) {
      table->FreeHandle(h);
    }
    state.PauseTiming();
    table.reset();  // not part of the drain
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_Map_Drain(benchmark::State& state) {
  GenericHandleMgr table;
  const std::vector<std::uint32_t> handles = Fill(&table, state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    auto map = std::make_unique<HandleMap>();
    Fill(map.get(), handles);
    state.ResumeTiming();
    while (!map->empty()) map->erase(map->begin());
    state.PauseTiming();
    map.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

}  // namespace

BENCHMARK(BM_Table_GetHandleObject)->Arg(1000)->Arg(1000000);
BENCHMARK(BM_Map_Find)->Arg(1000)->Arg(1000000);
BENCHMARK(BM_Table_AssignAndFree)->Arg(1000)->Arg(1000000);
BENCHMARK(BM_Map_InsertAndErase)->Arg(1000)->Arg(1000000);
BENCHMARK(BM_Table_Drain)->Arg(1000)->Arg(1000000);
BENCHMARK(BM_Map_Drain)->Arg(1000)->Arg(1000000);
