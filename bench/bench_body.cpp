// Simulation steps of 1,000 moving shielded bodies with their contact parts registered: each
// step every body integrates its motion into its track (NOD_Body::HeartBeat) and its aggregate
// moves its registered parts to the new place (ContactAggregate::HeartBeat). The collision pass
// itself is not part of the figure (see bench_contact and bench_sweep); bodies_per_second is.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app_register.h"
#include "bench_common.h"
#include "coh_avoid.h"
#include "coh_physical.h"
#include "coh_sense.h"
#include "coh_shadow.h"
#include "contactaggregate.h"
#include "cos_collisionsystem.h"
#include "cos_obbs_treecache.h"
#include "des_file.h"
#include "mot_motionstate.h"
#include "mrt_terrain.h"
#include "nod_shieldedbody.h"
#include "pcs_handlers.h"
#include "sim_clock.h"
#include "tools_obbs.h"
#include "tools_sections.h"

namespace
{
// A vessel-like body: its vessel maker asks for the mass.
class Hull : public NOD_ShieldedBody
{
public:
    explicit Hull(MOT_MotionState* _state) : NOD_ShieldedBody(_state) {}
    f32 GetMass() override { return 2.0f; }
};

void NoViewBox(NOD_Node*, f32 _box[6])
{
    for (s32 i = 0; i < 6; ++i)
        _box[i] = 0.0f;
}

// The system and its nine handlers as the driver builds them, with room for every part.
class Scene
{
public:
    explicit Scene(s32 _count)
        : m_system(2, 8192, 32768), m_physical(&m_system, 1024, 4096, 1024, &m_cell), m_visible(&m_system),
          m_viewers(&m_system, 2), m_passive(&m_system), m_active(&m_system, 512, &m_cell), m_emitters(&m_system),
          m_sensors(&m_system, 512), m_casters(&m_system), m_receivers(&m_system, 512)
    {
        bench_common::RegisterModulesOnce();
        char directory[] = "/tmp/qv_bench_body_XXXXXX";
        if (mkdtemp(directory) == nullptr || chdir(directory) != 0)
            abort();
        m_directory = directory;
        m_system.RegisterHandler(&m_physical, 0, 1);
        m_system.RegisterHandler(&m_visible, 2, 0);
        m_system.RegisterHandler(&m_viewers, 3, 4);
        m_system.RegisterHandler(&m_passive, 4, 0);
        m_system.RegisterHandler(&m_active, 5, 16);
        m_system.RegisterHandler(&m_emitters, 6, 0);
        m_system.RegisterHandler(&m_sensors, 7, 64);
        m_system.RegisterHandler(&m_casters, 8, 0);
        m_system.RegisterHandler(&m_receivers, 9, 256);
        m_world.system = &m_system;
        m_world.handlers[0] = &m_physical;
        m_world.handlers[2] = &m_visible;
        m_world.handlers[3] = &m_viewers;
        m_world.handlers[4] = &m_passive;
        m_world.handlers[5] = &m_active;
        m_world.handlers[6] = &m_emitters;
        m_world.handlers[7] = &m_sensors;
        m_world.handlers[8] = &m_casters;
        m_world.handlers[9] = &m_receivers;
        m_world.getViewBox = NoViewBox;
        ContactAggregate::SetWorld(&m_world);
        TOOL_WriteObbs("hull", TOOL_ObbsHull(20.0f, 6.0f, 4.0f, 4, 4, 16));
        m_cache.SetPath("");
        COS_OBBS_Tree_Cache::SetCurrent(&m_cache);

        TOOL_CollisionSection collision;
        collision.collisionDescription = "hull";
        const std::string text = "[Body]\n{\n" + TOOL_ShieldSectionText(TOOL_ShieldSection()) +
                                 TOOL_CollisionSectionText(collision, TOOL_COLLISION_VESSEL) +
                                 TOOL_EmitterSectionText(TOOL_EmitterSection()) +
                                 TOOL_AvoidanceSectionText(TOOL_AvoidanceSection(), TOOL_AVOIDANCE_OBSTACLE) + "}\n";
        std::FILE* file = std::fopen("hull.des", "wb");
        if (file == nullptr || std::fwrite(text.data(), 1, text.size(), file) != text.size())
            abort();
        std::fclose(file);

        SIM_Clock& clock = SIM_GetSimulationClock();
        clock.Set(0.0f, SIM_STEP);
        DES_File des;
        DES_Section root, body, physical, emitter, avoidance;
        des.Open(&root, "hull.des");
        root.FindSection(&body, "Body");
        body.FindSection(&physical, "Collision");
        body.FindSection(&emitter, "Emitter");
        body.FindSection(&avoidance, "Avoidance");
        const f32 box[6] = {-10.0f, -3.0f, -2.0f, 10.0f, 3.0f, 2.0f};
        const f32 side = 40.0f * std::sqrt((f32)_count);
        u32 seed = 12345u;
        auto next = [&seed]() {
            seed = seed * 1664525u + 1013904223u;
            return (f32)(seed >> 8) / 16777216.0f;
        };
        for (s32 i = 0; i < _count; ++i) {
            m_states.push_back(std::make_unique<MOT_MotionState>());
            MOT_MotionState& state = *m_states.back();
            state.frame.r.SetDiagonal(1.0f);
            state.frame.t = MAT_Vector3(next() * side, next() * side, 0.0f);
            state.flags |= 1u;  // integrate the x translation
            state.SetVelocity(MAT_Vector3((next() - 0.5f) * 20.0f, 0.0f, 0.0f));
            Hull* hull = new Hull(&state);
            hull->ParseIniFile(body);
            ContactAggregate& aggregate = hull->GetAggregate();
            aggregate.GeneratePhysicalVessel(&physical, 1, nullptr);
            aggregate.GenerateVisibleObject(box);
            aggregate.GenerateEmitter(&emitter);
            aggregate.GeneratePassiveAvoid(&avoidance);
            aggregate.GenerateShadowCaster();
            hull->SetFlags(hull->GetFlags() | NOD_Node::FLAG_IN_SIMULATION);
            aggregate.EnterSimulation(state.frame, state.GetVelocity());
            m_bodies.push_back(hull);
        }
        // A figure of bodies whose parts failed to register would measure nothing.
        if (m_physical.GetCount() != _count)
            abort();
    }

    ~Scene()
    {
        for (Hull* hull : m_bodies) {
            hull->GetAggregate().LeaveSimulation();
            hull->SetFlags(hull->GetFlags() & ~(u32)NOD_Node::FLAG_IN_SIMULATION);
            delete hull;
        }
        ContactAggregate::SetWorld(nullptr);
        COS_OBBS_Tree_Cache::SetCurrent(nullptr);
        std::error_code ignored;
        std::filesystem::remove_all(m_directory, ignored);
    }

    // One simulation step of every body, then the clock moves on.
    void Step()
    {
        for (s32 i = 0; i < (s32)m_bodies.size(); ++i) {
            Hull* hull = m_bodies[(size_t)i];
            MOT_MotionState& state = *m_states[(size_t)i];
            hull->HeartBeat();
            hull->GetAggregate().HeartBeat(state.frame, state.GetVelocity());
        }
        SIM_Clock& clock = SIM_GetSimulationClock();
        clock.SetTime(clock.time + clock.dt);
    }

    s32 Count() const { return (s32)m_bodies.size(); }

private:
    std::string m_directory;
    MRT_TerrainCell m_cell;
    COS_CollisionSystem m_system;
    COH_Physical m_physical;
    PCS_VisibleObjectHandler m_visible;
    PCS_ViewerHandler m_viewers;
    COH_PassiveAvoid m_passive;
    COH_ActiveAvoid m_active;
    COH_Emitter m_emitters;
    COH_Sensor m_sensors;
    COH_ShadowCaster m_casters;
    COH_ShadowReceiver m_receivers;
    NOD_ContactWorld m_world;
    COS_OBBS_Tree_Cache m_cache;
    std::vector<std::unique_ptr<MOT_MotionState>> m_states;
    std::vector<Hull*> m_bodies;
};

void BM_ShieldedBodySteps(benchmark::State& _state)
{
    Scene scene((s32)_state.range(0));
    for (auto _ : _state)
        scene.Step();
    _state.counters["steps_per_second"] = benchmark::Counter((f64)_state.iterations(), benchmark::Counter::kIsRate);
    _state.counters["bodies_per_second"] =
        benchmark::Counter((f64)_state.iterations() * scene.Count(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ShieldedBodySteps)->Arg(1000)->Unit(benchmark::kMicrosecond);

}  // namespace
