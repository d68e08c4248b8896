// The vessel steered from the input devices, found by the game controller, the camera and the
// head-up display as "/player1".
//
// A shielded body with its own motion state, integrated once per step: the game controller's
// Player_Input commands set turn rates (smoothed over 0.1 s, banking into the turn) and the
// engine, whose thrust follows a cubic curve over the speed ratio. Scripts equip it with up to
// three guns (Player_AddWeapon); one is current and fires on the fire commands. The sons
// "torlaunch" and "buzzlaunch", when the description gives them, launch torpedoes and decoys.
//
// The player never dies: its step has no shield test, although its shield still takes hits.
// The visual drawn is always "pla_zaredodoviv.ash"; the description's mesh gives the box and
// the centre. Gun and launcher references are weak. One thread, inside the step's node pass.
#pragma once

#include "io_inputstream.h"

#include "bhv_attackerslots.h"
#include "mot_friction.h"
#include "mot_motionstate.h"
#include "nod_projectile.h"
#include "nod_shieldedbody.h"
#include "rti_pointer.h"
#include "snd_sampleinfo.h"

class NOD_Replicator;
class Brisel_Mesh;
class NOD_BuzzerLauncher;
class NOD_Gun;
class NOD_TorpedoLauncher;
class SIM_Name;

class NOD_Player : public NOD_ShieldedBody
{
    RTI_DECLARE_CLASS(NOD_Player)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();
    // Reads the class's creation record and makes its node; null (one line logged) for a
    // record it refuses or when nothing could be made.
    static RTI_Class* CreateFromStream(u32 _classIndex, s32 _replica, IO_InputStream& _stream);

public:
    static constexpr s32 GUN_SLOTS = 3;
    // The turn rate of a held turn key (rad/s), and what head and pitch scale.
    static constexpr f32 KEY_TURN_RATE = 1.5707964f;
    static constexpr f32 TURN_SMOOTHING = 0.1f;
    // Banking: roll = -BANK x dt x smoothed heading rate.
    static constexpr f32 BANK = 6.0f;
    // Thrust against the motion (braking) is this much stronger.
    static constexpr f32 BRAKING = 1.4f;
    static constexpr f32 SENSOR_RANGE = 300.0f;
    static constexpr f32 SENSOR_CONE = 0.2617994f;  // rad
    // The gun's place on the player.
    static constexpr f32 GUN_AHEAD = 10.0f;

    NOD_Player();
    ~NOD_Player() override;
    NOD_Replicator* CreateReplicator() override;

    // Visual, Control, PlayerControl, Collision, Avoidance, Emitter, Shield, the sons; then the
    // launchers, the sensor and the bump sound. "Control" VMax must be above 0.
    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    // Body_SetPosition, Body_SetOrientation (radians), entering and leaving, Player_Input,
    // Player_AddWeapon; the emitter messages; the rest goes to the body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // The visual at the frame time, while the description's mesh is set.
    void Render() override;
    void GetBoundingBox(f32* _box, f32 _time) override;
    MAT_Vector3* GetVelocity(MAT_Vector3* _velocity) override;
    // The centre of the mesh's box (the frame's origin without a mesh).
    MAT_Vector3* GetMatrixAtTime(MAT_Vector3* _position, f32 _time) override;
    BHV_AttackerSlots* GetAttackerSlots() override { return &m_attackerSlots; }
    BHV_AttackerSlots* GetTorpedoSlots() override { return &m_torpedoSlots; }
    // The mass of the player physical description (0 without one).
    f32 GetMass() override;
    // The player's contact rules, then the bump sound for every touching body.
    void ApplyContactsToShield() override;

    void PM_Input(const SIM_Name& _command, u32 _pressed, f32 _value);
    void PM_AddWeapon(const SIM_Name& _weapon);

    NOD_Gun* GetGun(s32 _slot) const;
    s32 GetCurrentGun() const { return m_currentGun; }
    NOD_TorpedoLauncher* GetTorpedoLauncher() const;
    NOD_BuzzerLauncher* GetBuzzerLauncher() const;
    MOT_MotionState& GetMotionState() { return m_state; }
    const MOT_Friction& GetFriction() const { return m_friction; }
    f32 GetRequestedHeadingRate() const { return m_headingRate; }
    f32 GetRequestedPitchRate() const { return m_pitchRate; }
    f32 GetSmoothedHeadingRate() const { return m_smoothHeading; }
    f32 GetSmoothedPitchRate() const { return m_smoothPitch; }
    s32 IsKeyboardSteering() const { return m_keyboard; }
    f32 GetThrottle() const { return m_throttle; }
    s32 IsEngineOn() const { return m_engine; }
    f32 GetVMax() const { return m_vMax; }
    f32 GetAcceleration() const { return m_acceleration; }
    s32 GetMeshHandle() const { return m_mesh.GetHandle(); }
    s32 GetVisualHandle() const { return m_visual; }
    const SND_SampleInfo& GetBumpSound() const { return m_bump; }

    // The thrust along the nose for the speed s along it (the engine's curve, stronger when
    // braking; the sign follows the throttle).
    f32 Thrust(f32 _speed) const;

    // The node when it is a player (or of a derived class), else null; null for null.
    static NOD_Player* DynamicCast(NOD_Node* _node);
    static const NOD_Player* DynamicCast(const NOD_Node* _node);

private:
    void PM_EnterSimulation();
    void PM_LeaveSimulation();
    // A turn key: pressed, it saves the requested rate and requests _rate; released, it gives
    // the saved rate back when the request is still its own.
    static void TurnKey(u32 _pressed, f32 _rate, f32& _requested, f32& _saved);
    void CycleGun();
    void UpdateTurnRates(const SIM_Clock& _clock);
    void ApplyThrust();
    void UpdateAttitude(const SIM_Clock& _clock);
    // The body restarted at rest at _frame now.
    void Place(const MAT_Matrix34& _frame);
    Brisel_Mesh* Visual() const;
    void ReleaseVisual();

    MOT_MotionState m_state;
    MOT_Friction m_friction;
    f32 m_smoothPitch = 0.0f;
    f32 m_smoothHeading = 0.0f;
    s32 m_keyboard = 1;
    f32 m_pitchRate = 0.0f;
    f32 m_savedPitchRate = 0.0f;
    f32 m_headingRate = 0.0f;
    f32 m_savedHeadingRate = 0.0f;
    f32 m_throttle = 0.0f;
    s32 m_engine = 0;
    f32 m_acceleration = 40.0f;
    f32 m_engineDynamic[4] = {};
    NOD_ProjectileMesh m_mesh;
    s32 m_visual = 0;
    f32 m_vMax = 50.0f;
    RTI_Pointer m_guns[GUN_SLOTS];
    s32 m_currentGun = 0;
    RTI_Pointer m_torpedoLauncher;
    RTI_Pointer m_buzzerLauncher;
    BHV_AttackerSlots m_attackerSlots;
    BHV_AttackerSlots m_torpedoSlots;
    SND_SampleInfo m_bump;
};
