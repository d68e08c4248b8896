// The table square roots against the hardware square root and division, in calls per second.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "mat_sqrt.h"

namespace
{
// Squared distances of a typical scene: spread over many exponents and mantissas.
std::vector<f32> Inputs()
{
    std::vector<f32> inputs(4096);
    f32 value = 0.37f;
    for (f32& input : inputs) {
        input = value;
        value = value * 1.618034f;
        if (value > 1e6f)
            value *= 1e-6f;
    }
    return inputs;
}

template <f32 (*ROOT)(f32)>
void Run(benchmark::State& _state)
{
    MAT_SqrtTables();
    const std::vector<f32> inputs = Inputs();
    std::vector<f32> outputs(inputs.size());
    for (auto _ : _state) {
        // Independent calls, as in a per-vertex loop: no chain from one result to the next.
        for (size_t i = 0; i < inputs.size(); ++i)
            outputs[i] = ROOT(inputs[i]);
        benchmark::DoNotOptimize(outputs.data());
        benchmark::ClobberMemory();
    }
    _state.SetItemsProcessed(_state.iterations() * (s64)inputs.size());
}

f32 HardwareSqrt(f32 _x) { return std::sqrt(_x); }
f32 HardwareInvSqrt(f32 _x) { return 1.0f / std::sqrt(_x); }

void BM_FastSqrt(benchmark::State& _state) { Run<MAT_FastSqrt>(_state); }
void BM_Sqrtf(benchmark::State& _state) { Run<HardwareSqrt>(_state); }
void BM_FastInvSqrt(benchmark::State& _state) { Run<MAT_FastInvSqrt>(_state); }
void BM_InvSqrtf(benchmark::State& _state) { Run<HardwareInvSqrt>(_state); }
}  // namespace

BENCHMARK(BM_FastSqrt);
BENCHMARK(BM_Sqrtf);
BENCHMARK(BM_FastInvSqrt);
BENCHMARK(BM_InvSqrtf);
