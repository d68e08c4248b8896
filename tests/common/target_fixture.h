// A body that launched weapons home on and hit: the test owner of weapons with a hull (a
// vessel's physical description over a box collision tree) and an emitter heard at a chosen
// sound level, registered with the collision system while it is in the simulation and moved
// there every step. Free of the test framework (the fuzzers use it too).
#pragma once

#include <string>

#include "des_file.h"
#include "owner_fixture.h"
#include "tools_file.h"
#include "tools_obbs.h"
#include "tools_sections.h"

// The target's hull: a 10 x 10 x 10 box around its origin.
inline constexpr f32 TST_TARGET_SIZE = 10.0f;

// The contents of "vfx\col\target.col".
inline std::string TST_TargetHullText()
{
    return TOOL_ObbsText(TOOL_ObbsHull(TST_TARGET_SIZE, TST_TARGET_SIZE, TST_TARGET_SIZE, 1, 4, 4));
}

class TST_Target : public TST_OwnerBody
{
public:
    TST_Target(const MAT_Matrix34& _frame, const MAT_Vector3& _velocity) : TST_OwnerBody(_frame, _velocity) {}

    // Reads "Collision" (over "vfx\col\target.col", which must be there) and "Emitter" from
    // "target.des", written into the working directory.
    void MakeParts(const std::string& _soundLevel)
    {
        TOOL_CollisionSection collision;
        collision.collisionDescription = "target.col";
        TOOL_EmitterSection emitter;
        emitter.soundEmissionLevel = _soundLevel;
        TOOL_WriteBytes("target.des",
                        TOOL_CollisionSectionText(collision, TOOL_COLLISION_VESSEL) + TOOL_EmitterSectionText(emitter));
        DES_File file;
        DES_Section root, section;
        file.Open(&root, "target.des");
        root.FindSection(&section, "Collision");
        GetAggregate().GeneratePhysicalVessel(&section, 1, nullptr);
        root.FindSection(&section, "Emitter");
        GetAggregate().GenerateEmitter(&section);
    }

    f32 GetMass() override { return 1.0f; }
    NOD_Message* ProcessMessage(NOD_Message* _message) override
    {
        const f32 now = SIM_GetSimulationClock().time;
        if (_message->GetType() == NOD_Node_EnterSimulation::ID)
            GetAggregate().EnterSimulation(*GetWorldTransform(now), Velocity());
        else if (_message->GetType() == NOD_Node_LeaveSimulation::ID)
            GetAggregate().LeaveSimulation();
        return TST_OwnerBody::ProcessMessage(_message);
    }
    void HeartBeat() override
    {
        TST_OwnerBody::HeartBeat();
        if (!IsInSimulation())
            return;
        const SIM_Clock& clock = SIM_GetSimulationClock();
        GetAggregate().HeartBeat(*GetWorldTransform(clock.time + clock.dt), Velocity());
    }

    BHV_AttackerSlots* GetTorpedoSlots() override
    {
        return keepsTorpedoSlots ? TST_OwnerBody::GetTorpedoSlots() : nullptr;
    }

    MAT_Vector3 Velocity()
    {
        MAT_Vector3 velocity;
        GetVelocity(&velocity);
        return velocity;
    }

    // False: a body nothing may home on.
    bool keepsTorpedoSlots = true;
};
