// The bullet: the projectile of every gun, a shielded body that flies straight along the
// forward axis it was launched with at its fixed speed, reports its hits through its collision
// description and dies at its first hit or 1.5 s after its launch.
//
// Bullets are cloned by the spawner from one parsed prototype per bullet type and launched
// there (placed, given their shooter and type, linked under the root, entered); nothing else
// makes them. A bullet's damage is its shield's Out values, which the struck body applies to
// itself; its own shield never takes damage. A bullet collected in flight (a hit) leaves an
// impact emitter at the contact point, one kind for the ground and one for objects; one that
// dies of age leaves the simulation first and disappears without a trace. Its sons (a trail,
// emitters) enter and leave the simulation with it. One thread.
#pragma once

#include "io_inputstream.h"

#include "mot_motionstate.h"
#include "nod_shieldedbody.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "snd_sampleinfo.h"

class NOD_Replicator;
class NOD_Bullet : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Bullet)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();
    // Reads the class's creation record and makes its node; null (one line logged) for a
    // record it refuses or when nothing could be made.
    static RTI_Class* CreateFromStream(u32 _classIndex, s32 _replica, IO_InputStream& _stream);

public:
    // Seconds a bullet flies before it leaves the simulation.
    static constexpr f32 LIFE_TIME = 1.5f;
    // The kinematic flags: x, y and z integrated, rotation mode 4.
    static constexpr u32 KINEMATIC_FLAGS = 39;

    NOD_Bullet();
    // Gives back the mesh and both samples.
    ~NOD_Bullet() override;
    NOD_Replicator* CreateReplicator() override;

    // A new bullet with the name, contact parts, shield, VMax, mesh, samples and copies of
    // the sons; no shooter, launch time, track or kinematic state.
    NOD_Node* Clone() override;
    // Info (Name), Visual (PrimaryMesh, optional), Collision, Control (VMax), the shield, the
    // two impact samples, then the sons. A missing section is fatal.
    void ParseIniFile_Des(DES_Section& _data) override;
    // One step of flight while in the simulation: move, hand the collision system the sweep of
    // the coming step, run the sons; leave the simulation when too old; queue the node for
    // deletion when too old or hit.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation (passed to every son); every other id goes
    // to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // The impact: the ground-hit or object-hit emitter at the contact point.
    void Explode() override;
    void Render() override;
    // With a mesh, its box in world axes at the time; without, the box -0.5..0.5, untransformed.
    void GetBoundingBox(f32* _box, f32 _time) override;
    NOD_Node* GetShooter() override;
    // A bullet's own shield never takes damage.
    void ApplyContactsToShield() override {}

    // The node when it is a bullet, else null; null for null.
    static NOD_Bullet* DynamicCast(NOD_Node* _node);

    // What the spawner sets at launch.
    void SetShooter(NOD_Node* _shooter) { m_shooter.Set(_shooter); }
    // Rebuilds the flight from the launch (the track restarts at the launch time with the
    // frame it held then and the muzzle speed along its Y axis) and enters the simulation at
    // the current time; the sons are not told.
    void StartFromLaunch();
    void SetBulletType(s32 _type) { m_bulletType = _type; }
    void SetLaunchTime(f32 _time) { m_launchTime = _time; }

    f32 GetVMax() const { return m_vMax; }
    f32 GetLaunchTime() const { return m_launchTime; }
    s32 GetBulletType() const { return m_bulletType; }
    s32 GetMeshHandle() const { return m_mesh; }
    MOT_MotionState& GetMotionState() { return m_kinematics; }
    const SND_SampleInfo& GetGroundHitSample() const { return m_groundHit; }
    const SND_SampleInfo& GetObjectHitSample() const { return m_objectHit; }

private:
    void PM_EnterSimulation();
    void PM_LeaveSimulation();
    // The contact parts out, the in-simulation flag cleared, the track restarted at _time at
    // its frame there, and the sons told.
    void Leave(f32 _time);
    void TellSons(u32 _enter);

    RTI_Pointer m_shooter;
    MOT_MotionState m_kinematics;
    s32 m_mesh = 0;  // render-mesh cache handle, 0 = none
    f32 m_vMax = 0.0f;
    f32 m_launchTime = 0.0f;
    SND_SampleInfo m_groundHit;
    SND_SampleInfo m_objectHit;
    s32 m_bulletType = 0;  // the spawner's type 0..6, written at launch
};
