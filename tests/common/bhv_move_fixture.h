// Fake owners for the movement behaviours: a body with a real motion model of its kind
// (vessel, vehicle or character), the vessel-kind collision parts (a hull tree, an avoider, an
// emitter), every movement behaviour of game/behaviour registered in its action slot (tests of
// higher folders register theirs after it), and a script thread that
// records what the behaviours send it. The simulation driver is made and published for the
// generator and the terrain cell; the body steps on the simulation clock without the collision
// pass (tests set the contacts and hits of a step themselves).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bhv_attackerslots.h"
#include "bhv_behaviourlist.h"
#include "bhv_goto.h"
#include "bhv_owner.h"
#include "bhv_patrol.h"
#include "bhv_stop.h"
#include "brisel_simulation.h"
#include "coh_avoid.h"
#include "coh_physical.h"
#include "coh_sense.h"
#include "coh_shadow.h"
#include "contactaggregate.h"
#include "cos_collisionsystem.h"
#include "cos_obbs_treecache.h"
#include "des_fixture.h"
#include "mot_oldone.h"
#include "mot_vehicle.h"
#include "mot_vessel.h"
#include "nod_body.h"
#include "nod_bodyclasses.h"
#include "nod_message.h"
#include "nod_path.h"
#include "nod_patrolarea.h"
#include "nod_position.h"
#include "pcs_handlers.h"
#include "rti_class.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_obbs.h"
#include "tools_sections.h"

enum TST_MoveKind : s32
{
    TST_MOVE_VESSEL = 0,
    TST_MOVE_VEHICLE = 1,
    TST_MOVE_CHARACTER = 2
};

// A message as the script thread got it: "<id>" and its arguments (names, u8 and f32 values)
// separated by blanks.
inline std::string TST_MessageText(NOD_Message* _message)
{
    std::string text = std::to_string(_message->GetType());
    const NOD_MessagePrototype* prototype = NOD_MessagePrototype::Find(_message->GetType());
    if (prototype == nullptr)
        return text;
    _message->Reset();
    for (s32 i = 0; i < prototype->GetNumInArgs(); ++i) {
        NOD_ArgValue value;
        NOD_GetArg(_message, prototype->GetInArgType(i), &value);
        if (value.type == NOD_ARG_NAME)
            text += std::string(" ") + value.name.GetName();
        else if (value.type == NOD_ARG_F32)
            text += " " + std::to_string(value.number);
        else
            text += " " + std::to_string(value.integer);
    }
    return text;
}

// The three motion models, a base of the owner so that they exist before the body is handed
// the motion state of one of them.
struct TST_MoveModels
{
    MOT_Vessel vessel;
    MOT_Vehicle vehicle;
    MOT_OldOne character;
};

class TST_MoveOwner : public TST_MoveModels, public NOD_Body
{
public:
    TST_MoveOwner(TST_MoveKind _kind, const TST_TempDir& _dir, TOOL_ControlSection _control = TOOL_ControlSection())
        : NOD_Body(_kind == TST_MOVE_VESSEL    ? &vessel.State
                   : _kind == TST_MOVE_VEHICLE ? &vehicle.State
                                               : &character.State),
          kind(_kind)
    {
        SetName("owner");
        ContactAggregate& aggregate = GetAggregate();
        TST_WithSection(_dir, TOOL_ControlSectionText(_control, TST_KindReader()), "Control", [&](DES_Section* _s) {
            if (_kind == TST_MOVE_VESSEL)
                vessel.Parse(_s);
            else if (_kind == TST_MOVE_VEHICLE)
                vehicle.Parse(_s);
            else
                character.Parse(_s);
        });
        TOOL_CollisionSection collision;
        collision.collisionDescription = "hull";
        TST_WithSection(_dir, TOOL_CollisionSectionText(collision, TOOL_COLLISION_VESSEL), "Collision",
                        [&](DES_Section* _s) {
                            aggregate.GeneratePhysicalVessel(_s, _kind == TST_MOVE_VEHICLE ? 2 : 1, &Model());
                        });
        TST_WithSection(_dir, TOOL_AvoidanceSectionText(TOOL_AvoidanceSection(), TOOL_AVOIDANCE_AVOIDER), "Avoidance",
                        [&](DES_Section* _s) { aggregate.GenerateActiveAvoid(_s); });
        TST_WithSection(_dir, TOOL_EmitterSectionText(TOOL_EmitterSection()), "Emitter",
                        [&](DES_Section* _s) { aggregate.GenerateEmitter(_s); });
        attackers.Allocate(6);

        parts.Fill(this);
        parts.vesselMotion = _kind == TST_MOVE_VESSEL ? &vessel : nullptr;
        parts.vehicleMotion = _kind == TST_MOVE_VEHICLE ? &vehicle : nullptr;
        parts.characterMotion = _kind == TST_MOVE_CHARACTER ? &character : nullptr;
        BHV_ActionBehaviour* const all[] = {&vesselGoto, &vehicleGoto, &characterGoto, &vesselPatrol, &vehiclePatrol,
                                            &park,       &vesselStop,  &vehicleStop,   &sink};
        for (BHV_ActionBehaviour* behaviour : all)
            actions.Register(behaviour, &parts);
        Model().State.flags = 39;
    }

    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        return BHV_DispatchToOwnerChain(this, _message, &GetAggregate(), nullptr, &actions);
    }
    bool IsThreadBound() const override { return bound; }
    NOD_Message* SendToThread(NOD_Message* _message, u32 _queued) override
    {
        if (bound)
            sent.push_back(TST_MessageText(_message) + (_queued != 0 ? "" : " (now)"));
        delete _message;
        return nullptr;
    }
    f32 GetMass() override { return 1.0f; }
    BHV_AttackerSlots* GetAttackerSlots() override { return &attackers; }

    MOT_Model& Model()
    {
        if (kind == TST_MOVE_VESSEL)
            return vessel;
        if (kind == TST_MOVE_VEHICLE)
            return vehicle;
        return character;
    }
    COD_Physical_Vessel& Physical() { return *parts.physical; }

    // Places the body (and its motion state) at rest at _position, heading _heading.
    void Place(const MAT_Vector3& _position, f32 _heading = 0.0f)
    {
        MAT_Matrix34 transform;
        transform.SetPositionAngles(_position, MAT_Angle(_heading), MAT_Angle(), MAT_Angle());
        SetTransform(SIM_GetSimulationClock().time, transform);
        Model().State.SetMatrix(transform);
        Model().State.SetVelocity(MAT_Vector3());
    }

    // Registers the contact parts with the installed collision world (TST_MoveScene::
    // ConnectCollision); from then on each step applies the pass's responses and moves the
    // parts along. The owner leaves the world when it is deleted.
    void EnterWorld()
    {
        GetAggregate().EnterSimulation(*GetWorldTransform(SIM_GetSimulationClock().time), Model().State.GetVelocity());
        inWorld = true;
    }
    ~TST_MoveOwner() override
    {
        if (inWorld)
            GetAggregate().LeaveSimulation();
    }

    // The body's part of a simulation step: the contact responses of the last pass, the
    // controllers' accelerations from the last targets, the current action behaviour, the
    // integration; the body's track then holds the new state one step later.
    void Move()
    {
        const SIM_Clock& clock = SIM_GetSimulationClock();
        MOT_MotionState& state = Model().State;
        if (inWorld)
            GetAggregate().ApplyCollisionResponse(&state);
        if (kind == TST_MOVE_VESSEL) {
            vessel.ControlStep(clock);
        } else if (kind == TST_MOVE_VEHICLE) {
            vehicle.ControlStep(clock);
        } else {
            character.ApplyFrictionOnFreeAxes(clock);
            character.Translation.Step(clock, character.State);
            character.Rotation.Step(clock, character.State);
        }
        actions.Handle();
        state.Integrate(clock);
        GetCS().SetStateWithVelocity(clock.time + clock.dt, state.frame, state.GetVelocity());
        if (inWorld)
            GetAggregate().HeartBeat(state.frame, state.GetVelocity());
    }
    // One step of this owner alone: Move, then the clock one step on.
    void Step()
    {
        Move();
        SIM_Clock& clock = SIM_GetSimulationClock();
        clock.SetTime(clock.time + clock.dt);
    }

    NOD_Message* Send(NOD_Message* _message) { return ProcessMessage(_message); }
    // The messages sent since the last look, then forgets them.
    std::vector<std::string> TakeSent()
    {
        std::vector<std::string> taken;
        taken.swap(sent);
        return taken;
    }

    TST_MoveKind kind;
    BHV_AttackerSlots attackers;
    BHV_Vessel_A_Goto vesselGoto;
    BHV_Vehicle_A_Goto vehicleGoto;
    BHV_PhysicalCharacter_A_Goto characterGoto;
    BHV_Vessel_A_Patrol vesselPatrol;
    BHV_Vehicle_A_Patrol vehiclePatrol;
    BHV_Vehicle_A_PatrolPark park;
    BHV_Vessel_A_Stop vesselStop;
    BHV_Vehicle_A_Stop vehicleStop;
    BHV_Vessel_A_Sink sink;
    BHV_Owner parts;
    BHV_ActionBehaviourSlot actions;
    bool bound = true;
    bool inWorld = false;
    std::vector<std::string> sent;

private:
    TOOL_ControlReader TST_KindReader() const
    {
        return kind == TST_MOVE_VEHICLE ? TOOL_CONTROL_VEHICLE : TOOL_CONTROL_VESSEL;
    }
};

// The scene the owners move in: the simulation driver published (generator, terrain cell), the
// simulation clock at 0, a hull tree for the owners' collision parts, and a root node under
// which owners, paths, positions and patrol areas hang, so the behaviours find them by path.
class TST_MoveScene : public testing::Test
{
protected:
    TST_MoveScene()
    {
        // A test program that registers the classes above the bodies has them already.
        m_registersBodies = RTI_ClassDefinition::Find("NOD_Body") == nullptr;
        if (m_registersBodies)
            NOD_RegisterBodyClasses();
        SIM_GetSimulationClock().Set(0.0f, SIM_STEP);
        m_cache.SetPath("col\\");
        COS_OBBS_Tree_Cache::SetCurrent(&m_cache);
        m_dir.Write("col/hull", TOOL_ObbsText(TOOL_ObbsHull(20.0f, 6.0f, 4.0f, 4, 4, 16)));
        m_simulation = new Brisel_Simulation();
        Brisel_TheSimulation = m_simulation;
        m_root = new NOD_Node();
        m_root->SetName("root");
        NOD_Node::SetRoot(m_root);
    }
    ~TST_MoveScene() override
    {
        ContactAggregate::SetWorld(nullptr);
        Brisel_TheSimulation = nullptr;
        delete m_simulation;  // the tree under the root with it
        NOD_Node::GC_Collect();
        COS_OBBS_Tree_Cache::SetCurrent(nullptr);
        SIM_GetSimulationClock().Reset();
        if (m_registersBodies)
            NOD_UnregisterBodyClasses();
    }

    // An owner of the kind under the root, placed at rest at _position.
    TST_MoveOwner* AddOwner(TST_MoveKind _kind, const MAT_Vector3& _position = MAT_Vector3(), f32 _heading = 0.0f,
                            TOOL_ControlSection _control = TOOL_ControlSection())
    {
        TST_MoveOwner* owner = new TST_MoveOwner(_kind, m_dir, _control);
        m_root->AddSon(owner);
        owner->Place(_position, _heading);
        return owner;
    }
    // A path "name" under the root with one position per point, named "<prefix><index>".
    NOD_Path* AddPath(const char* _name, const std::vector<MAT_Vector3>& _points, f32 _radius = 1.0f,
                      const char* _prefix = "p")
    {
        NOD_Path* path = new NOD_Path();
        path->SetName(_name);
        m_root->AddSon(path);
        for (size_t i = 0; i < _points.size(); ++i) {
            NOD_Position* position = new NOD_Position();
            position->SetName((_prefix + std::to_string(i)).c_str());
            position->SetPosition(_points[i]);
            position->SetRadius(_radius);
            path->AddSon(position);
        }
        return path;
    }
    NOD_PatrolArea* AddArea(const char* _name, const MAT_Vector3& _centre, f32 _radius, f32 _minZ, f32 _maxZ)
    {
        NOD_PatrolArea* area = new NOD_PatrolArea();
        area->SetName(_name);
        m_root->AddSon(area);
        delete area->ProcessMessage(NOD_PatrolArea_SetPosition::Create(_centre));
        delete area->ProcessMessage(NOD_PatrolArea_SetRadius::Create(_radius));
        delete area->ProcessMessage(NOD_PatrolArea_SetMinZ::Create(_minZ));
        delete area->ProcessMessage(NOD_PatrolArea_SetMaxZ::Create(_maxZ));
        return area;
    }
    // Installs the driver's collision system and handlers as the contact parts' world.
    void ConnectCollision()
    {
        m_world.system = m_simulation->collisionSystem;
        m_world.handlers[0] = m_simulation->physicalHandler;
        m_world.handlers[2] = m_simulation->visibleObjectHandler;
        m_world.handlers[3] = m_simulation->viewerHandler;
        m_world.handlers[4] = m_simulation->passiveAvoidHandler;
        m_world.handlers[5] = m_simulation->activeAvoidHandler;
        m_world.handlers[6] = m_simulation->emitterHandler;
        m_world.handlers[7] = m_simulation->sensorHandler;
        m_world.handlers[8] = m_simulation->shadowCasterHandler;
        m_world.handlers[9] = m_simulation->shadowReceiverHandler;
        ContactAggregate::SetWorld(&m_world);
    }
    // A whole simulation step over the owners: the collision pass, each owner's move, the clock.
    void StepWorld(const std::vector<TST_MoveOwner*>& _owners)
    {
        SIM_Clock& clock = SIM_GetSimulationClock();
        m_simulation->collisionSystem->Process(clock);
        for (TST_MoveOwner* owner : _owners)
            owner->Move();
        clock.SetTime(clock.time + clock.dt);
    }

    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }
    std::string Log() const { return m_dir.Exists("log.txt") ? m_dir.Read("log.txt") : std::string(); }

    TST_TempDir m_dir;
    COS_OBBS_Tree_Cache m_cache;
    Brisel_Simulation* m_simulation = nullptr;
    NOD_Node* m_root = nullptr;
    NOD_ContactWorld m_world;
    bool m_registersBodies = false;
};
