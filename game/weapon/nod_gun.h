// The base of the player's weapons: a body that hangs under its owner's mount frame, with two
// fire modes that exclude each other, a four-state machine that swings it from its stowed
// position into its working position and back, a recoil offset, up to two muzzle-flash meshes
// and movable parts (NOD_Gun_Part) as sons.
//
// The owner creates a gun by class name, reads its description, sets the owner reference and
// the muzzle frame (the shots' launch frame relative to the owner), adds it as a son and enters
// it into the simulation; then Activate, Deactivate and the fire switches drive it. The eleven
// gun classes fill in the hooks that shoot, animate the parts and report the range; here they
// do nothing. A gun without an owner ignores every fire request. A gun is drawn only in the
// first-person view (the camera looking from the gun's father) while it is not idle, as one
// of the renderer's permanent bodies; it leaves that list when it leaves the simulation or
// dies. It holds one reference on each of its three meshes in the render-mesh cache. Shots
// come from the run's spawner and sound through the run's sound manager; without them a shot
// still times, kicks and flashes but launches and plays nothing. One thread.
#pragma once

#include "mat_matrix.h"
#include "nod_body.h"
#include "os_types.h"
#include "rti_pointer.h"
#include "snd_sampleinfo.h"

class NOD_Gun_Part;

// One muzzle flash to draw: the mesh handle in the render-mesh cache and its world frame.
struct NOD_GunDraw
{
    s32 mesh = 0;
    MAT_Matrix34 world;
};

class NOD_Gun : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Gun)

public:
    enum State : s32
    {
        STATE_IDLE = 0,
        STATE_ACTIVATING = 1,
        STATE_ACTIVE = 2,
        STATE_DEACTIVATING = 3,
    };
    enum : s32
    {
        NAME_BYTES = 256,
        MUZZLE_DRAWS = 2,
    };
    // The time of a gun, or a barrel, that never fired: far enough back that neither the
    // muzzle window nor a barrel kick can reach the present.
    static constexpr f32 NEVER_SHOT = -3.40282347e38f;

    NOD_Gun();
    ~NOD_Gun() override;

    // A gun takes its local frame from its own "Visual" section only: the context is ignored.
    void ParseIniFile_CtxDes(DES_Section& _context, DES_Section& _data) override;
    // "Visual" (NameMesh, the frame), "Sound" (optional Fire and WindDown), "Muzzle" (optional
    // PrimaryMesh and SecondaryMesh), then the sons; a missing section is fatal.
    void ParseIniFile_Des(DES_Section& _data) override;
    // Only while in the simulation: visibility, the shots of the modes that are on, the parts'
    // animation, the state machine's target smoothed into the track one step ahead, the sons.
    void HeartBeat() override;
    // Node_EnterSimulation and Node_LeaveSimulation (no replies); every other id goes to
    // NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // The gun mesh, the parts, then the muzzle flashes, at the frame time.
    void Render() override;
    // The gun mesh's box (or the unit box around the origin) placed by the world frame.
    void GetBoundingBox(f32* _box, f32 _time) override;

    // The fire switches: an On needs an owner and neither mode on, an Off an owner and its
    // own mode on; each then runs its start or stop hook.
    virtual void PrimaryFireOn();
    virtual void PrimaryFireOff();
    virtual void SecondaryFireOn();
    virtual void SecondaryFireOff();
    // 0.1; nothing reads it.
    virtual f32 GetFloatValue();
    // Non-zero when the owner may switch to another gun: always.
    virtual s32 CanCycle();
    // State 3 from now, stopping whichever mode is on (its stop hook first).
    virtual void Deactivate();
    // State 1 from now; both modes off without their stop hooks.
    virtual void Activate();
    // The range of the class's bullets; -1.0 here.
    virtual f32 GetRange();

    // Set by the owner; a dead owner reads null.
    void SetOwner(NOD_Body* _owner) { m_owner.Set(_owner); }
    NOD_Body* GetOwner() const;
    void SetMuzzleFrame(const MAT_Matrix34& _frame) { m_muzzle = _frame; }
    const MAT_Matrix34& GetMuzzleFrame() const { return m_muzzle; }

    // The muzzle flashes to draw at _time (at most two, primary first): each shows while
    // _time < last shot time + 0.05; the secondary one is turned about its second axis by a
    // fresh CRT_Rand angle of 0 to 1 radian each call.
    s32 GetMuzzleDraws(f32 _time, NOD_GunDraw _draws[MUZZLE_DRAWS]);

    s32 GetState() const { return m_state; }
    f32 GetStateTime() const { return m_stateTime; }
    u32 IsVisible() const { return m_visible; }
    u32 IsPrimaryOn() const { return m_primaryOn; }
    u32 IsSecondaryOn() const { return m_secondaryOn; }
    f32 GetNextPrimaryShotTime() const { return m_nextPrimaryShot; }
    f32 GetNextSecondaryShotTime() const { return m_nextSecondaryShot; }
    f32 GetLastShotTime() const { return m_lastShot; }
    s32 GetMeshHandle() const { return m_mesh; }
    s32 GetPrimaryMuzzleHandle() const { return m_primaryMuzzle; }
    s32 GetSecondaryMuzzleHandle() const { return m_secondaryMuzzle; }
    const SND_SampleInfo& GetFireSample() const { return m_fireSample; }
    const SND_SampleInfo& GetWindDownSample() const { return m_windDownSample; }
    const MAT_Matrix34& GetRestFrame() const { return m_rest; }
    const MAT_Matrix34& GetAnimationOffset() const { return m_offset; }

    // The node when it is a gun of any class, else null; null for null.
    static NOD_Gun* DynamicCast(NOD_Node* _node);
    // The kick of a barrel _d seconds after its shot: -(0.01^(2.5 d)) sin(2 pi d) up to 0.4 s,
    // 0 after (and for a barrel that never fired).
    static f32 BarrelKick(f32 _d);

protected:
    // Called last by the simulation handlers.
    virtual void OnEnterSimulation();
    virtual void OnLeaveSimulation();
    // Every step of a stepping gun, before the state machine: moves the animation offset and
    // the parts.
    virtual void AnimateParts();
    virtual void OnPrimaryStart();
    // Every step while the mode is on.
    virtual void ShootPrimary();
    virtual void OnPrimaryStop();
    virtual void OnSecondaryStart();
    virtual void ShootSecondary();
    virtual void OnSecondaryStop();

    // ---- what the gun classes share ----
    // Step 1 of HeartBeat: listed with the renderer exactly while the camera looks from the
    // gun's father and the gun is not idle.
    void UpdateVisibility();
    // A mode starting now shoots first half a step ahead, so in this step.
    void StartPrimaryShots() { m_nextPrimaryShot = FirstShotTime(); }
    void StartSecondaryShots() { m_nextSecondaryShot = FirstShotTime(); }
    // 1 when the mode's next shot time falls in (t, t + dt]; it then moves on by _interval. A
    // time at or before t is never reached again until the mode restarts.
    u32 IsPrimaryShotDue(f32 _interval) { return IsShotDue(&m_nextPrimaryShot, _interval); }
    u32 IsSecondaryShotDue(f32 _interval) { return IsShotDue(&m_nextSecondaryShot, _interval); }
    // The bullet of _type from the owner's world frame at t composed with _muzzle, the fire
    // sample, and the last shot time t.
    void FireBullet(s32 _type, const MAT_Matrix34& _muzzle);
    // The wind-down sample.
    void PlayWindDown();
    // The offset back to the identity, the recoil smoothed towards 0 with time constant _tau
    // and put on the offset's forward axis.
    void AnimateRecoil(f32* _recoil, f32 _tau);
    // "/hud" as a head-up display: switch its zoom, or turn it off when on. Nothing without it.
    static void ToggleZoom();
    static void ZoomOff();
    // The son _name when it is a gun part, else null.
    NOD_Gun_Part* FindPart(const char* _name);
    // The same, logging "<_class>::ParseIniFile("<file>") - <_name> is missing" when absent.
    NOD_Gun_Part* FindPartOrLog(const char* _class, const char* _name, DES_Section& _data);
    // A revolving part: roll-only kinematics at rest, its roll rate damped by _rollDamping.
    static void SetUpRevolving(NOD_Gun_Part* _part, f32 _rollDamping);
    // The barrel's forward translation becomes its kick _d seconds after its shot.
    static void KickBarrel(NOD_Gun_Part* _barrel, f32 _d);
    // The range of bullet _type from the run's spawner; -1.0 without one.
    static f32 GetBulletRange(s32 _type);

    MAT_Matrix34& GetOffset() { return m_offset; }

private:
    static f32 FirstShotTime();
    static u32 IsShotDue(f32* _next, f32 _interval);
    // The state machine's frame for this step (step 4 of HeartBeat), moving the state on.
    MAT_Matrix34 TargetFrame(f32 _time);
    void SetVisible(u32 _visible);
    void PM_EnterSimulation();
    void PM_LeaveSimulation();

    s32 m_state = STATE_IDLE;
    f32 m_stateTime = 0.0f;
    s32 m_mesh = 0;
    u32 m_visible = 0;
    u32 m_primaryOn = 0;
    f32 m_nextPrimaryShot = 0.0f;
    u32 m_secondaryOn = 0;
    f32 m_nextSecondaryShot = 0.0f;
    s32 m_primaryMuzzle = 0;
    s32 m_secondaryMuzzle = 0;
    f32 m_lastShot = NEVER_SHOT;
    SND_SampleInfo m_fireSample;
    SND_SampleInfo m_windDownSample;
    MAT_Matrix34 m_rest;
    MAT_Matrix34 m_offset;
    RTI_Pointer m_owner;
    MAT_Matrix34 m_muzzle;
};
