// A battle, headless: two sides ("red" and "blu") of 15 vessels, 5 vehicles and 5 turrets on
// buildings each, facing each other across one patrol area over a flat terrain, on the tests'
// run objects (TST_ArmedWorld: recording display, cache, spawner, driver). In the attacking
// scene every vessel is sent Vessel_AttackPatrol naming the other side's prefix (its turrets
// Vessel_AttackTurrets), every vehicle Vehicle_AttackPatrol and every building's turret
// Turret_ComplexAttack; in the patrolling scene the same bodies are sent Vessel_Patrol,
// Vehicle_Patrol and Turret_Patrol instead. Shields are strong enough that nothing dies, so both
// scenes keep all their bodies for the whole minute.
//
// BM_Battle: one iteration runs 60 s of scene time (1,200 simulation steps as the run takes
// them: HandleSimulation and the deletion pass) of the patrolling scene, then of the attacking
// one, on main-thread CPU time. Counters: ms_per_step of each scene, their ratio, and the mean
// number of live projectiles (bullets and torpedoes) per step of each.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>
#include <vector>

#include "app_register.h"
#include "armed_fixture.h"
#include "bench_armed.h"
#include "bench_common.h"
#include "nod_bullet.h"
#include "nod_patrolarea.h"
#include "nod_torpedo.h"

namespace
{
using bench_common::ThreadSeconds;

constexpr s32 VESSELS = 15;  // per side
constexpr s32 VEHICLES = 5;
constexpr s32 TURRETS = 5;
constexpr s32 STEPS = 1200;  // 60 s at 20 steps a second
const char* const SIDES[2] = {"red", "blu"};

std::string BuildingText()
{
    TOOL_GenericDescription building;
    building.shield = bench_armed::Armour();
    const f32 top[3] = {0.0f, 0.0f, 5.0f};
    TOOL_TurretDescription turret = bench_armed::Turret("t", TOOL_TURRET_TURRGUN);
    building.children = TOOL_TurretChildText(0, turret, top);
    return TOOL_GenericDescriptionText(building);
}

struct Outcome
{
    f64 msPerStep = 0.0;
    f64 projectiles = 0.0;  // live bullets and torpedoes, mean per step
};

class Battle : public bench_armed::ArmedScene
{
public:
    explicit Battle(bool _attack)
    {
        Field([this, _attack] {
            Populate();
            Order(_attack);
        });
    }

    Outcome Run()
    {
        Outcome outcome;
        f64 seconds = 0.0;
        f64 projectiles = 0.0;
        for (s32 step = 0; step < STEPS; ++step) {
            projectiles += Projectiles(world->root);
            const f64 start = ThreadSeconds();
            world->Step();
            seconds += ThreadSeconds() - start;
        }
        outcome.msPerStep = seconds * 1000.0 / STEPS;
        outcome.projectiles = projectiles / STEPS;
        return outcome;
    }

private:
    void Populate()
    {
        NOD_PatrolArea* area = new NOD_PatrolArea();
        area->SetName("field");
        world->root->AddSon(area);
        delete area->ProcessMessage(NOD_PatrolArea_SetPosition::Create(MAT_Vector3(0.0f, 0.0f, 40.0f)));
        delete area->ProcessMessage(NOD_PatrolArea_SetRadius::Create(560.0f));
        delete area->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(-40.0f));
        delete area->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(120.0f));

        const std::string vessel = bench_armed::VesselText();
        const std::string vehicle = bench_armed::VehicleText();
        const std::string building = BuildingText();
        for (s32 side = 0; side < 2; ++side) {
            // Red along y = -300 facing +y, blue along y = +300 facing -y.
            const f32 sign = side == 0 ? -1.0f : 1.0f;
            const f32 heading = side == 0 ? 0.0f : 3.1415927f;
            const std::string prefix = SIDES[side];
            for (s32 i = 0; i < VESSELS; ++i) {
                const MAT_Vector3 at(-420.0f + 60.0f * (f32)i, sign * 300.0f, 40.0f + 10.0f * (f32)(i % 3));
                m_vessels.push_back(
                    world->Make("NOD_Vessel", prefix + "_v" + std::to_string(i), vessel, TST_HeadingAt(at, heading)));
            }
            for (s32 i = 0; i < VEHICLES; ++i) {
                const MAT_Vector3 at(-300.0f + 150.0f * (f32)i, sign * 380.0f, 1.0f);
                m_vehicles.push_back(
                    world->Make("NOD_Vehicle", prefix + "_c" + std::to_string(i), vehicle, TST_HeadingAt(at, heading)));
            }
            for (s32 i = 0; i < TURRETS; ++i) {
                const MAT_Vector3 at(-360.0f + 180.0f * (f32)i, sign * 460.0f, 0.0f);
                m_buildings.push_back(world->Make("NOD_Generic", prefix + "_b" + std::to_string(i), building,
                                                  TST_HeadingAt(at, heading)));
            }
        }
    }

    // The other side's prefix for body _index of a kind fielded _perSide a side, red first.
    static SIM_Name Enemy(size_t _index, size_t _perSide) { return SIM_Name(SIDES[_index < _perSide ? 1 : 0]); }

    void Order(bool _attack)
    {
        const SIM_Name none;
        const SIM_Path field("/field");
        for (size_t i = 0; i < m_vessels.size(); ++i) {
            const SIM_Name enemy = Enemy(i, VESSELS);
            if (_attack) {
                Send(m_vessels[i], NOD_Vessel_AttackPatrol::Create(600.0f, enemy, none, none, none, field));
                Send(m_vessels[i], NOD_Vessel_AttackTurrets::Create(enemy, none, none, none, none));
            } else {
                Send(m_vessels[i],
                     NOD_Vessel_Patrol::Create(field, 40.0f, 20.0f, 0.5f, 0.2f, 45.0f, 10.0f, 0.0f, 1.0f));
            }
        }
        for (size_t i = 0; i < m_vehicles.size(); ++i) {
            if (_attack)
                Send(m_vehicles[i],
                     NOD_Vehicle_AttackPatrol::Create(600.0f, Enemy(i, VEHICLES), none, none, none, field));
            else
                Send(m_vehicles[i], NOD_Vehicle_Patrol::Create(field, 0.5f, 0.2f, 45.0f, 10.0f, 0.0f));
        }
        for (size_t i = 0; i < m_buildings.size(); ++i) {
            NOD_Node* turret = m_buildings[i]->GetSon(0);
            if (_attack)
                Send(turret, NOD_Turret_Base_ComplexAttack::Create(600.0f, Enemy(i, TURRETS), none, none, none));
            else
                Send(turret, NOD_Turret_Base_Patrol::Create(0.0f));
        }
    }

    static void Send(NOD_Node* _node, NOD_Message* _message) { delete _node->ProcessMessage(_message); }

    static s32 Projectiles(NOD_Node* _node)
    {
        s32 count = NOD_Bullet::DynamicCast(_node) != nullptr || NOD_Torpedo::DynamicCast(_node) != nullptr ? 1 : 0;
        for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
            count += Projectiles(_node->GetSon(i));
        return count;
    }

    // Made at set-up; nothing in the scene deletes them.
    std::vector<NOD_Body*> m_vessels;
    std::vector<NOD_Body*> m_vehicles;
    std::vector<NOD_Body*> m_buildings;
};

bool RunScene(benchmark::State& _state, bool _attack, Outcome& _outcome)
{
    Battle battle(_attack);
    if (!battle.Error().empty()) {
        _state.SkipWithError(battle.Error().c_str());
        return false;
    }
    _outcome = battle.Run();
    return true;
}

void BM_Battle(benchmark::State& _state)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    try {
        Outcome patrol;
        Outcome attack;
        for (auto _ : _state) {
            if (!RunScene(_state, false, patrol) || !RunScene(_state, true, attack))
                return;
            _state.SetIterationTime((patrol.msPerStep + attack.msPerStep) * STEPS / 1000.0);
        }
        _state.counters["ms_per_step_patrol"] = patrol.msPerStep;
        _state.counters["ms_per_step_attack"] = attack.msPerStep;
        _state.counters["attack_over_patrol"] = patrol.msPerStep > 0.0 ? attack.msPerStep / patrol.msPerStep : 0.0;
        _state.counters["projectiles_patrol"] = patrol.projectiles;
        _state.counters["projectiles_attack"] = attack.projectiles;
    } catch (const OS_FatalError& error) {
        _state.SkipWithError((std::string(error.Caption()) + ": " + error.Message()).c_str());
    }
}
BENCHMARK(BM_Battle)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
}  // namespace
