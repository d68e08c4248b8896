// The attack of a computer-driven ground vehicle: Vehicle_AttackPatrol makes the vehicle guard a
// patrol area, choose targets among the bodies its attack sensor senses (torpedoes homing on
// it first, then a primary target, whoever just hit it, the best named body), drive to a good
// distance, stand and face the target, and fire its turret's gun while the turret points at
// the target within range. When every candidate has its full number of attackers it circles
// its target without firing (castrated). It ends with Vehicle_AttackOver when no target is
// left, or Vehicle_AttackOverride when another action of the vehicle takes its place.
//
// The behaviour is a member of NOD_Vehicle; its three tactic states are members of the
// behaviour. The vehicle registers it with its record of parts (BHV_Owner: the vehicle motion
// model, the avoider, the targets sensor place as the attack sensor, the vehicle's own attacker
// and torpedo slots), gives it its turret and hands it the description section
// "AttackBehaviour" when there is one. Nodes found or chosen at run time (patrol area,
// targets) and the turret, which can be destroyed before the vehicle, are held as RTI_Pointer,
// so a node deleted during the attack reads null. The turret is aimed, and its gun reached,
// through its aiming interface (BHV_TurretAiming::DynamicCast).
//
// The gun fires for the vehicle while the attack runs: its shooter is saved at the start (the
// field itself, weakly) and put back when the attack ends or is interrupted. A vehicle without
// a living turret chooses, registers and manoeuvres all the same and skips every turret and gun
// call. Without a valid patrol area no target is ever chosen: each step then stops the vehicle.
// Draws come from the simulation driver's generator, only in the castrated goals.
#pragma once

#include "bhv_inert.h"
#include "bhv_targeting.h"
#include "mat_vector.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "sim_name.h"

class BHV_Vehicle_A_Attack;
class DES_Section;
class NOD_Body;
class NOD_Node;

// A tactic state of the vehicle attack. Handle answers the type of the next state or STAY; the
// attack then leaves the current state and enters that one (also when it is the same).
class BHV_Vehicle_AttackState
{
public:
    enum : s32
    {
        ALIGN = 0,
        STICK = 1,
        CASTRATED = 2,
        STAY = 3
    };

    virtual s32 GetType() = 0;
    // Stores the attack and prepares the state.
    virtual void Enter(BHV_Vehicle_A_Attack* _attack) = 0;
    // Nothing to undo in any of the three states.
    virtual void Leave() = 0;
    // One step: the type of the next state, or STAY.
    virtual s32 Handle() = 0;

    virtual ~BHV_Vehicle_AttackState() = default;

    BHV_Vehicle_AttackState(const BHV_Vehicle_AttackState&) = delete;
    BHV_Vehicle_AttackState& operator=(const BHV_Vehicle_AttackState&) = delete;

protected:
    BHV_Vehicle_AttackState() = default;
};

// Align: drives into the distance band around the target (backing away when too close), then
// hands over to stick; after AlignMaxTime any distance inside the band's far edge will do.
class BHV_Vehicle_AttackState0 : public BHV_Vehicle_AttackState
{
public:
    BHV_Vehicle_AttackState0() = default;

    s32 GetType() override { return ALIGN; }
    void Enter(BHV_Vehicle_A_Attack* _attack) override;
    void Leave() override;
    s32 Handle() override;

    f32 GetTimer() const { return m_timer; }

private:
    friend class BHV_Vehicle_A_Attack;  // reads the keys into the state

    f32 m_alignMinDistance = 0.0f;
    f32 m_alignMaxDistance = 0.0f;
    f32 m_alignMaxTime = 0.0f;
    f32 m_timer = 0.0f;
    BHV_Vehicle_A_Attack* m_attack = nullptr;
};

// Stick: stands and turns the hull towards where the turret's bullets meet the target, for
// MinimumTimeToStick seconds, then aligns again.
class BHV_Vehicle_AttackState1 : public BHV_Vehicle_AttackState
{
public:
    BHV_Vehicle_AttackState1() = default;

    s32 GetType() override { return STICK; }
    void Enter(BHV_Vehicle_A_Attack* _attack) override;
    void Leave() override;
    s32 Handle() override;

private:
    friend class BHV_Vehicle_A_Attack;

    f32 m_minimumTimeToStick = 0.0f;
    f32 m_timer = 0.0f;
    BHV_Vehicle_A_Attack* m_attack = nullptr;
};

// Castrated: circles the target through random sideways goals at a distance band, without
// firing, until a target decision of the attack ends it.
class BHV_Vehicle_AttackState2 : public BHV_Vehicle_AttackState
{
public:
    BHV_Vehicle_AttackState2() = default;

    s32 GetType() override { return CASTRATED; }
    void Enter(BHV_Vehicle_A_Attack* _attack) override;
    void Leave() override;
    s32 Handle() override;

    const MAT_Vector3& GetGoal() const { return m_goal; }
    f32 GetArrivalRadius() const { return m_arrivalRadius; }

private:
    friend class BHV_Vehicle_A_Attack;

    // A new goal sideways of the vehicle, within the radii around the target.
    void NewGoal();

    f32 m_castratedMeanDist = 0.0f;
    f32 m_castratedDevDist = 0.0f;
    f32 m_castratedStrikeTimeOut = 0.0f;
    f32 m_castratedMinRad = 0.0f;
    f32 m_castratedMaxRad = 0.0f;
    BHV_Vehicle_A_Attack* m_attack = nullptr;
    MAT_Vector3 m_goal;
    f32 m_timer = 0.0f;
    f32 m_speed = 0.0f;
    f32 m_arrivalRadius = 0.0f;
};

// Vehicle_AttackPatrol (no stop message); Vehicle_SetPrimaryTarget while current.
class BHV_Vehicle_A_Attack : public BHV_ActionBehaviour
{
public:
    BHV_Vehicle_A_Attack() = default;

    BHV_DECLARE_OPERATIONS()

    // The vehicle's son "Turm1", null when missing.
    void SetTurret(NOD_Body* _turret);
    // The turret, null when none was given or it died since.
    NOD_Body* GetTurret() const;
    // The section "AttackBehaviour" of the vehicle's description: every key a mandatory float.
    void ParseIniFile(DES_Section& _section);

    // What the tactic states (and tests) read of the running attack.
    NOD_Body* GetCurrentTarget() const;
    NOD_Body* GetPrimaryTarget() const;
    NOD_Node* GetSavedShooter() const;
    f32 GetNormalVelocity() const { return m_normalVelocity; }
    f32 GetSwitchTimer() const { return m_switchTimer; }
    const SIM_Name& GetInterestName(s32 _index) const { return m_interestNames[_index]; }
    // The running tactic state, null before the first target decision, and its type (-1 then).
    const BHV_Vehicle_AttackState* GetCurrentState() const { return m_currentState; }
    s32 GetCurrentStateType() const { return m_currentState != nullptr ? m_currentState->GetType() : -1; }
    const BHV_Vehicle_AttackState0& GetAlignState() const { return m_align; }
    const BHV_Vehicle_AttackState2& GetCastratedState() const { return m_castrated; }

private:
    // Algorithms of the step: the turret aimed and the gun started or stopped; whether a new
    // target decision is due; the choice of a target (its code, the body in *_target).
    void AimAndFire(NOD_Body* _target);
    bool IsDecisionDue();
    s32 SelectTarget(NOD_Body** _target);
    // The end of an attack: gun stopped, its shooter put back, the sensor off.
    void Release();

    RTI_Pointer m_patrolArea;  // NOD_PatrolArea to guard; null without a valid one
    RTI_Pointer m_turret;      // the turret body "Turm1"; null when missing or destroyed
    f32 m_normalVelocity = 0.0f;
    RTI_Pointer m_currentTarget;  // NOD_Body being attacked
    RTI_Pointer m_primaryTarget;  // NOD_Body named by Vehicle_SetPrimaryTarget
    f32 m_range = 0.0f;           // presence radius of the start message
    SIM_Name m_interestNames[BHV_INTEREST_NAMES];
    f32 m_waitingTime = 0.0f;
    f32 m_switchTimer = 0.0f;
    f32 m_coneOfFire = 0.0f;                            // degrees
    RTI_Pointer m_savedShooter;                         // the gun's shooter before the attack, put back after it
    BHV_Vehicle_AttackState* m_currentState = nullptr;  // null until the first target decision
    BHV_Vehicle_AttackState0 m_align;
    BHV_Vehicle_AttackState1 m_stick;
    BHV_Vehicle_AttackState2 m_castrated;
};
