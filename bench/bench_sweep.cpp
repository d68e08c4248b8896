// The sweep-and-prune broad phase against an all-pairs overlap test on the same moving boxes.
//
// Every step moves each box a little (as bodies do in one simulation step), updates it in the
// list and fetches the pairs. The same run times the brute-force test on the same boxes and
// prints the ratio (brute_over_sweep), so the figure does not depend on the machine.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

#include "cos_sweeplist.h"

namespace
{
struct Mover
{
    f32 box[6];
    f32 vx, vy;
};

class Scene
{
public:
    explicit Scene(s32 _count) : m_owners((size_t)_count), m_movers((size_t)_count)
    {
        // About three neighbours per box: boxes of side 1 to 2 on a square of area 3 x count.
        m_side = std::sqrt(3.0f * (f32)_count);
        u32 state = 12345u;
        auto next = [&state]() {
            state = state * 1664525u + 1013904223u;
            return (f32)(state >> 8) / 16777216.0f;
        };
        for (Mover& mover : m_movers) {
            const f32 x = next() * m_side;
            const f32 y = next() * m_side;
            const f32 w = 1.0f + next();
            const f32 h = 1.0f + next();
            mover.box[0] = x;
            mover.box[1] = y;
            mover.box[2] = 0.0f;
            mover.box[3] = x + w;
            mover.box[4] = y + h;
            mover.box[5] = 1.0f;
            mover.vx = (next() - 0.5f) * 0.1f;
            mover.vy = (next() - 0.5f) * 0.1f;
        }
    }

    void Move()
    {
        for (Mover& mover : m_movers) {
            if (mover.box[0] + mover.vx < 0.0f || mover.box[3] + mover.vx > m_side)
                mover.vx = -mover.vx;
            if (mover.box[1] + mover.vy < 0.0f || mover.box[4] + mover.vy > m_side)
                mover.vy = -mover.vy;
            mover.box[0] += mover.vx;
            mover.box[3] += mover.vx;
            mover.box[1] += mover.vy;
            mover.box[4] += mover.vy;
        }
    }

    COS_LIST_BoxAttributes Attributes(size_t _i)
    {
        COS_LIST_BoxAttributes attributes;
        attributes.type = 0;
        attributes.typeBit = 1;
        attributes.collideMask = 1;
        attributes.object = reinterpret_cast<RTI_Class*>(&m_owners[_i]);
        attributes.userValue = &m_owners[_i];
        return attributes;
    }

    // The same filter and closed overlap as the list, over every pair.
    s32 BruteForce(std::vector<COS_LIST_Pair>& _pairs)
    {
        _pairs.clear();
        const size_t count = m_movers.size();
        for (size_t i = 0; i < count; ++i) {
            const f32* a = m_movers[i].box;
            for (size_t j = i + 1; j < count; ++j) {
                const f32* b = m_movers[j].box;
                if (a[0] <= b[3] && b[0] <= a[3] && a[1] <= b[4] && b[1] <= a[4])
                    _pairs.push_back(
                        {reinterpret_cast<RTI_Class*>(&m_owners[i]), reinterpret_cast<RTI_Class*>(&m_owners[j])});
            }
        }
        return (s32)_pairs.size();
    }

    std::vector<char> m_owners;
    std::vector<Mover> m_movers;
    f32 m_side = 0.0f;
};

using Clock = std::chrono::steady_clock;

void BM_SweepStep(benchmark::State& _state)
{
    const s32 count = (s32)_state.range(0);
    Scene scene(count);
    COS_SweepList list(2, 512, 4096);
    std::vector<s32> ids((size_t)count);
    for (size_t i = 0; i < ids.size(); ++i)
        ids[i] = list.Insert(scene.m_movers[i].box, scene.Attributes(i));
    std::vector<COS_LIST_Pair> buffer(10000);

    s64 pairs = 0;
    s64 steps = 0;
    Clock::duration sweepTime{};
    for (auto _ : _state) {
        _state.PauseTiming();
        scene.Move();
        _state.ResumeTiming();
        const Clock::time_point begin = Clock::now();
        for (size_t i = 0; i < ids.size(); ++i)
            list.Update(ids[i], scene.m_movers[i].box);
        s32 got;
        while ((got = list.GetPairs(buffer.data(), (s32)buffer.size())) == (s32)buffer.size())
            buffer.resize(buffer.size() * 2);
        sweepTime += Clock::now() - begin;
        benchmark::DoNotOptimize(buffer.data());
        pairs += got;
        ++steps;
    }

    // The brute force on the boxes of the last step must find the same number of pairs.
    std::vector<COS_LIST_Pair> brute;
    brute.reserve(buffer.size());
    const s32 lastSweep = list.GetPairSet().GetPairCount();
    if (scene.BruteForce(brute) != lastSweep)
        _state.SkipWithError("the sweep list and the brute force disagree");
    const s32 bruteSteps = count <= 1000 ? 50 : 3;
    Clock::duration bruteTime{};
    for (s32 step = 0; step < bruteSteps; ++step) {
        scene.Move();
        const Clock::time_point begin = Clock::now();
        benchmark::DoNotOptimize(scene.BruteForce(brute));
        bruteTime += Clock::now() - begin;
    }

    const f64 sweepSeconds = std::chrono::duration<f64>(sweepTime).count();
    const f64 bruteSeconds = std::chrono::duration<f64>(bruteTime).count();
    const f64 sweepPerStep = sweepSeconds / (f64)steps;
    const f64 brutePerStep = bruteSeconds / (f64)bruteSteps;
    _state.counters["pairs_per_step"] = (f64)pairs / (f64)steps;
    _state.counters["pairs_per_s"] = (f64)pairs / sweepSeconds;
    _state.counters["sweep_us_per_step"] = sweepPerStep * 1e6;
    _state.counters["brute_us_per_step"] = brutePerStep * 1e6;
    _state.counters["brute_over_sweep"] = brutePerStep / sweepPerStep;
}
}  // namespace

BENCHMARK(BM_SweepStep)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);
