// NOD_Torpedo: the self-propelled homing projectile. A launcher fires a clone of one of the
// spawner's two prototypes; the torpedo listens for sound emitters in a cone ahead, homes on
// a target (straight at it or at a lead point) at cruise speed for its life time, lets a decoy
// claim it for good, then sinks for 30 seconds. It dies when its shield is exhausted (every
// collision empties the Right face) or when the sinking time is over, and leaves debris.
//
// Prototypes are parsed once and never enter the simulation; clones are sons of the root. The
// shooter, the target and the decoy are weak references: each becomes null when its node
// dies, and every use tests for that. The torpedo's own motion state is its attached frame.
// While it homes on a body it stands in that body's torpedo slots (at most two torpedoes per
// body). One thread, inside the step's node pass.
#pragma once

#include "io_inputstream.h"

#include "bhv_attackerslots.h"
#include "mot_vessel.h"
#include "nod_projectile.h"
#include "nod_shieldedbody.h"
#include "rti_pointer.h"

class NOD_Replicator;
class NOD_Torpedo : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Torpedo)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();
    // Reads the class's creation record and makes its node; null (one line logged) for a
    // record it refuses or when nothing could be made.
    static RTI_Class* CreateFromStream(u32 _classIndex, s32 _replica, IO_InputStream& _stream);

public:
    // How the target is chosen every powered step.
    enum : s32
    {
        LOOKING_NONE = 0,      // no target: straight ahead
        LOOKING_LAUNCHED = 1,  // the launcher's target, kept
        LOOKING_SEARCH = 2,    // the acoustic search
    };
    // How a target is followed.
    enum : s32
    {
        FOLLOW_DIRECT = 0,  // at its position
        FOLLOW_LEAD = 1,    // at the point the torpedo's cruise meets it
    };

    // The seconds a torpedo sinks after its powered run.
    static constexpr f32 SINKING_TIME = 30.0f;
    // The aim without a target: this far ahead of the nose.
    static constexpr f32 AIM_AHEAD = 300.0f;
    // The launch speed along the nose, as a share of the cruise speed.
    static constexpr f32 LAUNCH_SPEED_SHARE = 0.2f;
    // The acoustic result list's room.
    static constexpr s32 HEARD_CAPACITY = 100;

    NOD_Torpedo();
    ~NOD_Torpedo() override;
    NOD_Replicator* CreateReplicator() override;

    // A clone of this prototype at the place its track has now (not entered, not linked).
    NOD_Node* Clone() override;
    // "Visual", "Torpedo", "Control", "Shield", "Collision", "Avoidance", "Emitter"; every
    // section and key is mandatory.
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation; the rest goes to the body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // Debris where the torpedo died.
    void Explode() override;

    void Render() override { m_mesh.Render(*this); }
    void GetBoundingBox(f32* _box, f32 _time) override { m_mesh.GetBoundingBox(*this, _box, _time); }
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override;
    // The centre of the mesh box, not the frame's origin.
    MAT_Vector3* GetMatrixAtTime(MAT_Vector3* _position, f32 _time) override;
    NOD_Node* GetShooter() override;
    BHV_AttackerSlots* GetAttackerSlots() override { return &m_attackerSlots; }
    // Every collision empties the Right face; touching bodies hit with their Out values.
    void ApplyContactsToShield() override { ApplyTorpedoContacts(); }

    // The acoustic search: the most central body heard in the cone, no quieter than the best
    // so far, whose torpedo slots hold this torpedo or have room. The torpedo moves from the
    // current target's slots to the answer's.
    NOD_Node* SearchTarget();

    // The launch the spawner makes: the clone was placed at its frame at rest; these are
    // stored before it enters the simulation.
    void SetLaunch(f32 _time, NOD_Node* _shooter, const MAT_Vector3& _velocity, NOD_Node* _target, s32 _type);
    // Rebuilds the run from the launch at the current time (the frame the track holds then,
    // the launch speed along its Y axis plus the launch vector), enters the simulation with its
    // sons and lets the shooter through; a replica (_replica 1) also switches off its
    // avoidance.
    void StartFromLaunch(u32 _replica);
    const MAT_Vector3& GetLaunchVelocity() const { return m_launchVelocity; }

    // What a decoy reads and writes when it claims the torpedo.
    u32 GetBuzzerDistract() const { return m_buzzerDistract; }
    NOD_Node* GetTarget() const { return static_cast<NOD_Node*>(m_target.Get()); }
    // From now on the decoy is the target, whatever the looking mode; when it dies the torpedo
    // runs straight on.
    void SetForcedTarget(NOD_Node* _decoy);
    u32 IsForcedTargetSet() const { return m_forcedTargetSet; }
    NOD_Node* GetForcedTarget() const { return static_cast<NOD_Node*>(m_forcedTarget.Get()); }

    u32 IsClearOfShooter() const { return m_clearOfShooter; }
    s32 GetTorpedoType() const { return m_torpedoType; }
    f32 GetLaunchTime() const { return m_launchTime; }
    f32 GetLifeTime() const { return m_lifeTime; }
    f32 GetCruiseSpeed() const { return m_cruiseSpeed; }
    f32 GetAcousticCosine() const { return m_acousticCosine; }
    s32 GetLookingMode() const { return m_lookingMode; }
    s32 GetFollowMode() const { return m_followMode; }
    const NOD_ProjectileMesh& GetMesh() const { return m_mesh; }
    MOT_Vessel& GetModel() { return m_model; }

    // The node when it is a torpedo, else null; null for null.
    static NOD_Torpedo* DynamicCast(NOD_Node* _node);

private:
    void PM_EnterSimulation();
    // Whether the collision pass of this step reported a contact or a hit of the path.
    u32 HasContacts();
    // The powered run's target choice, aim, clearance and motion.
    void PoweredStep(const SIM_Clock& _clock);
    // Falling with the nose along the path.
    void SinkingStep(const SIM_Clock& _clock);
    // Where to steer at the target now.
    MAT_Vector3 Aim(NOD_Node* _target, f32 _time);
    // Clear once the collision boxes of shooter and torpedo cannot touch any more.
    void CheckClearance(NOD_Node* _target);

    MAT_Vector3 m_launchVelocity;
    RTI_Pointer m_shooter;
    RTI_Pointer m_target;
    s32 m_torpedoType = 0;
    f32 m_launchTime = 0.0f;
    u32 m_clearOfShooter = 0;
    NOD_ProjectileMesh m_mesh;
    s32 m_lookingMode = LOOKING_NONE;
    s32 m_followMode = FOLLOW_DIRECT;
    f32 m_cruiseSpeed = 0.0f;
    f32 m_launchSpeed = 0.0f;
    f32 m_lifeTime = 0.0f;
    u32 m_forcedTargetSet = 0;
    RTI_Pointer m_forcedTarget;
    u32 m_buzzerDistract = 0;
    f32 m_acousticCosine = 0.0f;
    BHV_AttackerSlots m_attackerSlots;
    MOT_Vessel m_model;
};
