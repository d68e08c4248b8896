// The weapons of computer-driven and player-driven bodies: three small invisible bodies that
// hang as named sons of their owner ("torlaunch", "buzzlaunch", "gun"), know where on the owner
// a projectile starts and have the spawner make it.
//
// - NOD_TorpedoLauncher fires one torpedo of a fixed type, optionally at a target (at most two
//   torpedoes home on one body, counted over all launchers).
// - NOD_BuzzerLauncher ejects one decoy with a random eject speed and random tumbling, drawn
//   from the run's generator.
// - NOD_NPC_Gun, once started, fires bullets in bursts, cycling through up to five firing
//   phases, until it is stopped.
//
// The owner finds them by son name after parsing and sets their owner (the gun's shooter)
// before using them; all three references are weak. None is drawn (render bucket 10), none
// answers the Body_* messages. One thread, inside the step's node pass.
#pragma once

#include <cfloat>

#include "nod_body.h"
#include "rti_pointer.h"

class NOD_Buzzer;
class NOD_Torpedo;

class NOD_TorpedoLauncher : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_TorpedoLauncher)

public:
    NOD_TorpedoLauncher() = default;
    ~NOD_TorpedoLauncher() override;

    // "TorpedoType" (0 "osd/weapon/tor_default.osd", 1 "osd/weapon/tor_homing.osd"; the
    // spawner rejects others when it fires).
    void ParseIniFile_Des(DES_Section& _data) override;
    // Node_EnterSimulation (hung on the father body's frame) and Node_LeaveSimulation.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // A torpedo from here, launched with the owner's velocity, homing on _target when one is
    // given. Nothing (null) when _target has no torpedo slots or none free.
    NOD_Torpedo* Fire(NOD_Node* _target);

    void SetOwner(NOD_Node* _owner) { m_owner.Set(_owner); }
    NOD_Node* GetOwner() const { return static_cast<NOD_Node*>(m_owner.Get()); }
    s32 GetTorpedoType() const { return m_torpedoType; }

    static NOD_TorpedoLauncher* DynamicCast(NOD_Node* _node);

private:
    s32 m_torpedoType = 0;
    RTI_Pointer m_owner;
};

class NOD_BuzzerLauncher : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_BuzzerLauncher)

public:
    NOD_BuzzerLauncher() = default;
    ~NOD_BuzzerLauncher() override;

    // "MeanEjectVelocity", "DevEjectVelocity", "MeanTumblingVelocity", "DevTumblingVelocity".
    void ParseIniFile_Des(DES_Section& _data) override;
    // Node_EnterSimulation (hung on the father body's frame) and Node_LeaveSimulation.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // A buzzer ejected backwards from here. Draws from the run's generator, in this order:
    // three tumble rates A, B, C (normal), a sign each for C, B, A (one half each), then the
    // eject speed (normal). Null outside a run (no draws without its simulation, no buzzer
    // without its spawner).
    NOD_Buzzer* Launch();

    void SetOwner(NOD_Node* _owner) { m_owner.Set(_owner); }
    NOD_Node* GetOwner() const { return static_cast<NOD_Node*>(m_owner.Get()); }
    f32 GetMeanEjectVelocity() const { return m_meanEjectVelocity; }
    f32 GetDevEjectVelocity() const { return m_devEjectVelocity; }
    f32 GetMeanTumblingVelocity() const { return m_meanTumblingVelocity; }
    f32 GetDevTumblingVelocity() const { return m_devTumblingVelocity; }

    static NOD_BuzzerLauncher* DynamicCast(NOD_Node* _node);

private:
    RTI_Pointer m_owner;
    f32 m_meanEjectVelocity = 0.0f;
    f32 m_devEjectVelocity = 0.0f;
    f32 m_meanTumblingVelocity = 0.0f;
    f32 m_devTumblingVelocity = 0.0f;
};

class NOD_NPC_Gun : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_NPC_Gun)

public:
    static constexpr s32 MAX_PHASES = 5;
    // The shot time of a gun that never fired: a pause counts from time 0.
    static constexpr f32 NEVER_SHOT = FLT_MIN;

    NOD_NPC_Gun() = default;
    ~NOD_NPC_Gun() override;

    // "BulletType", "NumOfFieringPhases" (1 to 5), "SingleShotDelay" and the subsections
    // "Phase0" .. with "NumOfShotsToEmit" and "DelayTimeBetweenCycles"; idle afterwards.
    void ParseIniFile_Des(DES_Section& _data) override;
    // Fires while started and in the simulation; neither its track nor its sons are stepped.
    void HeartBeat() override;
    // Node_EnterSimulation (hung on the father's mount frame: a turret's turning part) and
    // Node_LeaveSimulation.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // Fires for the shooter from now on (nothing while the shooter is null); a second start
    // changes nothing.
    void StartFire();
    // Stops at once; the next start begins with phase 0 after the last phase's pause, counted
    // from the last shot.
    void StopFire();

    void SetShooter(NOD_Node* _shooter) { m_shooter.Set(_shooter); }
    NOD_Node* GetShooterNode() const { return static_cast<NOD_Node*>(m_shooter.Get()); }
    NOD_Node* GetFiring() const { return static_cast<NOD_Node*>(m_firing.Get()); }
    s32 GetBulletType() const { return m_bulletType; }
    s32 GetNumOfPhases() const { return m_numOfPhases; }
    f32 GetSingleShotDelay() const { return m_singleShotDelay; }
    s32 GetShotsToEmit(s32 _phase) const { return m_phases[_phase].shots; }
    f32 GetPhaseDelay(s32 _phase) const { return m_phases[_phase].delay; }
    s32 GetCurrentPhase() const { return m_currentPhase; }
    s32 GetShotCounter() const { return m_shotCounter; }
    f32 GetLastShotTime() const { return m_lastShotTime; }

    static NOD_NPC_Gun* DynamicCast(NOD_Node* _node);

private:
    struct Phase
    {
        s32 shots = 0;     // NumOfShotsToEmit
        f32 delay = 0.0f;  // DelayTimeBetweenCycles
    };

    RTI_Pointer m_firing;
    RTI_Pointer m_shooter;
    f32 m_singleShotDelay = 0.0f;
    s32 m_numOfPhases = 0;
    Phase m_phases[MAX_PHASES];
    s32 m_currentPhase = 0;
    s32 m_shotCounter = 0;  // shots of the running burst; -1 between bursts
    f32 m_lastShotTime = NEVER_SHOT;
    s32 m_bulletType = 0;
};
