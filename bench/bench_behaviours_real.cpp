// The state and movement behaviours on real vessels: 100 vessels with a gun each, in a grid over
// a flat terrain on the tests' run objects (TST_ArmedWorld), headless, every fourth one firing
// along its column so that bullets hit the vessel ahead. Two scenes of the same bodies:
//
// BM_BehavioursIdle: no behaviour started (the vessels' state lists and action slots run empty).
// BM_BehavioursActive: every vessel senses (presence, hearing and sight within 100, interest
// "v", so its neighbours enter), watches for enemy patrols (within 150, a name no vessel
// carries, so the watch never stops itself), has its shot hits reported and patrols a wide area.
//
// One iteration is one whole sensing cycle (COH_SENSING_PERIOD steps as the run takes them);
// its time is main-thread CPU. Counters: updates_per_second (vessel behaviour updates: vessels
// times steps per second of CPU), ms_per_cycle, and for the active scene vs_idle (its updates per
// second over the idle scene's, when the idle one ran first in the same process).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "app_register.h"
#include "armed_fixture.h"
#include "bench_armed.h"
#include "bench_common.h"
#include "coh_sense.h"
#include "nod_launcher.h"
#include "nod_patrolarea.h"
#include "nod_vessel.h"
#include "tools_launch.h"

namespace
{
using bench_common::ThreadSeconds;

constexpr s32 VESSELS = 100;
constexpr s32 COLUMNS = 10;
constexpr s32 WARM_CYCLES = 4;
constexpr s32 CYCLES = 60;
// Every fourth vessel fires: the run's bullets stay within the segment pool.
constexpr s32 GUN_EVERY = 4;

f64 s_idleUpdatesPerSecond = 0.0;

// Faces never give out during the run.
TOOL_ShieldSection Armour()
{
    TOOL_ShieldSection shield;
    for (s32 face = 0; face < 6; ++face) {
        shield.faceIn[face] = 1000000000;
        shield.faceInMax[face] = 1000000000;
    }
    return shield;
}

std::string VesselText()
{
    TOOL_VesselDescription vessel;
    vessel.shield = Armour();
    TOOL_NPCGunDescription gun;
    gun.phases = {TOOL_NPCGunPhase{4, 0.5f}};
    TOOL_ChildSection son;
    son.index = 0;
    son.nameCLA = "NOD_NPC_Gun";
    son.translation[1] = 6.0f;
    vessel.children = {TOOL_WeaponChildText(son, "gun", TOOL_NPCGunDescriptionText(gun))};
    return TOOL_VesselDescriptionText(vessel);
}

class Fleet : public bench_armed::ArmedScene
{
public:
    explicit Fleet(bool _active)
    {
        Field([this, _active] { Populate(_active); });
    }

    void Cycle() { world->Steps(COH_SENSING_PERIOD); }

private:
    // Columns 60 apart, rows 30 apart, all heading along +y: a gun fires at the vessel ahead.
    void Populate(bool _active)
    {
        NOD_Node* area = world->root->AddSon(NOD_Node::CreateNode("NOD_PatrolArea", "sea"));
        delete area->ProcessMessage(NOD_PatrolArea_SetPosition::Create(MAT_Vector3(0.0f, 0.0f, 40.0f)));
        delete area->ProcessMessage(NOD_PatrolArea_SetRadius::Create(400.0f));
        delete area->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(20.0f));
        delete area->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(60.0f));
        const std::string text = VesselText();
        const SIM_Name none;
        for (s32 i = 0; i < VESSELS; ++i) {
            const MAT_Vector3 at(-270.0f + 60.0f * (f32)(i % COLUMNS), -150.0f + 30.0f * (f32)(i / COLUMNS), 40.0f);
            NOD_Vessel* vessel =
                NOD_Vessel::DynamicCast(world->Make("NOD_Vessel", "v" + std::to_string(i), text, TST_HeadingAt(at)));
            if (i % GUN_EVERY == 0 && vessel->GetGun() != nullptr)
                vessel->GetGun()->StartFire();
            if (!_active)
                continue;
            Send(vessel, NOD_Trigger_SetPresenceSphere::Create(100.0f));
            Send(vessel, NOD_Trigger_SetAcousticSphere::Create(100.0f));
            Send(vessel, NOD_Trigger_SetVisibilityConeRelative::Create(180.0f, 100.0f));
            Send(vessel, NOD_Trigger_ActivateSensor::Create((u8)1, (u8)1, (u8)1));
            Send(vessel, NOD_Trigger_SetInterestList::Create(SIM_Name("v"), none, none, none));
            Send(vessel, NOD_Body_InformEnemyPatrol::Create(150.0f, SIM_Name("raider"), none, none, none, SIM_Path()));
            Send(vessel, NOD_Body_RequestShotHits::Create());
            Send(vessel, NOD_Vessel_Patrol::Create(SIM_Path("/sea"), 0.0f, 0.2f, 0.5f, 0.2f, 45.0f, 10.0f, 0.0f, 0.5f));
        }
    }
    static void Send(NOD_Node* _node, NOD_Message* _message) { delete _node->ProcessMessage(_message); }
};

void Run(benchmark::State& _state, bool _active)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    try {
        Fleet fleet(_active);
        if (!fleet.Error().empty()) {
            _state.SkipWithError(fleet.Error().c_str());
            return;
        }
        for (s32 i = 0; i < WARM_CYCLES; ++i)
            fleet.Cycle();
        f64 total = 0.0;
        for (auto _ : _state) {
            const f64 start = ThreadSeconds();
            fleet.Cycle();
            const f64 seconds = ThreadSeconds() - start;
            total += seconds;
            _state.SetIterationTime(seconds);
        }
        const f64 cycles = (f64)_state.iterations();
        if (cycles == 0.0 || total <= 0.0)
            return;
        const f64 updates = (f64)VESSELS * COH_SENSING_PERIOD * cycles / total;
        _state.counters["updates_per_second"] = updates;
        _state.counters["ms_per_cycle"] = total / cycles * 1000.0;
        if (!_active)
            s_idleUpdatesPerSecond = updates;
        else if (s_idleUpdatesPerSecond > 0.0)
            _state.counters["vs_idle"] = updates / s_idleUpdatesPerSecond;
    } catch (const OS_FatalError& error) {
        _state.SkipWithError((std::string(error.Caption()) + ": " + error.Message()).c_str());
    }
}

void BM_BehavioursIdle(benchmark::State& _state) { Run(_state, false); }
void BM_BehavioursActive(benchmark::State& _state) { Run(_state, true); }
// A fixed number of cycles: in the idle scene every bullet hits a vessel at rest, and a long run
// of that outgrows the 128-byte block pool.
BENCHMARK(BM_BehavioursIdle)->UseManualTime()->Iterations(CYCLES)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BehavioursActive)->UseManualTime()->Iterations(CYCLES)->Unit(benchmark::kMillisecond);
}  // namespace
