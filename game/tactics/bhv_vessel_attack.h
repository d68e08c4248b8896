// The attack of a computer-driven submarine: Vessel_AttackPatrol makes the vessel guard a patrol
// area, choose targets among the bodies its attack sensor senses (names from the start message,
// a primary target, whoever just hit it), take up attack positions around the target through
// six tactic states, fire its gun inside the cone of fire and launch torpedoes at random
// intervals. It ends with Vessel_AttackOver when no target is left, or Vessel_AttackOverride
// when another action of the vessel takes its place.
//
// The behaviour is a member of NOD_Vessel; its six tactic states are members of the behaviour,
// which steps the current one each simulation step and switches to the state whose type the
// step answers. The vessel registers it with its record of parts (BHV_Owner: the vessel motion
// model, the avoider, the targets sensor place as the attack sensor, the vessel's own attacker
// slots), gives it its gun and torpedo launcher and hands it the description section
// "AttackBehaviour" when there is one. Nodes found or
// chosen at run time (patrol area, targets) are held as RTI_Pointer, so a node deleted during
// the attack reads null. The attack draws on the simulation driver's generator: the torpedo
// interval at the start and after each launch.
#pragma once

#include "bhv_inert.h"
#include "bhv_targeting.h"
#include "mat_vector.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"

class BHV_Vessel_A_Attack;
class DES_Section;
class NOD_Body;
class NOD_NPC_Gun;
class NOD_PatrolArea;
class NOD_TorpedoLauncher;
class SIM_Path;

// The attack position around the target: a side of the target (ahead, left, behind, right) at
// a horizontal distance band and a height band, in the target's frame.
struct BHV_AlignPosition
{
    s32 side = 0;        // 0 ahead of the target, 1 left, 2 behind, 3 right
    f32 offsetX = 0.0f;  // horizontal offset in the target's frame
    f32 offsetY = 0.0f;
    f32 height = 0.0f;  // offset along the target's up axis
    f32 minHeight = 0.0f;
    f32 maxHeight = 0.0f;
    f32 minDistance = 0.0f;      // AlignMinDistance plus the size allowance of both bodies
    f32 maxDistance = 0.0f;      // AlignMaxDistance plus the size allowance
    NOD_Body* target = nullptr;  // the body the position was chosen around

    // Draws a side from the three probabilities (the right side takes what remains) and a place
    // within the height and distance bands around the target.
    void Choose(NOD_Body* _target, NOD_Body* _vessel, f32 _aheadProb, f32 _leftProb, f32 _backProb, f32 _minHeight,
                f32 _maxHeight, f32 _minDistance, f32 _maxDistance);
    // The position in world space, from the target's frame now.
    MAT_Vector3 GetGoal();
    // 1 when the vessel is inside the position's distance band and side sector.
    s32 IsReached(NOD_Body* _vessel);
    // The side a uniform draw _u picks: ahead, left, behind by the three probabilities in turn
    // (each bound included), right for the rest.
    static s32 SideOfDraw(f32 _u, f32 _aheadProb, f32 _leftProb, f32 _backProb);
};

// A tactic state of the vessel attack. Handle answers the type of the next state or STAY; the
// attack then leaves the current state and enters that one (also when it is the same).
class BHV_Vessel_AttackState
{
public:
    enum : s32
    {
        ALIGN = 0,
        ESCAPE = 1,  // afterwards the align state resumes its position
        SIT = 2,
        WAVE = 3,
        ESCAPE_NEW_POSITION = 4,  // afterwards the align state chooses a new position
        CASTRATED = 5,
        STAY = 6
    };

    virtual s32 GetType() = 0;
    // Stores the attack and prepares the state.
    virtual void Enter(BHV_Vessel_A_Attack* _attack) = 0;
    // Undoes what Enter set up.
    virtual void Leave() = 0;
    // One step: the type of the next state, or STAY.
    virtual s32 Handle() = 0;

    virtual ~BHV_Vessel_AttackState() = default;

    BHV_Vessel_AttackState(const BHV_Vessel_AttackState&) = delete;
    BHV_Vessel_AttackState& operator=(const BHV_Vessel_AttackState&) = delete;

protected:
    BHV_Vessel_AttackState() = default;
};

// Align: takes up an attack position on a randomly chosen side of the target, or resumes the
// previous one after an escape; hands over to sit or wave once there.
class BHV_Vessel_AttackState0 : public BHV_Vessel_AttackState
{
public:
    BHV_Vessel_AttackState0() = default;

    s32 GetType() override { return ALIGN; }
    void Enter(BHV_Vessel_A_Attack* _attack) override;
    void Leave() override;
    s32 Handle() override;

private:
    friend class BHV_Vessel_A_Attack;        // reads the keys into the state
    friend class BhvVesselAttackStatesTest;  // the tests set the keys

    f32 m_alignMaxTime = 0.0f;
    f32 m_alignAheadProb = 0.0f;
    f32 m_alignLeftProb = 0.0f;
    f32 m_alignBackProb = 0.0f;
    f32 m_alignRightProb = 0.0f;  // read, not drawn: the right side takes what remains
    f32 m_alignMinHeight = 0.0f;
    f32 m_alignMaxHeight = 0.0f;
    f32 m_alignMinDistance = 0.0f;
    f32 m_alignMaxDistance = 0.0f;
    BHV_Vessel_A_Attack* m_attack = nullptr;
    f32 m_enterTime = 0.0f;  // simulation time of the entry that chose the position
    BHV_AlignPosition m_position;
};

// Escape: breaks away to a random goal, leg after leg while the target keeps the vessel in its
// sights; the align state then resumes its position. Also the base of the escape that makes
// the align state choose anew (type 4), which shares its Leave and Handle.
class BHV_Vessel_AttackState1 : public BHV_Vessel_AttackState
{
public:
    BHV_Vessel_AttackState1() = default;

    s32 GetType() override { return ESCAPE; }
    void Enter(BHV_Vessel_A_Attack* _attack) override;
    void Leave() override;
    s32 Handle() override;

protected:
    friend class BHV_Vessel_A_Attack;
    friend class BhvVesselAttackStatesTest;  // the tests set the keys

    // A new leg: a fresh escape goal for the avoider, the timer restarted, disarmed.
    void StartLeg();

    BHV_Vessel_A_Attack* m_attack = nullptr;
    f32 m_timer = 0.0f;  // seconds of the current leg
    MAT_Vector3 m_goal;
    s32 m_armed = 0;  // 1 once the target lost sight of the vessel during this leg
};

// Sit: stops and keeps its nose on the target for a random time.
class BHV_Vessel_AttackState2 : public BHV_Vessel_AttackState
{
public:
    BHV_Vessel_AttackState2() = default;

    s32 GetType() override { return SIT; }
    void Enter(BHV_Vessel_A_Attack* _attack) override;
    void Leave() override;
    s32 Handle() override;

private:
    friend class BHV_Vessel_A_Attack;
    friend class BhvVesselAttackStatesTest;  // the tests set the keys

    f32 m_sitMeanTime = 0.0f;
    f32 m_sitDevTime = 0.0f;
    BHV_Vessel_A_Attack* m_attack = nullptr;
    f32 m_timer = 0.0f;
    f32 m_duration = 0.0f;
};

// Wave: closes in and backs off again while facing the target, for a fixed time.
class BHV_Vessel_AttackState3 : public BHV_Vessel_AttackState
{
public:
    BHV_Vessel_AttackState3() = default;

    s32 GetType() override { return WAVE; }
    void Enter(BHV_Vessel_A_Attack* _attack) override;
    void Leave() override;
    s32 Handle() override;

private:
    friend class BHV_Vessel_A_Attack;
    friend class BhvVesselAttackStatesTest;  // the tests set the keys

    f32 m_waveTime = 0.0f;
    f32 m_waveStartDist = 0.0f;
    BHV_Vessel_A_Attack* m_attack = nullptr;
    f32 m_timer = 0.0f;
    s32 m_mode = 0;  // 0 back off, 1 close in
};

// Escape after which the align state chooses a new position: the escape with another type and
// the keep-align flag cleared on entry.
class BHV_Vessel_AttackState4 : public BHV_Vessel_AttackState1
{
public:
    BHV_Vessel_AttackState4() = default;

    s32 GetType() override { return ESCAPE_NEW_POSITION; }
    void Enter(BHV_Vessel_A_Attack* _attack) override;
};

// Castrated: every candidate has its full number of attackers; circles the target at a
// distance without firing until a target decision of the attack ends it.
class BHV_Vessel_AttackState5 : public BHV_Vessel_AttackState
{
public:
    BHV_Vessel_AttackState5() = default;

    s32 GetType() override { return CASTRATED; }
    void Enter(BHV_Vessel_A_Attack* _attack) override;
    void Leave() override;
    s32 Handle() override;

private:
    friend class BHV_Vessel_A_Attack;
    friend class BhvVesselAttackStatesTest;  // the tests set the keys

    // A fresh castrated goal for the avoider, the timer restarted.
    void NewGoal();

    f32 m_timer = 0.0f;
    MAT_Vector3 m_goal;
    f32 m_castratedMinRad = 0.0f;
    f32 m_castratedMaxRad = 0.0f;
    BHV_Vessel_A_Attack* m_attack = nullptr;
};

// Vessel_AttackPatrol (no stop message); Vessel_SetPrimaryTarget while current.
class BHV_Vessel_A_Attack : public BHV_ActionBehaviour
{
public:
    BHV_Vessel_A_Attack() = default;

    BHV_DECLARE_OPERATIONS()

    // The vessel's sons "gun" and "torlaunch", each null when missing.
    void SetGun(NOD_NPC_Gun* _gun);
    void SetTorpedoLauncher(NOD_TorpedoLauncher* _launcher);
    // The section "AttackBehaviour" of the vessel's description: every key a mandatory float.
    void ParseIniFile(DES_Section& _section);

    // Goal computations the tactic states share.
    // A random break-away goal; sets the arrival radius.
    MAT_Vector3 ComputeEscapeGoal();
    // A goal around the target between the castrated radii; sets the arrival radius.
    MAT_Vector3 ComputeCastratedGoal();
    // Lifts the point to at least 4 x the vessel's sphere radius above the ground under it.
    void KeepAboveTerrain(MAT_Vector3& _point);
    // BHV_Vessel_AttackState::SIT or WAVE.
    s32 ChooseSitOrWave();
    // 1 when the target's sight sensor sees the vessel.
    s32 IsSeenByTarget();

    // The body attacked (null when none), the running state's type (-1 before the first
    // target decision) and the patrol area, for inspection.
    NOD_Body* GetTarget() const;
    s32 GetStateType() { return m_currentState != nullptr ? m_currentState->GetType() : -1; }
    NOD_PatrolArea* GetPatrolArea() const;
    f32 GetSwitchTimer() const { return m_switchTimer; }
    f32 GetTorpedoTimer() const { return m_torpedoTimer; }
    // Values the description's keys turn into.
    f32 GetConeCosine() const { return m_coneCosine; }
    f32 GetDefensivity() const { return m_defensivity; }
    f32 GetEscapeMean() const { return m_escapeMean; }
    f32 GetEscapeDeviation() const { return m_escapeDeviation; }

private:
    // What the tactic states share (bhv_vessel_attackstates.cpp). The current target, or null.
    NOD_Body* GetStateTarget();
    // BHV_SurfaceDistance between the current target and the vessel (0 without a target).
    f32 GetStateSurfaceDistance();
    // While the cone-timeout flag is 0: one uniform draw at most the defensivity, then the
    // target's sight. Draws only while the flag is 0, senses only after a successful draw.
    s32 PassesBreakAwayTest();
    // The range of the gun's bullets (0 without a gun or spawner).
    f32 GetGunRange();
    // Where a bullet of the gun meets the target (the target itself without a gun or a
    // solution).
    MAT_Vector3 GetBulletAimPoint();
    // Vessel_AttackPatrol: area, sensor, packed names, everything reset.
    void Start(f32 _range, const SIM_Name* _names, const SIM_Path& _path);
    NOD_Body* GetPrimaryTarget() const;
    // Linear speeds held at 0 on the world axes, every other request off.
    void Halt();
    // BHV_CheckTargetInArea and BHV_ChooseTargetInArea with the attack's area, slots, sensor.
    s32 CheckTarget(NOD_Body* _body);
    s32 ChooseTarget(NOD_Body** _target);
    // Whether a new target decision is due; a hit by a shooter may restart the switch timer.
    bool IsDecisionDue();
    // Primary target, then the shooter of this step's hit, then the best sensed body.
    s32 SelectTarget(NOD_Body** _target);
    // The vessel out of the current target's attacker slots.
    void ReleaseTarget();
    // Sensor off and the avoider's ignored body dropped, when the attack ends either way.
    void End();
    // Time in and out of the target's sight; too long in it switches to sit or wave.
    void RunConeTimer(f32 _dt);
    // The gun started and stopped by cone and range, a torpedo when it is due.
    void AimAndFire(NOD_Body* _target, f32 _dt);
    // The state of a type 0 .. 5, else null.
    BHV_Vessel_AttackState* StateOfType(s32 _type);
    // Leaves the current state, enters that of the type (the same one for a type out of range).
    void SwitchTo(s32 _type);

    friend class BHV_Vessel_AttackState0;
    friend class BHV_Vessel_AttackState1;
    friend class BHV_Vessel_AttackState2;
    friend class BHV_Vessel_AttackState3;
    friend class BHV_Vessel_AttackState4;
    friend class BHV_Vessel_AttackState5;
    friend class BhvVesselAttackStatesTest;  // the tests set the keys and the target

    RTI_Pointer m_patrolArea;  // NOD_PatrolArea to guard; null without a valid one
    s32 m_keepAlign = 0;       // 1 while the align state must resume its previous position
    NOD_NPC_Gun* m_gun = nullptr;
    NOD_TorpedoLauncher* m_torpedoLauncher = nullptr;
    f32 m_normalVelocity = 0.0f;  // fraction of the motion model's MovePV
    f32 m_coneCosine = 1.0f;      // cosine of the key ConeOfFire; as for 0 without the section
    f32 m_waveProb = 0.0f;
    RTI_Pointer m_currentTarget;  // NOD_Body being attacked
    RTI_Pointer m_primaryTarget;  // NOD_Body named by Vessel_SetPrimaryTarget
    f32 m_presenceRange = 0.0f;
    SIM_Name m_interestNames[BHV_INTEREST_NAMES];
    f32 m_waitingTime = 0.0f;
    f32 m_switchTimer = 0.0f;
    f32 m_defensivity = 0.0f;      // chance per step of breaking away when seen by the target
    f32 m_escapeMean = 0.0f;       // EscFactor x EscMeanDist
    f32 m_escapeDeviation = 0.0f;  // EscFactor x EscDevDist
    f32 m_escRatio = 0.0f;
    f32 m_escStrikeTimeOut = 0.0f;
    f32 m_allStopDist = 0.0f;
    f32 m_escMaxTimeInCone = 0.0f;
    f32 m_timeSeen = 0.0f;  // seconds in the target's sight cone
    f32 m_timeUnseen = 0.0f;
    s32 m_coneTimeout = 0;  // 1 after the time seen exceeded EscMaxTimeInCone
    f32 m_escBackwardDistance = 0.0f;
    f32 m_arrivalRadius = 0.0f;  // radius within which an escape or castrated goal is reached
    f32 m_torpedoMeanTime = 0.0f;
    f32 m_torpedoDeviation = 0.0f;
    f32 m_torpedoTimer = 0.0f;
    BHV_Vessel_AttackState* m_currentState = nullptr;  // null until the first target decision
    // The tactic states, by type.
    BHV_Vessel_AttackState0 m_align;
    BHV_Vessel_AttackState1 m_escape;
    BHV_Vessel_AttackState2 m_sit;
    BHV_Vessel_AttackState3 m_wave;
    BHV_Vessel_AttackState4 m_escapeNewPosition;
    BHV_Vessel_AttackState5 m_castrated;
};
