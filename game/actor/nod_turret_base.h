// NOD_Turret_Base: a gun turret, always the son of what it stands on: a building (NOD_Generic),
// a vessel or a vehicle; any other father stops the program while the description is read.
//
// Its own body frame is the mount, placed in the father's frame and never moved by the turret;
// the mesh is drawn there. A second frame, the turning frame, hangs on the mount and is driven
// by the turret's turn model in heading and, without a turret gun, in pitch. A son "turrGun"
// (NOD_Turret_Gun) hangs on the turning frame and pitches with its own model; the firing gun
// (NOD_NPC_Gun) is its son "gun", or the turret's own son "gun" without a turret gun, and hangs
// on the turning frame through GetMountFrame. The turret carries three action and four state
// behaviours and is their aiming interface (BHV_TurretAiming, whose cast the actor
// registration installs). On a vessel or vehicle (a mobile mount) its attackers and torpedoes
// count against the carrier. The turret dies when its shield is exhausted, leaving debris. The
// gun body and the gun are sons: the turret's pointers to them live as long as it does. One
// thread.
#pragma once

#include "bhv_attackerslots.h"
#include "bhv_behaviourlist.h"
#include "bhv_bodystates.h"
#include "bhv_owner.h"
#include "bhv_turret.h"
#include "bhv_turretaiming.h"
#include "mot_turn.h"
#include "nod_actormesh.h"
#include "nod_cs.h"
#include "nod_shieldedbody.h"

class NOD_Replicator;
class NOD_NPC_Gun;

class NOD_Turret_Base : public NOD_ShieldedBody, public BHV_TurretAiming
{
    RTI_DECLARE_CLASS(NOD_Turret_Base)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    // The turn of the long way round: pi less a thousandth, as f32.
    static constexpr f32 LONG_WAY = 3.1405926f;

    NOD_Turret_Base();
    ~NOD_Turret_Base() override;
    NOD_Replicator* CreateReplicator() override;

    // "TurretName", "Visual", "Control" (the turn model, "AlphaRange", "MinBeta", "MaxBeta" in
    // degrees), "Shield", "Collision", "Avoidance", "Emitter", the father test, the optional
    // "AttackBehaviour", the sons and the firing gun, then the set-up and the two sensors.
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    // Node_EnterSimulation, Node_LeaveSimulation, Body_SetCS straight to the body,
    // Turret_SetAngleArea; the rest through the emitter, the state and the action behaviours
    // to the body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // Debris at the turning frame.
    void Explode() override;

    // The mesh at the mount: it does not turn.
    void Render() override;
    // The mesh's box (the unit box without one) at the turning frame.
    void GetBoundingBox(f32* _box, f32 _time) override;
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override;
    // The centre of the mesh's box at the turning frame, or that frame's origin.
    MAT_Vector3* GetMatrixAtTime(MAT_Vector3* _position, f32 _time) override;
    // The carrier's on a mobile mount, the turret's own otherwise.
    BHV_AttackerSlots* GetAttackerSlots() override;
    BHV_AttackerSlots* GetTorpedoSlots() override;
    // The mass of the physical description.
    f32 GetMass() override;
    // The vessel-kind conversion.
    void ApplyContactsToShield() override { ApplyVesselContacts(); }
    // The turning frame: a gun hung on the turret turns with it.
    NOD_CS* GetMountFrame() override { return &m_turretCS; }

    // The aiming interface (radians; see BHV_TurretAiming).
    void SetTargetAngles(f32 _alpha, f32 _beta) override;
    void AimAtPoint(const MAT_Vector3& _point) override;
    void ComputeAnglesTo(NOD_Body* _target, f32* _alpha, f32* _beta) override;
    void ClampAngles(f32* _alpha, f32* _beta) override;
    s32 IsAlphaInRange(f32 _alpha) override;
    s32 IsBetaInRange(f32 _beta) override;
    s32 IsAimedAt(f32 _alpha, f32 _beta) override;
    s32 IsWithinAngles(f32 _alpha, f32 _beta, f32 _tolerance) override;
    f32 GetBulletVelocity() override;
    NOD_NPC_Gun* GetGun() override { return m_gun; }

    // The current heading (of the turret's own model) and pitch (of the model that pitches).
    f32 GetCurrentAlpha() const;
    f32 GetCurrentBeta() const;

    NOD_CS& GetTurretCS() { return m_turretCS; }
    MOT_Turn& GetTurn() { return m_turn; }
    MOT_Turn* GetAimTurn() const { return m_aimTurn; }
    NOD_Body* GetAimBody() const { return m_aimBody; }
    const MAT_Matrix34& GetMountMatrix() const { return m_mountMatrix; }
    s32 GetMeshHandle() const { return m_mesh.GetHandle(); }
    u32 IsMobileMount() const { return m_isMobileMount; }
    f32 GetAlphaRange() const { return m_alphaRange; }
    f32 GetMinBeta() const { return m_minBeta; }
    f32 GetMaxBeta() const { return m_maxBeta; }
    BHV_AttackerSlots& GetOwnAttackers() { return m_attackers; }
    BHV_AttackerSlots& GetOwnTorpedoes() { return m_torpedoes; }
    // The action slot: follow, patrol and complex attack, at most one of them current.
    const BHV_ActionBehaviourSlot& GetActions() const { return m_actions; }

    // The node when it is a turret (or of a derived class), else null; null for null.
    static NOD_Turret_Base* DynamicCast(NOD_Node* _node);
    // The aiming interface's cast, which the actor registration installs.
    static BHV_TurretAiming* AimingCast(NOD_Node* _node);

private:
    void PM_EnterSimulation();
    void PM_LeaveSimulation();
    // Turret_SetAngleArea: the angle limits in degrees, and the target window's sector.
    void SetAngleArea(f32 _alphaRange, f32 _minBeta, f32 _maxBeta);
    void SetUp();

    NOD_CS m_turretCS;
    NOD_Body* m_aimBody = nullptr;
    MOT_Turn* m_aimTurn = nullptr;
    NOD_NPC_Gun* m_gun = nullptr;
    NOD_ActorMesh m_mesh;
    u32 m_isMobileMount = 0;
    f32 m_alphaRange = 0.0f;
    f32 m_minBeta = 0.0f;
    f32 m_maxBeta = 0.0f;
    BHV_AttackerSlots m_attackers;
    BHV_AttackerSlots m_torpedoes;
    BHV_Owner m_parts;
    BHV_ActionBehaviourSlot m_actions;
    BHV_Turret_A_Follow m_follow;
    BHV_Turret_A_Patrol m_patrol;
    BHV_Turret_A_ComplexAttack m_complexAttack;
    BHV_StateBehaviourList m_states;
    BHV_Body_S_ShotHits m_shotHits;
    BHV_Body_S_Sensor m_sensor;
    BHV_Body_S_ShieldGuard m_shieldGuard;
    BHV_Body_S_WatchEnemies m_watchEnemies;
    MAT_Matrix34 m_mountMatrix;
    MOT_Turn m_turn;
};
