// Projectiles in a run: the spawner's prototypes, copied, launched and stepped with the real
// collision system, on the tests' run objects (TST_SpawnWorld: recording display, cache,
// spawner, driver) over a terrain built in memory, the camera high over it looking down and
// every emitter's reject distance long enough to take in the whole ground (see
// Range::WriteNearEmitters).
//
// BM_ProjectileStep: 1,000 bullets of the seven types (each with its trail son; the driver's
// pool holds 64 trails, so only some draw one) and 50 homing torpedoes among 25 targets over
// rolling ground. Eight gunners on a ring fire at the targets, a quarter of the bullets at the
// ground below them, and keep both numbers up before every step (the top-up is not timed).
// One iteration is one simulation step as the run takes it; its time is main-thread CPU.
// Counters: steps_per_second, ms_per_step, collision_share (the camera copy and the collision
// pass, up to the first heartbeat, over the whole step), the mean numbers of bullets, bullets
// holding a trail of the pool, torpedoes, torpedoes with a target and nodes under "/garbage",
// and the spawns the top-up makes per step.
// BM_Spawn/<kind>: one spawn of the kind per iteration (bullet type 1 with its trail, emitter
// type 0, debris type 0 with its emitters and debris child, a shrapnel piece with its smoke, a
// homing torpedo, a buzzer); every four spawns leave the simulation and are deleted untimed, so
// the trail and particle pools never run dry. Counter us_per_spawn (main-thread CPU).
// BM_SpawnBulletAgainstByName: SpawnBullet against a bullet created by class name, read from
// its description and launched as the spawner launches its copies, interleaved; counters
// us_spawn, us_by_name and by_name_over_spawn, which does not depend on the machine.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app_register.h"
#include "bench_common.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_bullet.h"
#include "nod_buzzer.h"
#include "nod_debris.h"
#include "nod_particleemitter.h"
#include "nod_shrapnel.h"
#include "nod_torpedo.h"
#include "nod_trail.h"
#include "spawn_fixture.h"
#include "target_fixture.h"
#include "tools_ash.h"
#include "tools_mesh.h"
#include "tools_patch.h"
#include "tools_projectiles.h"
#include "tools_spawner.h"

namespace
{
using bench_common::Random;
using bench_common::TempDir;
using bench_common::ThreadSeconds;

constexpr s32 BULLETS = 1000;
constexpr s32 TORPEDOES = 50;
constexpr s32 TARGET_ROWS = 5;  // 25 targets: two torpedo slots each hold all 50 torpedoes
constexpr s32 GUNNERS = 8;
constexpr s32 BULLET_TYPES = 7;
constexpr s32 HOMING_TORPEDO = 1;
// Five seconds: the first volleys have flown their life, their trails and impact emitters have
// faded under "/garbage", and the numbers there have settled.
constexpr s32 WARM_STEPS = 100;
constexpr s32 BATCH = 4;
constexpr s32 SHRAPNEL_PIECES = 4;
constexpr f32 TWO_PI = 6.2831853f;

// Facing along _direction (need not be unit length) from _position.
MAT_Matrix34 Facing(const MAT_Vector3& _position, const MAT_Vector3& _direction)
{
    const f32 flat = std::sqrt(_direction.x * _direction.x + _direction.y * _direction.y);
    MAT_Matrix34 frame;
    frame.r.FromAngles(MAT_Angle(std::atan2(-_direction.x, _direction.y)), MAT_Angle(std::atan2(_direction.z, flat)),
                       MAT_Angle(0.0f));
    frame.t = _position;
    return frame;
}

// Out of the simulation, then deleted with its sons: the trail and particle pools get back
// what the node held.
void Discard(NOD_Node* _node)
{
    delete _node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    delete _node;
}

// The run's objects with the spawner over 1280 x 1280 units of rolling ground (2 to 18 high,
// tiles that repeat seamlessly), the targets' hull and a body visual of four shrapnel pieces;
// gunners and targets are added on request.
class Range
{
public:
    Range()
    {
        bench_common::RegisterModulesOnce();
        if (!m_dir.Made()) {
            m_error = "no working directory";
            return;
        }
        m_dir.Write("vfx/col/target.col", TST_TargetHullText());
        WritePieces();
        TST_WriteSpawnerFiles(m_dir);
        WriteNearEmitters();
        try {
            world.reset(new TST_SpawnWorld(m_dir, false));
        } catch (const OS_FatalError& error) {
            m_error = std::string(error.Caption()) + ": " + error.Message();
            return;
        }
        TST_BuildTerrain(m_terrain, 4, 33, {-640.0f, -640.0f, 0.0f}, {10.0f, 10.0f, 0.1f}, [](s32 _x, s32 _y) {
            const f32 wave = std::sin((f32)_x * TWO_PI / 32.0f) * std::cos((f32)_y * TWO_PI / 32.0f);
            return (u16)(100.0f + 80.0f * wave);
        });
        world->scene->simulation->terrainCell->terrain = &m_terrain;
        // High over the middle, looking down: the whole ground is in view.
        world->camera->GetCS().SetTransform(world->Now(),
                                            Facing(MAT_Vector3(0.0f, 0.0f, 800.0f), MAT_Vector3(0.0f, 0.0f, -1.0f)));
        visual = world->cache->GetVisualCache()->Allocate("pieces.ash", 1);
    }
    ~Range()
    {
        if (world == nullptr)
            return;
        // The pieces go with the tree before the visual is given back.
        delete world->scene;
        world->scene = nullptr;
        if (visual != 0)
            world->cache->GetVisualCache()->Release(visual);
        world.reset();
    }
    Range(const Range&) = delete;
    Range& operator=(const Range&) = delete;

    // Empty when the run's objects were made.
    const std::string& Error() const { return m_error; }
    Brisel_Spawn* Spawn() const { return world->Spawn(); }

    // A body in the simulation under the root that fires and never collides.
    TST_OwnerBody* Gunner(const MAT_Vector3& _position)
    {
        TST_OwnerBody* gunner = new TST_OwnerBody(TST_FrameAt(_position));
        Enter(gunner);
        return gunner;
    }
    // A loud, still target in the simulation under the root.
    TST_Target* Target(const MAT_Vector3& _position)
    {
        TST_Target* target = new TST_Target(TST_FrameAt(_position), MAT_Vector3());
        target->MakeParts("loud");
        Enter(target);
        return target;
    }

    std::unique_ptr<TST_SpawnWorld> world;
    s32 visual = 0;

private:
    void Enter(NOD_Node* _node)
    {
        world->root->AddSon(_node);
        delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    }
    // The spawner's emitters, every one of them near enough to the camera to emit at its own
    // rate. One farther off, or out of view, emits at the remote rate, a particle every 100 s,
    // and when it fades it waits under "/garbage" until the next particle it would have made
    // could have died: impacts away from the camera pile up there, and those of a thousand
    // bullets run the 128-byte memory segments out within seconds.
    void WriteNearEmitters() const
    {
        for (s32 type = 0; type < Brisel_Spawn::EMITTER_TYPES; ++type) {
            TOOL_EmitterNodeDescription emitter = TOOL_SpawnerEmitter(type);
            emitter.emitter.rejectDistance = 2000.0f;
            m_dir.Write(std::string("vfx/") + TOOL_SpawnerEmitterFile(type), TOOL_EmitterNodeDescriptionText(emitter));
        }
    }

    // A 2 x 2 grid cut into four pieces of two triangles each; which two does not matter here.
    void WritePieces() const
    {
        m_dir.Write("vfx/msh/pieces.msh", TOOL_MeshText(TOOL_MeshGrid(2, 2, 1)));
        TOOL_Patch patch;
        for (s32 piece = 0; piece < SHRAPNEL_PIECES; ++piece) {
            patch.patches.push_back({2 * piece, 2, 0.0f, {}, {}});
            for (s32 k = 0; k < 2; ++k) {
                TOOL_PatchTriangle triangle;
                triangle.triangle = 2 * piece + k;
                patch.triangles.push_back(triangle);
            }
        }
        m_dir.Write("vfx/top/pieces.top", TOOL_PatchText(patch));
        TOOL_Ash ash;
        ash.m0 = "pieces.msh";
        ash.d0 = 1000.0f;
        ash.shrapnel = TOOL_AshShrapnel{"pieces.msh", "vfx\\top\\pieces.top", SHRAPNEL_PIECES};
        m_dir.Write("vfx/ash/pieces.ash", TOOL_AshText(ash));
    }

    TempDir m_dir;
    MRT_Terrain m_terrain;  // outlives the driver that reads it
    std::string m_error;
};

// The body in a fresh run; a fatal error of the engine ends the benchmark with its text, not the
// program.
void InRange(benchmark::State& _state, const std::function<void(benchmark::State&, Range&)>& _body)
{
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    try {
        Range range;
        if (!range.Error().empty()) {
            _state.SkipWithError(range.Error().c_str());
            return;
        }
        _body(_state, range);
    } catch (const OS_FatalError& error) {
        _state.SkipWithError((std::string(error.Caption()) + ": " + error.Message()).c_str());
    }
}

// A node that notes the main thread's CPU clock when the step's heartbeats reach it: as the
// root's first son, the end of the collision pass.
class StepProbe : public NOD_Node
{
public:
    void HeartBeat() override { seconds = ThreadSeconds(); }
    f64 seconds = 0.0;
};

// The bullets and torpedoes as they stand, counted between steps.
struct Census
{
    s32 bullets = 0;
    s32 trails = 0;  // bullets whose trail holds one of the pool's trails
    s32 torpedoes = 0;
    s32 homing = 0;   // torpedoes with a target
    s32 garbage = 0;  // released trails and fading emitters under "/garbage"
};

class Battle
{
public:
    explicit Battle(Range& _range) : m_range(_range)
    {
        TST_SpawnWorld& world = *_range.world;
        // The probe first, then the camera and "garbage" as the run orders them.
        m_probe = new StepProbe();
        world.root->SubSon(world.camera);
        world.root->SubSon(world.garbage);
        world.root->AddSon(m_probe);
        world.root->AddSon(world.camera);
        world.root->AddSon(world.garbage);
        const f32 spacing = 60.0f;
        const f32 corner = -0.5f * spacing * (f32)(TARGET_ROWS - 1);
        for (s32 row = 0; row < TARGET_ROWS; ++row)
            for (s32 column = 0; column < TARGET_ROWS; ++column)
                m_targets.push_back(
                    _range.Target(MAT_Vector3(corner + spacing * (f32)column, corner + spacing * (f32)row, 60.0f)));
        for (s32 i = 0; i < GUNNERS; ++i) {
            const f32 angle = TWO_PI * (f32)i / (f32)GUNNERS;
            m_gunners.push_back(_range.Gunner(MAT_Vector3(220.0f * std::cos(angle), 220.0f * std::sin(angle), 60.0f)));
        }
    }

    // Fires until BULLETS bullets and TORPEDOES torpedoes fly, at most _bulletsAtMost bullets;
    // returns the spawns made.
    s32 TopUp(s32 _bulletsAtMost)
    {
        const Census census = Count();
        s32 spawns = 0;
        for (s32 i = census.bullets; i < BULLETS && spawns < _bulletsAtMost; ++i, ++spawns)
            FireBullet();
        for (s32 i = census.torpedoes; i < TORPEDOES; ++i, ++spawns)
            FireTorpedo();
        return spawns;
    }

    Census Count() const
    {
        Census census;
        census.garbage = m_range.world->garbage->GetNumOfSons();
        NOD_Node* root = m_range.world->root;
        for (s32 i = 0; i < root->GetNumOfSons(); ++i) {
            NOD_Node* son = root->GetSon(i);
            if (NOD_Bullet* bullet = NOD_Bullet::DynamicCast(son)) {
                ++census.bullets;
                for (s32 k = 0; k < bullet->GetNumOfSons(); ++k) {
                    const NOD_Trail* trail = NOD_Trail::DynamicCast(bullet->GetSon(k));
                    if (trail != nullptr && trail->GetTrailId() >= 0)
                        ++census.trails;
                }
            } else if (NOD_Torpedo* torpedo = NOD_Torpedo::DynamicCast(son)) {
                ++census.torpedoes;
                if (torpedo->GetTarget() != nullptr)
                    ++census.homing;
            }
        }
        return census;
    }

    f64 ProbeSeconds() const { return m_probe->seconds; }

private:
    NOD_Body* NextGunner() { return m_gunners[(size_t)(m_shots++ % GUNNERS)]; }
    MAT_Vector3 Where(NOD_Body* _body) const { return _body->GetWorldTransform(m_range.world->Now())->t; }

    // Somewhere in a 40-unit cube around the gunner: shots from one point would meet at once.
    MAT_Vector3 Muzzle(NOD_Body* _gunner)
    {
        MAT_Vector3 at = Where(_gunner);
        at.x += m_random.Between(-20.0f, 20.0f);
        at.y += m_random.Between(-20.0f, 20.0f);
        at.z += m_random.Between(-20.0f, 20.0f);
        return at;
    }

    // At a random target, or a quarter of the time at the ground under it, a few units off.
    void FireBullet()
    {
        NOD_Body* gunner = NextGunner();
        MAT_Vector3 aim = Where(m_targets[(size_t)(m_random.Next() * (f32)m_targets.size()) % m_targets.size()]);
        aim.x += m_random.Between(-8.0f, 8.0f);
        aim.y += m_random.Between(-8.0f, 8.0f);
        aim.z = m_shots % 4 == 0 ? 0.0f : aim.z + m_random.Between(-8.0f, 8.0f);
        const MAT_Vector3 from = Muzzle(gunner);
        m_range.Spawn()->SpawnBullet(m_shots % BULLET_TYPES, gunner, Facing(from, aim - from));
    }

    // Launched towards the next target in turn, as a launcher does: counted in its slots while
    // they have room.
    void FireTorpedo()
    {
        NOD_Body* gunner = NextGunner();
        TST_Target* target = m_targets[(size_t)(m_torpedoShots++ % (s32)m_targets.size())];
        const MAT_Vector3 from = Muzzle(gunner);
        NOD_Torpedo* torpedo = m_range.Spawn()->SpawnTorpedo(HOMING_TORPEDO, gunner, Facing(from, Where(target) - from),
                                                             MAT_Vector3(), target);
        target->GetTorpedoSlots()->Add(torpedo);
    }

    Range& m_range;
    StepProbe* m_probe = nullptr;
    std::vector<TST_Target*> m_targets;
    std::vector<NOD_Body*> m_gunners;
    Random m_random{4357u};
    s32 m_shots = 0;
    s32 m_torpedoShots = 0;
};

void ProjectileSteps(benchmark::State& _state, Range& _range)
{
    Battle battle(_range);
    // The first volleys come in over a bullet's life, so that the deaths of age spread over the
    // steps; then the gunners keep the numbers up until the garbage of hits and deaths has
    // settled.
    const s32 lifeSteps = (s32)std::ceil(NOD_Bullet::LIFE_TIME / SIM_STEP);
    for (s32 step = 0; step < WARM_STEPS; ++step) {
        battle.TopUp(step < lifeSteps ? BULLETS / lifeSteps + 1 : BULLETS);
        _range.world->Step();
    }
    f64 stepSeconds = 0.0;
    f64 collisionSeconds = 0.0;
    s64 spawns = 0;
    Census sum;
    for (auto _ : _state) {
        spawns += battle.TopUp(BULLETS);
        const Census census = battle.Count();
        sum.bullets += census.bullets;
        sum.trails += census.trails;
        sum.torpedoes += census.torpedoes;
        sum.homing += census.homing;
        sum.garbage += census.garbage;
        const f64 start = ThreadSeconds();
        _range.world->Step();
        const f64 seconds = ThreadSeconds() - start;
        stepSeconds += seconds;
        collisionSeconds += battle.ProbeSeconds() - start;
        _state.SetIterationTime(seconds);
    }
    const f64 steps = (f64)_state.iterations();
    if (steps == 0.0 || stepSeconds <= 0.0)
        return;
    _state.counters["steps_per_second"] = steps / stepSeconds;
    _state.counters["ms_per_step"] = stepSeconds * 1000.0 / steps;
    _state.counters["collision_share"] = collisionSeconds / stepSeconds;
    _state.counters["bullets"] = (f64)sum.bullets / steps;
    _state.counters["trails_held"] = (f64)sum.trails / steps;
    _state.counters["torpedoes"] = (f64)sum.torpedoes / steps;
    _state.counters["homing"] = (f64)sum.homing / steps;
    _state.counters["garbage"] = (f64)sum.garbage / steps;
    _state.counters["spawns_per_step"] = (f64)spawns / steps;
}

void BM_ProjectileStep(benchmark::State& _state) { InRange(_state, ProjectileSteps); }
BENCHMARK(BM_ProjectileStep)->UseManualTime()->Unit(benchmark::kMillisecond);

enum Kind : s32
{
    KIND_BULLET,
    KIND_EMITTER,
    KIND_DEBRIS,
    KIND_SHRAPNEL,
    KIND_TORPEDO,
    KIND_BUZZER,
};

// Spawns of one kind from a gunner 50 units up, each placed a little apart.
class Spawner
{
public:
    Spawner(Range& _range, Kind _kind) : m_range(_range), m_kind(_kind)
    {
        m_owner = _range.Gunner(MAT_Vector3(0.0f, 0.0f, 50.0f));
    }

    NOD_Node* SpawnOne(s32 _index)
    {
        const MAT_Matrix34 frame = TST_FrameAt(MAT_Vector3(2.0f * (f32)_index, 20.0f, 50.0f));
        Brisel_Spawn* spawn = m_range.Spawn();
        switch (m_kind) {
        case KIND_BULLET:
            return spawn->SpawnBullet(1, m_owner, frame);
        case KIND_EMITTER:
            return spawn->SpawnEmitter(0, m_owner, TST_FrameAt(MAT_Vector3(0.0f, 2.0f, 0.0f)));
        case KIND_DEBRIS: {
            Brisel_DebrisLaunch launch;
            launch.velocity = MAT_Vector3(0.0f, 5.0f, 10.0f);
            return spawn->SpawnDebris(0, frame, launch);
        }
        case KIND_SHRAPNEL:
            return spawn->SpawnShrapnel(m_range.visual, _index % SHRAPNEL_PIECES, frame, MAT_Vector3(0.0f, 5.0f, 0.0f),
                                        MAT_Vector3(0.0f, 20.0f, 48.0f), MAT_Vector3());
        case KIND_TORPEDO:
            return spawn->SpawnTorpedo(HOMING_TORPEDO, m_owner, frame, MAT_Vector3(), nullptr);
        case KIND_BUZZER:
            return spawn->SpawnBuzzer(m_owner, frame, 3.0f, MAT_Vector3(1.0f, -2.0f, 0.5f));
        }
        return nullptr;
    }

private:
    Range& m_range;
    Kind m_kind;
    NOD_Body* m_owner = nullptr;
};

void Spawns(benchmark::State& _state, Range& _range, Kind _kind)
{
    Spawner spawner(_range, _kind);
    NOD_Node* made[BATCH] = {};
    s32 count = 0;
    f64 seconds = 0.0;
    for (auto _ : _state) {
        const f64 start = ThreadSeconds();
        made[count] = spawner.SpawnOne(count);
        const f64 spawn = ThreadSeconds() - start;
        seconds += spawn;
        _state.SetIterationTime(spawn);
        if (made[count] == nullptr) {
            _state.SkipWithError("the spawner made nothing");
            break;
        }
        if (++count < BATCH)
            continue;
        for (NOD_Node* node : made)
            Discard(node);
        count = 0;
    }
    for (s32 i = 0; i < count; ++i)
        Discard(made[i]);
    if (_state.iterations() > 0)
        _state.counters["us_per_spawn"] = seconds * 1e6 / (f64)_state.iterations();
}

void BM_Spawn(benchmark::State& _state, Kind _kind)
{
    InRange(_state, [_kind](benchmark::State& _inner, Range& _range) { Spawns(_inner, _range, _kind); });
}
BENCHMARK_CAPTURE(BM_Spawn, bullet, KIND_BULLET)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Spawn, emitter, KIND_EMITTER)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Spawn, debris, KIND_DEBRIS)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Spawn, shrapnel, KIND_SHRAPNEL)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Spawn, torpedo, KIND_TORPEDO)->UseManualTime()->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_Spawn, buzzer, KIND_BUZZER)->UseManualTime()->Unit(benchmark::kMicrosecond);

// The bullet the spawner avoids making: created by class name and read from its description
// (its trail son with it), then launched as the spawner launches its copies.
NOD_Bullet* BulletByName(s32 _type, NOD_Node* _owner, const MAT_Matrix34& _frame)
{
    NOD_Bullet* bullet = NOD_Bullet::DynamicCast(NOD_Node::CreateNode("NOD_Bullet", "bullet"));
    bullet->ParseIniFile_File(TOOL_SpawnerBulletFile(_type));
    const MAT_Vector3 velocity = _frame.r.GetY() * bullet->GetVMax();
    bullet->GetCS().GetTrack().SetTransform(SIM_GetSimulationClock().time, _frame, velocity);
    if (MOT_MotionState* state = bullet->GetAttachedFrame())
        state->SetMatrix(_frame);
    bullet->GetMotionState().SetVelocity(velocity);
    bullet->SetShooter(_owner);
    bullet->SetBulletType(_type);
    NOD_Node::GetRoot()->AddSon(bullet);
    delete bullet->ProcessMessage(NOD_Node_EnterSimulation::Create());
    return bullet;
}

void BulletPairs(benchmark::State& _state, Range& _range)
{
    NOD_Body* owner = _range.Gunner(MAT_Vector3(0.0f, 0.0f, 50.0f));
    const MAT_Matrix34 frame = TST_FrameAt(MAT_Vector3(0.0f, 20.0f, 50.0f));
    f64 spawnSeconds = 0.0;
    f64 byNameSeconds = 0.0;
    s64 pairs = 0;
    for (auto _ : _state) {
        f64 start = ThreadSeconds();
        NOD_Node* copied = _range.Spawn()->SpawnBullet(1, owner, frame);
        const f64 spawn = ThreadSeconds() - start;
        start = ThreadSeconds();
        NOD_Node* read = BulletByName(1, owner, frame);
        const f64 byName = ThreadSeconds() - start;
        spawnSeconds += spawn;
        byNameSeconds += byName;
        ++pairs;
        _state.SetIterationTime(spawn + byName);
        Discard(copied);
        Discard(read);
    }
    if (pairs == 0 || spawnSeconds <= 0.0)
        return;
    _state.counters["us_spawn"] = spawnSeconds * 1e6 / (f64)pairs;
    _state.counters["us_by_name"] = byNameSeconds * 1e6 / (f64)pairs;
    _state.counters["by_name_over_spawn"] = byNameSeconds / spawnSeconds;
}

void BM_SpawnBulletAgainstByName(benchmark::State& _state) { InRange(_state, BulletPairs); }
BENCHMARK(BM_SpawnBulletAgainstByName)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
