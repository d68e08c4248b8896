// The action behaviours of a gun turret (NOD_Turret_Base), registered in this order: follow,
// patrol, complex attack. Follow keeps the turret pointed at a body for a time; patrol sweeps
// the barrel through random angles for a time; the complex attack chooses targets its sensor
// sees, turns to where its bullets meet them and fires, sweeping while nothing can be taken.
// Follow and patrol only move the turret's angles and never fire; both answer an interruption
// by turning the turret back to its rest angles and sending Turret_FollowOverride.
//
// Angles are the turret's alpha (about its vertical axis) and beta (elevation), in radians;
// the behaviours turn the turret through its aiming interface (BHV_TurretAiming::DynamicCast
// of the owner body). The turret registers them with its record of parts (BHV_Owner: the
// complex attack reads the targets sensor place and the attacker and torpedo slots, which for a
// turret on a vessel or vehicle are the carrier's), gives the complex attack its gun when it
// enters the simulation, and hands the description section "AttackBehaviour", when there is
// one, first to the complex attack and then to the patrol. Bodies chosen at run time are held
// as RTI_Pointer, so a body deleted meanwhile reads null.
//
// A complex attack started before the turret has its gun logs the fact and ends at its first
// step; stopping or interrupting it leaves the missing gun alone.
#pragma once

#include "bhv_inert.h"
#include "bhv_targeting.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"

class BHV_TurretAiming;
class DES_Section;
class NOD_Body;
class NOD_NPC_Gun;

// Turret_ComplexAttack (ends by itself when nothing is left) and Turret_DirectAttack (goes on
// until Turret_DirectAttackStop); Turret_SetPrimaryTarget while current. Defends the body that
// carries the turret: the attacker and torpedo slots are the carrier's.
class BHV_Turret_A_ComplexAttack : public BHV_ActionBehaviour
{
public:
    enum : s32
    {
        // Values of the state field.
        AIM = 0,
        FIRE = 1,
        SWEEP = 2,
        AIM_AT_SHOOTER = 3,
        FIRE_AT_SHOOTER = 4
    };

    BHV_Turret_A_ComplexAttack() = default;

    BHV_DECLARE_OPERATIONS()

    // The turret's gun, given when the turret enters the simulation.
    void SetGun(NOD_NPC_Gun* _gun);
    // The section "AttackBehaviour" of the turret's description: MinimumTimeToStick, the sweep
    // angle keys (degrees, stored as radians in [-pi, pi)) and the sweep waiting times.
    void ParseIniFile(DES_Section& _section);

private:
    // Both starts: the sensor, the interest names, state SWEEP from angles (0, 0).
    void Start(s32 _complex, f32 _range, const SIM_Name* _names);
    void NewSweepPoint(BHV_TurretAiming* _aiming);
    // Leaves the current target's slots, joins _target's, stops the gun, takes _state.
    void Attack(NOD_Body* _target, s32 _state);
    s32 CheckTarget(NOD_Body* _body);
    // 1 while the current target stays: still sensed, and it is a torpedo or no torpedo
    // running at the carrier can be taken.
    s32 KeepsTarget();
    s32 Choose(NOD_Body** _target);
    void AimAndFire(BHV_TurretAiming* _aiming);
    void Sweep(BHV_TurretAiming* _aiming);

    NOD_NPC_Gun* m_gun = nullptr;
    s32 m_complex = 0;            // 1 after Turret_ComplexAttack, 0 after Turret_DirectAttack
    RTI_Pointer m_currentTarget;  // NOD_Body being attacked
    RTI_Pointer m_primaryTarget;  // NOD_Body named by Turret_SetPrimaryTarget
    f32 m_range = 0.0f;           // visibility radius given to the sensor
    s32 m_state = 0;              // AIM ... FIRE_AT_SHOOTER
    SIM_Name m_interestNames[BHV_INTEREST_NAMES];
    f32 m_switchTimer = 0.0f;
    f32 m_minimumTimeToStick = 0.0f;
    f32 m_meanAngleAlpha = 0.0f;
    f32 m_standardDeviationAlpha = 0.0f;
    f32 m_meanAngleBeta = 0.0f;
    f32 m_standardDeviationBeta = 0.0f;
    f32 m_meanWaitingTime = 0.0f;
    f32 m_standardDeviationWaitingTime = 0.0f;
    f32 m_sweepWait = 0.0f;  // seconds left at the current sweep point
    f32 m_sweepAlpha = 0.0f;
    f32 m_sweepBeta = 0.0f;
    s32 m_canAttack = 0;  // 0 after a start without a gun: the first step ends the attack
};

// Turret_Patrol (duration; 0 or less sweeps until interrupted); sends Turret_PatrolFinished.
// Sweeps with its own copy of the complex attack's sweep keys.
class BHV_Turret_A_Patrol : public BHV_ActionBehaviour
{
public:
    BHV_Turret_A_Patrol() = default;

    BHV_DECLARE_OPERATIONS()

    // The section "AttackBehaviour", after the complex attack read it: the six sweep keys.
    void ParseIniFile(DES_Section& _section);

private:
    void NewSweepPoint(BHV_TurretAiming* _aiming);

    f32 m_duration = 0.0f;
    f32 m_elapsed = 0.0f;
    f32 m_meanAngleAlpha = 0.0f;
    f32 m_standardDeviationAlpha = 0.0f;
    f32 m_meanAngleBeta = 0.0f;
    f32 m_standardDeviationBeta = 0.0f;
    f32 m_meanWaitingTime = 0.0f;
    f32 m_standardDeviationWaitingTime = 0.0f;
    f32 m_sweepWait = 0.0f;
    f32 m_sweepAlpha = 0.0f;  // a new patrol continues from the last sweep point
    f32 m_sweepBeta = 0.0f;
};

// Turret_Follow (body, duration; 0 or less follows until interrupted or the body dies); sends
// Turret_FollowFinished and Turret_TargetLost.
class BHV_Turret_A_Follow : public BHV_ActionBehaviour
{
public:
    BHV_Turret_A_Follow() = default;

    BHV_DECLARE_OPERATIONS()

private:
    f32 m_duration = 0.0f;
    f32 m_elapsed = 0.0f;  // advanced only when the duration is above 0
    s32 m_active = 0;      // 1 after a start with a body
    RTI_Pointer m_target;  // NOD_Body followed
};
