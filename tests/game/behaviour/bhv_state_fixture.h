// The world the state behaviours and the targeting functions are tested in: the real collision
// system with its handlers installed as the contact world, hull collision trees, and test-only
// bodies: things that can be perceived (a hull, an emitter, optionally attacker slots and a
// shooter), bullets, and an owner shaped like a vessel or turret that carries every state
// behaviour, steps them in the owner's order and records what it sends to its script thread.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <string>
#include <vector>

#include "bhv_attackerslots.h"
#include "bhv_behaviourlist.h"
#include "bhv_bodystates.h"
#include "bhv_owner.h"
#include "cod_emitter.h"
#include "cod_physical.h"
#include "cod_sensor.h"
#include "contactaggregate.h"
#include "cos_obbs_treecache.h"
#include "cos_world_fixture.h"
#include "des_fixture.h"
#include "mat_fixture.h"
#include "nod_bodyclasses.h"
#include "nod_message.h"
#include "nod_shieldedbody.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_obbs.h"
#include "tools_sections.h"

// A perceivable body: a vessel-kind hull ("hull", 20 x 6 x 4), an emitter, and on request
// attacker and torpedo slots (6 and 2) and a shooter (a bullet's).
class TST_Thing : public NOD_ShieldedBody
{
public:
    SHL_Shield* GetShield() override { return shieldless ? nullptr : NOD_ShieldedBody::GetShield(); }
    BHV_AttackerSlots* GetAttackerSlots() override { return attackers.GetCapacity() > 0 ? &attackers : nullptr; }
    BHV_AttackerSlots* GetTorpedoSlots() override { return torpedoes.GetCapacity() > 0 ? &torpedoes : nullptr; }
    NOD_Node* GetShooter() override { return static_cast<NOD_Node*>(shooter.Get()); }
    f32 GetMass() override { return 1.0f; }

    void HeartBeat() override
    {
        if ((GetFlags() & FLAG_IN_SIMULATION) == 0)
            return;
        // A bullet that hit something is gone after the step, as the engine's bullets are.
        const COD_Physical* physical = GetAggregate().GetPhysical();
        if (physical != nullptr && physical->m_kind == COD_KIND_BULLET && physical->m_contactFlag != 0) {
            Leave();
            NOD_Node::GC_AddNode(this);
            return;
        }
        Track();
        NOD_Node::HeartBeat();
    }
    // Into the simulation at its place (the father's frame carries it when it is a body).
    void Enter()
    {
        if (NOD_Body* father = NOD_Body::DynamicCast(GetFather()))
            GetCS().SetParent(&father->GetCS());
        GetAggregate().EnterSimulation(*GetWorldTransform(SIM_GetSimulationClock().time), velocity);
        SetFlags(GetFlags() | FLAG_IN_SIMULATION);
    }
    void Leave()
    {
        GetAggregate().LeaveSimulation();
        SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
    }
    // Moves to a place from this step on.
    void PlaceAt(f32 _x, f32 _y, f32 _z)
    {
        SetTransform(SIM_GetSimulationClock().time, TST_TranslationFrame(_x, _y, _z));
    }

    MAT_Vector3 velocity;
    BHV_AttackerSlots attackers;
    BHV_AttackerSlots torpedoes;
    RTI_Pointer shooter;
    bool shieldless = false;

protected:
    // The aggregate's boxes for the next pass, at the body's place of the next step.
    void Track()
    {
        const SIM_Clock& clock = SIM_GetSimulationClock();
        if (velocity.LengthSquared() > 0.0f) {
            MAT_Matrix34 next = *GetWorldTransform(clock.time);
            next.t = next.t + velocity * clock.dt;
            SetTransform(clock.time + clock.dt, next);
        }
        GetAggregate().HeartBeat(*GetWorldTransform(clock.time + clock.dt), velocity);
    }
};

// One notification as the owner's script thread received it.
struct TST_Sent
{
    std::string text;  // "Trigger_EnterVisible(boat1)", "Body_KinShieldBarrierReached(0.25)"
    u32 queued = 1;
};

// A vessel- or turret-shaped owner: sensors 1 and 2 beside its hull and emitter, the five state
// behaviours registered (shot hits, sensor, shield guard, enemy-patrol watch, enemy watch), the
// sensor set up with 16, 16, 16, and the owner's step order: state pass 1, the shield contacts,
// state pass 2, the aggregate, the sons. Its thread records every notification.
class TST_StateOwner : public TST_Thing
{
public:
    TST_StateOwner() { SetName("owner"); }

    // After the parts are made: the record, the registration and the sensor's set-up.
    void SetUp()
    {
        GetAggregate().GenerateSensor1();
        GetAggregate().GenerateSensor2();
        GetAggregate().GetSensor1()->SetCapacities(64, 16, 16, 16);
        GetAggregate().GetSensor2()->SetCapacities(64, 16, 16, 16);
        parts.Fill(this);
        states.Register(&shotHits, &parts);
        states.Register(&sensor, &parts);
        states.Register(&guard, &parts);
        states.Register(&patrolWatch, &parts);
        states.Register(&watch, &parts);
        sensor.Init(16, 16, 16);
    }

    void HeartBeat() override
    {
        if ((GetFlags() & FLAG_IN_SIMULATION) == 0)
            return;
        inStep = true;
        states.HandlePass1();
        if (GetAggregate().GetPhysical() != nullptr && GetAggregate().GetPhysical()->m_contactFlag != 0)
            ApplyContactsToShield();
        states.HandlePass2();
        inStep = false;
        Track();
        NOD_Node::HeartBeat();
    }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        return BHV_DispatchToOwnerChain(this, _message, &GetAggregate(), &states, nullptr);
    }
    NOD_Message* SendToThread(NOD_Message* _message, u32 _queued) override
    {
        if (!recording)
            return NOD_Body::SendToThread(_message, _queued);
        TST_Sent sent;
        sent.text = Describe(_message);
        sent.queued = _queued;
        if (_queued == 0 && !inStep)
            sent.text += " outside the step";
        this->sent.push_back(sent);
        delete _message;
        return nullptr;
    }
    // The texts sent since the last look, then forgets them.
    std::vector<std::string> Take()
    {
        std::vector<std::string> texts;
        for (const TST_Sent& s : sent)
            texts.push_back(s.text);
        sent.clear();
        return texts;
    }
    // The message sent to this owner.
    void Send(NOD_Message* _message) { delete ProcessMessage(_message); }

    // "Name(arg, ...)": node references by name ("nil" for none), numbers as %g.
    static std::string Describe(NOD_Message* _message)
    {
        const NOD_MessagePrototype* prototype = NOD_MessagePrototype::Find(_message->GetType());
        std::string text = prototype->GetName();
        text += "(";
        _message->Reset();
        for (s32 i = 0; i < prototype->GetNumInArgs(); ++i) {
            NOD_ArgValue value;
            NOD_GetArg(_message, prototype->GetInArgType(i), &value);
            if (i > 0)
                text += ", ";
            if (value.type == NOD_ARG_NODEREF) {
                const NOD_Node* node = NOD_FromHandle(value.handle);
                text += node != nullptr ? node->GetName().GetName() : "nil";
            } else {
                char number[32];
                std::snprintf(number, sizeof(number), "%g", value.number);
                text += number;
            }
        }
        return text + ")";
    }

    BHV_Owner parts;
    BHV_StateBehaviourList states;
    BHV_Body_S_ShotHits shotHits;
    BHV_Body_S_Sensor sensor;
    BHV_Body_S_ShieldGuard guard;
    BHV_Body_S_WatchEnemiePatrol patrolWatch;
    BHV_Body_S_WatchEnemies watch;
    std::vector<TST_Sent> sent;
    bool recording = true;
    bool inStep = false;
};

// The collision system installed as the contact world, the body classes, the hull tree, the
// clock at 0; a root that owns every body made. Step runs one simulation step as the driver
// does: the collision pass, the bodies' steps, the deletion queue, the clock. Sensing passes
// are steps 0, 10, 20 ...; a sensor switched on registers in the step before one.
class TST_StateWorld : public ::testing::Test, protected TST_CollisionWorld
{
protected:
    TST_StateWorld() : TST_CollisionWorld(3)
    {
        world.system = &system;
        COH_HandlerBase* const handlers[10] = {&physical, nullptr,   &visible, &viewers, &passive,
                                               &active,   &emitters, &sensors, &casters, &receivers};
        for (s32 i = 0; i < 10; ++i)
            world.handlers[i] = handlers[i];
        ContactAggregate::SetWorld(&world);
        NOD_RegisterBodyClasses();
        m_cache.SetPath("col\\");
        COS_OBBS_Tree_Cache::SetCurrent(&m_cache);
        m_dir.Write("col/hull", TOOL_ObbsText(TOOL_ObbsHull(20.0f, 6.0f, 4.0f, 4, 4, 16)));
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        clock = SIM_GetSimulationClock();
        m_root = new NOD_Node();
        m_root->SetName("root");
        NOD_Node::SetRoot(m_root);
    }
    ~TST_StateWorld() override
    {
        LeaveAll(m_root);
        NOD_Node::SetRoot(nullptr);
        delete m_root;
        NOD_Node::GC_Collect();
        ContactAggregate::SetWorld(nullptr);
        COS_OBBS_Tree_Cache::SetCurrent(nullptr);
        NOD_UnregisterBodyClasses();
        SIM_GetSimulationClock().Reset();
    }

    // A thing named _name at a place under _father (the root when null), its parts made:
    // hull (none for _hull false), emitter with _emitter's keys.
    template <class T = TST_Thing>
    T* Make(const char* _name, MAT_Vector3 _at, NOD_Node* _father = nullptr, bool _hull = true,
            const TOOL_EmitterSection& _emitter = TOOL_EmitterSection())
    {
        T* thing = new T();
        thing->SetName(_name);
        (_father != nullptr ? _father : m_root)->AddSon(thing);
        if (_hull) {
            TOOL_CollisionSection keys;
            keys.collisionDescription = "hull";
            TST_WithSection(m_dir, TOOL_CollisionSectionText(keys, TOOL_COLLISION_VESSEL), "Collision",
                            [&](DES_Section* _s) { thing->GetAggregate().GeneratePhysicalVessel(_s, 1, nullptr); });
            TST_WithSection(m_dir, TOOL_EmitterSectionText(_emitter), "Emitter",
                            [&](DES_Section* _s) { thing->GetAggregate().GenerateEmitter(_s); });
        }
        thing->SetTransform(SIM_GetSimulationClock().time, TST_TranslationFrame(_at.x, _at.y, _at.z));
        m_things.emplace_back();
        m_things.back().Set(thing);
        return thing;
    }
    // A thing with attacker slots (and torpedo slots): a possible enemy.
    TST_Thing* MakeEnemy(const char* _name, MAT_Vector3 _at)
    {
        TST_Thing* enemy = Make(_name, _at);
        enemy->attackers.Allocate(6);
        enemy->torpedoes.Allocate(2);
        return enemy;
    }
    // The owner at the origin with slots of its own, set up and entered.
    TST_StateOwner* MakeOwner()
    {
        TST_StateOwner* owner = Make<TST_StateOwner>("owner", {0.0f, 0.0f, 0.0f});
        owner->attackers.Allocate(6);
        owner->torpedoes.Allocate(2);
        owner->SetUp();
        return owner;
    }
    // A bullet fired by _shooter, at _from, flying at _velocity; entered at once.
    TST_Thing* Fire(const char* _name, NOD_Node* _shooter, MAT_Vector3 _from, MAT_Vector3 _velocity)
    {
        TST_Thing* bullet = Make(_name, _from, nullptr, false);
        TST_WithSection(m_dir, TOOL_CollisionSectionText(TOOL_CollisionSection(), TOOL_COLLISION_BULLET), "Collision",
                        [&](DES_Section* _s) { bullet->GetAggregate().GeneratePhysicalBullet(_s); });
        bullet->shooter.Set(_shooter);
        bullet->velocity = _velocity;
        bullet->Enter();
        return bullet;
    }
    // Every thing made so far enters the simulation (the owner's sons after it).
    void EnterAll()
    {
        for (const RTI_Pointer& made : m_things)
            if (TST_Thing* thing = static_cast<TST_Thing*>(made.Get()))
                if ((thing->GetFlags() & NOD_Node::FLAG_IN_SIMULATION) == 0)
                    thing->Enter();
    }

    // Bodies leave the simulation before they are deleted.
    static void LeaveAll(NOD_Node* _node)
    {
        for (s32 i = 0; i < (s32)_node->GetNumOfSons(); ++i)
            LeaveAll(_node->GetSon(i));
        if (TST_Thing* thing = dynamic_cast<TST_Thing*>(_node))
            thing->Leave();
    }

    void Step()
    {
        clock = SIM_GetSimulationClock();
        system.Process(clock);
        m_root->HeartBeat();
        NOD_Node::GC_Collect();
        SIM_Clock& simulation = SIM_GetSimulationClock();
        simulation.SetTime(simulation.time + simulation.dt);
    }
    // Steps up to and including the next sensing step whose sensors registered in time: the
    // step before it registers what was switched on and moves the emitters.
    void StepToSensing()
    {
        do
            Step();
        while (sensors.GetCounter() != 0);
        Step();
    }
    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }

    TST_TempDir m_dir;
    NOD_ContactWorld world;
    COS_OBBS_Tree_Cache m_cache;
    NOD_Node* m_root = nullptr;
    std::deque<RTI_Pointer> m_things;  // in making order; null once deleted
};

using TST_Texts = std::vector<std::string>;
