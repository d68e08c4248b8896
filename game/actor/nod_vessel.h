// The computer-driven submarine: a shielded body moved by its vessel motion model, steered by
// seven action behaviours in one exclusive slot and watched by four state behaviours, carrying
// optional launchers ("torlaunch", "buzzlaunch"), a gun ("gun") and turrets as sons. It ejects
// buzzers against homing torpedoes and dies, leaving debris and shrapnel, when its shield is
// exhausted.
//
// Also the parts the vessel shares with the vehicle and the wheel: their mesh (a plain render
// mesh or a body visual, drawn and bounded alike), their entry into and exit from the
// simulation, and the Vessel_NonCollideAvoid / Vehicle_NonCollideAvoid handler.
//
// The behaviours, launchers and gun are found and wired once, at the end of ParseIniFile; the
// sons are held as RTI_Pointer, so a son destroyed before the vessel reads null. One thread.
#pragma once

#include "bhv_attackerslots.h"
#include "bhv_behaviourlist.h"
#include "bhv_bodystates.h"
#include "bhv_escort.h"
#include "bhv_goto.h"
#include "bhv_owner.h"
#include "bhv_patrol.h"
#include "bhv_stop.h"
#include "bhv_vessel_attack.h"
#include "mot_vessel.h"
#include "nod_actormesh.h"
#include "nod_shieldedbody.h"
#include "rti_pointer.h"

class NOD_Replicator;
class Brisel_Mesh;
class COD_Sensor;
class NOD_BuzzerLauncher;
class NOD_NPC_Gun;
class NOD_TorpedoLauncher;
class REB_Mesh;

// The look of a vessel, vehicle or wheel: a plain mesh of "vfx\msh\" or a body visual of
// "vfx\ash\", never both; each handle holds one reference, given back with the holder.
class NOD_VesselVisual
{
public:
    NOD_VesselVisual() = default;
    ~NOD_VesselVisual() { Release(); }
    NOD_VesselVisual(const NOD_VesselVisual&) = delete;
    NOD_VesselVisual& operator=(const NOD_VesselVisual&) = delete;

    // "NameMesh" when the section has it, else "BriselMesh" (mandatory, fatal in the reader);
    // the caches stop the program on a file that does not load or a full table.
    void Parse(DES_Section& _visual, const char* _where);
    void Release();

    s32 GetMeshHandle() const { return m_mesh.GetHandle(); }
    s32 GetVisualHandle() const { return m_visual; }
    // Null for handle 0, a handle outside the table and outside a run.
    REB_Mesh* GetRenderMesh() const;
    Brisel_Mesh* GetVisual() const;

    // The box drawn and bounded (min xyz, max xyz in the body's frame): the plain mesh's, else
    // the body visual's level-0 geometry. Answers false (and a point box at the origin) without
    // either.
    bool GetLocalBox(f32 _box[6]) const;
    // The box the contact parts take: the plain mesh's, else the body visual's collision mesh,
    // else (a visual without "CMesh") its level-0 geometry.
    bool GetContactBox(f32 _box[6]) const;

    // The mesh at the body's world frame at the frame time.
    void Render(NOD_Body& _body) const;
    // The axis-aligned world box of the local box's eight corners at _time.
    void GetBoundingBox(NOD_Body& _body, f32* _box, f32 _time) const;

private:
    NOD_ActorMesh m_mesh;
    s32 m_visual = 0;
};

// Entering the simulation as the vessel and vehicle do: the contact parts registered at the
// world frame now with the state's velocity, each son entered, the son shields linked, the flag
// set.
void NOD_EnterArmedBody(NOD_Body& _body, MOT_MotionState& _state);
// Leaving it: the son shields unlinked, each son out, the parts unregistered, the flag cleared,
// and the body at rest where its track has it now (the state takes that frame).
void NOD_LeaveArmedBody(NOD_Body& _body, MOT_MotionState& _state);
// The shared handler of Vessel_NonCollideAvoid and Vehicle_NonCollideAvoid (noderef a, noderef
// b; _message deleted): a becomes the node _body and its body sons do not collide with (null
// clears it), b the node _body does not avoid (null clears it); an unsuitable node is logged
// and changes nothing. Returns null.
NOD_Message* NOD_SetNonCollisionObjects(NOD_Body& _body, NOD_Message* _message);
// The messages vessels and vehicles handle alike: Node_EnterSimulation and
// Node_LeaveSimulation, and the first five of their family from _firstId (15001 or 14001:
// collisions with objects and the terrain, object and terrain avoidance, the non-collision
// pair). Sets *_handled to 0 and leaves the message alone for any other.
NOD_Message* NOD_ProcessCarrierMessage(NOD_Body& _body, MOT_MotionState& _state, NOD_Message* _message, u32 _firstId,
                                       u32* _handled);
// Vessel_AvoidanceObjects / Vessel_AvoidanceTerrain (and the vehicle's): bit 1 (objects) or bit
// 0 (terrain) of the active avoider's flag word set for a non-zero value, else cleared.
void NOD_SetAvoidanceBit(NOD_Body& _body, u32 _bit, u32 _on);
// The firing cone (fourth sensor): seeing on, not visibility-tested, a 15-degree cone, _range.
void NOD_SetFiringCone(COD_Sensor* _sensor, f32 _range);

class NOD_Vessel : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Vessel)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    // The firing cone's range without a gun.
    static constexpr f32 DEFAULT_RANGE = 300.0f;

    NOD_Vessel();
    ~NOD_Vessel() override;
    NOD_Replicator* CreateReplicator() override;

    // The description (Visual, Control, Shield, Collision, Avoidance, Emitter, the optional
    // EscapeBehaviour and AttackBehaviour, the sons, BuzzerParam with a buzzer launcher), then
    // SetUp and the firing cone.
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    // 5002/5003, 15001-15005, 15041/15042, then the emitter, state list, action slot, body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    void Render() override { m_visual.Render(*this); }
    void GetBoundingBox(f32* _box, f32 _time) override { m_visual.GetBoundingBox(*this, _box, _time); }
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override;
    BHV_AttackerSlots* GetAttackerSlots() override { return &m_attackers; }
    BHV_AttackerSlots* GetTorpedoSlots() override { return &m_torpedoes; }
    // The physical description's mass; 0 before the description is read.
    f32 GetMass() override;
    // The vessel-kind contact rules.
    void ApplyContactsToShield() override { ApplyVesselContacts(); }

    // Turret_DirectAttack (names 1-4) to every turret son whose name strictly extends the prefix.
    NOD_Message* PM_AttackTurrets(NOD_Message* _message);
    // Turret_DirectAttackStop to the same sons.
    NOD_Message* PM_AttackTurretsStop(NOD_Message* _message);
    // One step of the buzzer defence against the torpedoes homing on the vessel.
    void HandleBuzzers();

    static NOD_Vessel* DynamicCast(NOD_Node* _node);

    MOT_Vessel& GetModel() { return m_model; }
    const NOD_VesselVisual& GetVisual() const { return m_visual; }
    NOD_TorpedoLauncher* GetTorpedoLauncher() const;
    NOD_BuzzerLauncher* GetBuzzerLauncher() const;
    NOD_NPC_Gun* GetGun() const;
    f32 GetBuzzerChance() const { return m_buzzerChance; }
    f32 GetBuzzerTime() const { return m_buzzerTime; }
    f32 GetBuzzerTimer() const { return m_buzzerTimer; }
    f32 GetBuzzerRadiusSq() const { return m_buzzerRadiusSq; }
    s32 GetNumOfBuzzers() const { return m_numOfBuzzers; }
    const BHV_StateBehaviourList& GetStateList() const { return m_states; }
    const BHV_ActionBehaviourSlot& GetActionSlot() const { return m_actions; }
    BHV_Vessel_A_Attack& GetAttack() { return m_attack; }

private:
    // The motion state at the track's frame now, the behaviours wired.
    void SetUp();
    // The debris, and the shrapnel of a body visual.
    void Die();
    // Turret_DirectAttack with _names (four), or Turret_DirectAttackStop for null.
    void SendToTurrets(const SIM_Name& _prefix, const SIM_Name* _names);

    NOD_VesselVisual m_visual;
    RTI_Pointer m_torpedoLauncher;
    RTI_Pointer m_buzzerLauncher;
    RTI_Pointer m_gun;
    f32 m_buzzerChance = 0.0f;
    f32 m_buzzerTime = 0.0f;
    f32 m_buzzerTimer = 0.0f;
    f32 m_buzzerRadiusSq = 0.0f;
    s32 m_numOfBuzzers = 0;
    BHV_AttackerSlots m_attackers;
    BHV_AttackerSlots m_torpedoes;
    MOT_Vessel m_model;
    BHV_Owner m_parts;
    BHV_ActionBehaviourSlot m_actions;
    BHV_Vessel_A_Goto m_goto;
    BHV_Vessel_A_Stop m_stop;
    BHV_Vessel_A_Patrol m_patrol;
    BHV_Vessel_A_Sink m_sink;
    BHV_Vessel_A_Escort m_escort;
    BHV_Vessel_A_EscapeTo m_escapeTo;
    BHV_Vessel_A_Attack m_attack;
    BHV_StateBehaviourList m_states;
    BHV_Body_S_ShotHits m_shotHits;
    BHV_Body_S_Sensor m_sensor;
    BHV_Body_S_ShieldGuard m_shieldGuard;
    BHV_Body_S_WatchEnemiePatrol m_watchEnemiePatrol;
};
