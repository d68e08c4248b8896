// Debris: the invisible carrier of an explosion's after-effects. It flies as a free rigid body
// (no collision, nothing drawn), releases the children its description lists at set times after
// it entered the simulation (particle emitters, which it carries along as sons, and further
// debris, thrown off as its siblings in a random cone around its own motion) and is collected
// after its life time.
//
// The children of a parsed description live in the emit table, not among the sons: each entry
// owns its child until it is released, and children never released die with the debris. A
// clone (the spawner's way of making debris) gets clones of the children. Init draws three
// numbers from CRT_Rand (roll, cone, speed) whatever the ranges. A child that is neither debris
// nor emitter is fatal when its time comes. Body_* messages are not taken: they are logged as
// lost. One thread.
#pragma once

#include "mat_matrix.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "nod_body.h"
#include "nod_freeflight.h"
#include "os_types.h"
#include "snd_sampleinfo.h"

// How a released debris leaves its parent: cone and roll ranges in radians, the speed range,
// its spin (pitch, roll, heading rates in radians per second) and its lift (a world
// acceleration). The spawner launches with all zeros.
struct NOD_DebrisEmit
{
    f32 coneMin = 0.0f;
    f32 coneMax = 0.0f;
    f32 rollMin = 0.0f;
    f32 rollMax = 0.0f;
    f32 velocityMin = 0.0f;
    f32 velocityMax = 0.0f;
    MAT_Vector3 velocityRot;
    MAT_Vector3 lift;
};
static_assert(sizeof(NOD_DebrisEmit) == 48, "an emit record is twelve floats");

class NOD_Debris : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Debris)

public:
    // The motion state (translation integrated, incremental turns) and friction along the
    // world axes and on the three rotations; no children.
    NOD_Debris();
    // Deletes the children still held, then the body.
    ~NOD_Debris() override;

    // A new debris with this one's motion, friction, times, name, sample and a clone of each
    // child (held by the new table); no lift until Init.
    NOD_Node* Clone() override;
    // "Debris" (LifeTime, "RigidBody" FrictionT and FrictionR), the children of the "Child"
    // sections with their "Emit<i>" sections, then "sfx\sample\explosion1.sam". A second
    // description replaces the first's children.
    void ParseIniFile_Des(DES_Section& _data) override;
    // Lift, friction, one step, the track, the sons, the releases due, the life-time test.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; the rest goes to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    void Explode() override {}
    // The unit cube around the debris at _time.
    void GetBoundingBox(f32* _box, f32 _time) override;

    // Launches a fresh debris from _frame (world) along _baseVelocity's direction: three draws
    // (roll, cone, speed), the velocity, the spin and lift of _emit, the launch sound.
    void Init(const MAT_Matrix34& _frame, const MAT_Vector3& _baseVelocity, const NOD_DebrisEmit& _emit);

    // The node when it is a debris (or of a derived class), else null; null for null.
    static NOD_Debris* DynamicCast(NOD_Node* _node);

    s32 GetEmitCount() const { return m_emitCount; }
    // The child entry _index holds (null once released); null outside the table.
    NOD_Node* GetEmitChild(s32 _index) const;
    f32 GetEmitTime(s32 _index) const;
    const NOD_DebrisEmit* GetEmit(s32 _index) const;
    f32 GetLifeTime() const { return m_flight.lifeTime; }
    f32 GetStartTime() const { return m_flight.startTime; }
    const MAT_Vector3& GetLift() const { return m_flight.lift; }
    const MOT_MotionState& GetMotionState() const { return m_flight.state; }
    const MOT_Friction& GetFriction() const { return m_flight.friction; }
    const SND_SampleInfo& GetSample() const { return m_sample; }

private:
    struct Entry : MEM_Object
    {
        NOD_Node* child = nullptr;
        f32 time = 0.0f;
        NOD_DebrisEmit emit;
    };

    void ReleaseDue(f32 _time);
    void DeleteEntries();

    NOD_FreeFlight m_flight;
    Entry* m_emits = nullptr;
    s32 m_emitCount = 0;
    SND_SampleInfo m_sample;
};
