// The pooled allocator against malloc/free for the pooled sizes.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "mem_alloc.h"

namespace
{
// Allocate a batch, then free it: the pattern of a frame's short-lived objects.
void BM_MemAllocFree(benchmark::State& _state)
{
    const u32 size = (u32)_state.range(0);
    std::vector<void*> blocks(256);
    for (auto _ : _state) {
        for (void*& block : blocks)
            block = MEM_Alloc(size);
        benchmark::DoNotOptimize(blocks.data());
        for (void* block : blocks)
            MEM_Free(block);
    }
    _state.SetItemsProcessed(_state.iterations() * (s64)blocks.size());
}

void BM_MallocFree(benchmark::State& _state)
{
    const size_t size = (size_t)_state.range(0);
    std::vector<void*> blocks(256);
    for (auto _ : _state) {
        for (void*& block : blocks)
            block = malloc(size);
        benchmark::DoNotOptimize(blocks.data());
        for (void* block : blocks)
            free(block);
    }
    _state.SetItemsProcessed(_state.iterations() * (s64)blocks.size());
}
}  // namespace

BENCHMARK(BM_MemAllocFree)->RangeMultiplier(2)->Range(8, 2028);
BENCHMARK(BM_MallocFree)->RangeMultiplier(2)->Range(8, 2028);
