// The computer-driven ground vehicle: a shielded body moved by its vehicle motion model, which
// drives it along its forward axis and keeps height, pitch and roll on the ground under its
// box; five action behaviours in one exclusive slot, four state behaviours, and an optional
// turret son "Turm1" that does its shooting. It dies without debris when its shield is
// exhausted.
//
// The turret can die before the vehicle: it is held as RTI_Pointer and reads null afterwards
// (the vehicle's own firing cone then). The ground is taken from the run's terrain cell before
// every control step, so a terrain loaded, reloaded or deleted after the set-up is followed.
// Mesh, entry, exit and the non-collision handler are the vessel's (nod_vessel.h). One thread.
#pragma once

#include "bhv_attackerslots.h"
#include "bhv_behaviourlist.h"
#include "bhv_bodystates.h"
#include "bhv_goto.h"
#include "bhv_owner.h"
#include "bhv_patrol.h"
#include "bhv_stop.h"
#include "bhv_vehicle_attack.h"
#include "mot_vehicle.h"
#include "nod_shieldedbody.h"
#include "nod_vessel.h"
#include "rti_pointer.h"

class NOD_Replicator;
class NOD_Turret_Base;

class NOD_Vehicle : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Vehicle)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    // The mass a vehicle and its body sons collide with, whatever the description says.
    static constexpr f32 MASS = 1.0e20f;

    NOD_Vehicle();
    ~NOD_Vehicle() override;
    NOD_Replicator* CreateReplicator() override;

    // Visual, Control, Collision, Avoidance, Emitter, Shield, the optional AttackBehaviour,
    // the sons; then the turret "Turm1", SetUp and the firing cone.
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    // 5002/5003, 14001-14005, Body_SetCS to the body, then the emitter, state list, action
    // slot, body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    void Render() override { m_visual.Render(*this); }
    void GetBoundingBox(f32* _box, f32 _time) override { m_visual.GetBoundingBox(*this, _box, _time); }
    // The living turret's firing cone, else the vehicle's own.
    COD_Sensor* GetSensor() override;
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override;
    BHV_AttackerSlots* GetAttackerSlots() override { return &m_attackers; }
    BHV_AttackerSlots* GetTorpedoSlots() override { return &m_torpedoes; }
    f32 GetMass() override { return MASS; }
    void ApplyContactsToShield() override { ApplyVesselContacts(); }

    static NOD_Vehicle* DynamicCast(NOD_Node* _node);

    MOT_Vehicle& GetModel() { return m_model; }
    const NOD_VesselVisual& GetVisual() const { return m_visual; }
    // The turret "Turm1", null when missing, of another class or dead.
    NOD_Turret_Base* GetTurret() const;
    const BHV_StateBehaviourList& GetStateList() const { return m_states; }
    const BHV_ActionBehaviourSlot& GetActionSlot() const { return m_actions; }
    const BHV_Vehicle_A_Attack& GetAttack() const { return m_attack; }

private:
    void SetUp();
    // The ground the run's terrain node publishes now; null without one.
    static MRT_Terrain* CurrentTerrain();

    NOD_VesselVisual m_visual;
    RTI_Pointer m_turret;
    BHV_AttackerSlots m_attackers;
    BHV_AttackerSlots m_torpedoes;
    MOT_Vehicle m_model;
    BHV_Owner m_parts;
    BHV_ActionBehaviourSlot m_actions;
    BHV_Vehicle_A_Goto m_goto;
    BHV_Vehicle_A_Stop m_stop;
    BHV_Vehicle_A_Patrol m_patrol;
    BHV_Vehicle_A_Attack m_attack;
    BHV_Vehicle_A_PatrolPark m_patrolPark;
    BHV_StateBehaviourList m_states;
    BHV_Body_S_ShotHits m_shotHits;
    BHV_Body_S_Sensor m_sensor;
    BHV_Body_S_ShieldGuard m_shieldGuard;
    BHV_Body_S_WatchEnemiePatrol m_watchEnemiePatrol;
};
