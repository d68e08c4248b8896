// Direct sensor queries (COD_Sensor::Sense), the behaviours' line-of-sight and detection test,
// with occlusion on (a terrain segment test and a tree test per view blocker for every seen
// emitter) against the same queries with occlusion off.
//
// One sensor stands on rolling ground among 256 emitters within its seeing range; 32 of them
// are hull-shaped view blockers with real collision trees, noted as a sensing pass would. The
// run times the occluded queries and then the plain ones and prints the ratio
// (plain_over_occluded), which does not depend on the machine.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <vector>

#include "bench_common.h"
#include "cod_emitter.h"
#include "cod_sensor.h"
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "mat_matrix.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "tools_obbs.h"

namespace
{
using bench_common::Random;

using Clock = std::chrono::steady_clock;

const s32 kLines = 8;
const s32 kSize = 33;
const s32 kEmitters = 256;
const s32 kBlockers = 32;
const f32 kRange = 400.0f;

// Rolling ground of 1024 x 1024 world units, hills up to about 35 high.
void BuildGround(MRT_Terrain& _terrain)
{
    Random random;
    std::vector<u16> heights((size_t)(kSize * kSize));
    for (s32 y = 0; y < kSize; ++y)
        for (s32 x = 0; x < kSize; ++x) {
            const f32 wave = std::sin((f32)x * 0.19634954f) * std::cos((f32)y * 0.19634954f);
            heights[(size_t)(y * kSize + x)] = (u16)(400.0f + 300.0f * wave + 40.0f * random.Next());
        }
    for (s32 k = 0; k < kSize; ++k) {
        heights[(size_t)(k * kSize + kSize - 1)] = heights[(size_t)(k * kSize)];
        heights[(size_t)((kSize - 1) * kSize + k)] = heights[(size_t)k];
    }
    TST_BuildTerrain(_terrain, kLines, kSize, {0.0f, 0.0f, 0.0f}, {4.0f, 4.0f, 0.05f},
                     [&](s32 _x, s32 _y) { return heights[(size_t)(_y * kSize + _x)]; });
}

class Scene
{
public:
    Scene()
    {
        char directory[] = "/tmp/qv_bench_sense_XXXXXX";
        if (mkdtemp(directory) == nullptr || chdir(directory) != 0)
            abort();
        m_directory = directory;
        TOOL_WriteObbs("hull", TOOL_ObbsHull(20.0f, 6.0f, 4.0f, 4, 4, 16));
        m_cache.SetPath("");
        m_tree = m_cache.AllocateTree("hull");

        BuildGround(m_terrain);
        m_cell.terrain = &m_terrain;
        const f32 centre = 0.5f * (f32)kLines * m_terrain.extentX;
        m_frame.r.SetDiagonal(1.0f);
        m_frame.t = {centre, centre, m_terrain.GetHeightAt(centre, centre) + 5.0f};
        m_sensor.m_transform = &m_frame;
        m_sensor.m_terrainCell = &m_cell;
        m_sensor.m_flags = COD_SENSOR_ACTIVE | COD_SENSOR_SEEING | COD_SENSOR_HEARING | COD_SENSOR_PRESENCE;
        m_sensor.m_seeingRange = kRange;
        m_sensor.m_hearingRange = kRange;
        m_sensor.m_presenceRange = kRange;
        m_sensor.SetCapacities(kBlockers, kEmitters, kEmitters, kEmitters);

        Random random;
        random.state = 4357u;
        m_frames.resize(kEmitters);
        for (s32 i = 0; i < kEmitters; ++i) {
            m_emitters.push_back(std::make_unique<COD_Emitter>());
            COD_Emitter& emitter = *m_emitters.back();
            const f32 angle = random.Next() * 6.2831853f;
            const f32 distance = 20.0f + (kRange - 30.0f) * std::sqrt(random.Next());
            const f32 x = centre + distance * std::cos(angle);
            const f32 y = centre + distance * std::sin(angle);
            const MAT_Vector3 position(x, y, m_terrain.GetHeightAt(x, y) + 2.0f + 18.0f * random.Next());
            emitter.m_position[0] = position.x;
            emitter.m_position[1] = position.y;
            emitter.m_position[2] = position.z;
            emitter.m_flags = COD_EMITTER_VISIBLE | COD_EMITTER_PRESENCE;
            emitter.m_soundLevel = COD_SOUND_MEDIUM;
            emitter.m_name = "emitter";
            if (i < kBlockers) {
                const f32 heading = random.Next() * 6.2831853f;
                const f32 c = std::cos(heading);
                const f32 s = std::sin(heading);
                m_frames[(size_t)i].SetFromVectors(position, {c, s, 0.0f}, {-s, c, 0.0f}, {0.0f, 0.0f, 1.0f});
                emitter.m_tree = m_tree;
                emitter.m_transform = &m_frames[(size_t)i];
                emitter.m_flags |= COD_EMITTER_VISIBILITY_BLOCKING;
            }
        }
    }

    ~Scene()
    {
        m_emitters.clear();
        m_cache.ReleaseTree(m_tree);
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }

    // The sensing pass's part: every emitter noted, then the occlusion tests.
    void SensingPass()
    {
        m_sensor.m_flags |= COD_SENSOR_OCCLUSION;
        m_sensor.ClearResults();
        for (const auto& emitter : m_emitters)
            m_sensor.NoteEmitter(emitter.get());
        m_sensor.CheckTerrainOcclusion();
        m_sensor.CheckVisibility();
    }

    // Every emitter asked once; the number seen.
    s64 Queries()
    {
        s64 seenCount = 0;
        for (const auto& emitter : m_emitters) {
            s32 seen = 0;
            s32 heard = 0;
            s32 present = 0;
            m_sensor.Sense(emitter.get(), seen, heard, present);
            seenCount += seen;
        }
        return seenCount;
    }

    COD_Sensor m_sensor;

private:
    std::filesystem::path m_directory;
    COS_OBBS_Tree_Cache m_cache;
    COS_OBBS_Tree* m_tree = nullptr;
    MRT_Terrain m_terrain;
    MRT_TerrainCell m_cell;
    MAT_Matrix34 m_frame;
    std::vector<MAT_Matrix34> m_frames;
    std::vector<std::unique_ptr<COD_Emitter>> m_emitters;
};

void BM_Sense(benchmark::State& _state)
{
    Scene scene;
    scene.SensingPass();
    const s64 blockers = scene.m_sensor.m_blockingCount;
    const s64 seenByPass = scene.m_sensor.m_seenCount;

    s64 occluded = 0;
    s64 occludedSeen = 0;
    Clock::duration occludedTime{};
    for (auto _ : _state) {
        const Clock::time_point begin = Clock::now();
        occludedSeen += scene.Queries();
        occludedTime += Clock::now() - begin;
        occluded += kEmitters;
    }

    scene.m_sensor.m_flags &= ~COD_SENSOR_OCCLUSION;
    s64 plain = 0;
    s64 plainSeen = 0;
    const Clock::time_point begin = Clock::now();
    do {
        plainSeen += scene.Queries();
        plain += kEmitters;
    } while (Clock::now() - begin < std::chrono::milliseconds(200));
    const Clock::duration plainTime = Clock::now() - begin;

    const f64 occludedRate = (f64)occluded / std::chrono::duration<f64>(occludedTime).count();
    const f64 plainRate = (f64)plain / std::chrono::duration<f64>(plainTime).count();
    _state.counters["blockers"] = (f64)blockers;
    _state.counters["seen_by_pass"] = (f64)seenByPass;
    _state.counters["seen_share"] = (f64)occludedSeen / (f64)occluded;
    _state.counters["plain_seen_share"] = (f64)plainSeen / (f64)plain;
    _state.counters["occluded_queries_per_s"] = occludedRate;
    _state.counters["plain_queries_per_s"] = plainRate;
    _state.counters["plain_over_occluded"] = plainRate / occludedRate;
}
}  // namespace

BENCHMARK(BM_Sense)->Unit(benchmark::kMicrosecond);
