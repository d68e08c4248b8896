// The state behaviours of bodies: the sensor, the shield guard, the shot-hit watch and the two
// enemy watches. Each is a plain member of its owner, registered in the owner's state list,
// and reports to the script thread bound to the owner.
//
// Set-up: the owner registers each behaviour with its record of parts (BHV_Owner), then calls
// the sensor's Init. The watches read the targets sensor place and the attacker slots of the
// record, the sensor behaviour the perception place. Nodes found at run time through a path are
// held as RTI_Pointer, so a node deleted meanwhile reads null.
//
// Declared ahead of their logic: until filled, the behaviours are inert (bhv_inert.h), so the
// owner logs their messages as lost.
#pragma once

#include "bhv_inert.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"

class SHL_Shield;

// Turns the changes of what the owner's first sensor description perceives (presence,
// acoustic, visibility) into enter and leave notifications; handles the trigger messages that
// set its ranges, cone, sensibility and interest names. Pass 1.
class BHV_Body_S_Sensor : public BHV_Behaviour
{
public:
    BHV_Body_S_Sensor() = default;
    // Releases the three sets and their marks.
    ~BHV_Body_S_Sensor() override;

    BHV_DECLARE_OPERATIONS()

    // Once, at the owner's set-up after registration (16, 16, 16: the list capacities the
    // owner gave the perception sensor description): allocates the sets, clears counts and
    // switches, and prepares the sensor description.
    void Init(s32 _acousticCapacity, s32 _presenceCapacity, s32 _visibleCapacity);

private:
    RTI_Pointer* m_visible = nullptr;   // [visible capacity], the nodes reported as visible
    RTI_Pointer* m_acoustic = nullptr;  // [acoustic capacity], reported as heard
    RTI_Pointer* m_presence = nullptr;  // [presence capacity], reported as present
    s32* m_visibleSeen = nullptr;       // marks of entries still perceived in this step, 0 between steps
    s32* m_acousticSeen = nullptr;
    s32* m_presenceSeen = nullptr;
    s32 m_acousticOn = 0;
    s32 m_visibleOn = 0;
    s32 m_presenceOn = 0;
    SIM_Name m_interestNames[4];  // name prefixes the sensor accepts, packed from the first
    s32 m_capacities[3] = {};     // acoustic, presence, visible
    s32 m_counts[3] = {};         // acoustic, presence, visible
};

// Watches the owner's shield after each step's damage: reports the owner's destruction at
// once and, for each shield kind the script asked about, each fall below its barrier. Pass 2.
class BHV_Body_S_ShieldGuard : public BHV_Behaviour
{
public:
    enum : u32
    {
        KINETIC_REQUESTED = 1u << 0,
        BIO_REQUESTED = 1u << 1,
        EMP_REQUESTED = 1u << 2,
        KINETIC_REPORTED = 1u << 3,
        EMP_REPORTED = 1u << 4,
        BIO_REPORTED = 1u << 5,
        ARMED = 1u << 6
    };

    BHV_Body_S_ShieldGuard() = default;

    BHV_DECLARE_OPERATIONS()

private:
    u32 m_flags = 0;
    f32 m_kineticBarrier = 0.0f;
    f32 m_empBarrier = 0.0f;
    f32 m_bioBarrier = 0.0f;
    SHL_Shield* m_shield = nullptr;  // the owner's shield, taken at activation
};

// Reports each step the projectiles that hit the owner or a body below it, with their
// shooters. Pass 1.
class BHV_Body_S_ShotHits : public BHV_Behaviour
{
public:
    BHV_Body_S_ShotHits() = default;

    BHV_DECLARE_OPERATIONS()
};

// Waits until an enemy (a body with attacker slots) is in sight through the owner's second
// sensor description or works on the owner, reports it once and stops itself. Pass 1.
class BHV_Body_S_WatchEnemies : public BHV_Behaviour
{
public:
    BHV_Body_S_WatchEnemies() = default;

    BHV_DECLARE_OPERATIONS()

private:
    SIM_Name m_interestNames[4];  // packed from the first
};

// Waits until an enemy is present inside a patrol area (or within the presence range when
// there is none), reports it once and stops itself. Pass 1.
class BHV_Body_S_WatchEnemiePatrol : public BHV_Behaviour
{
public:
    BHV_Body_S_WatchEnemiePatrol() = default;

    BHV_DECLARE_OPERATIONS()

private:
    SIM_Name m_interestNames[4];  // packed from the first
    RTI_Pointer m_patrolArea;     // the NOD_PatrolArea found at the start, or null
};
