// A skinned character that moves by itself: a body stepped by the characters' motion model,
// with a skeleton and its animations, spring-driven bones (segments a script switches on and
// off), sons carried on bones, and a presence sensor split into direction sectors that tells
// the script thread which sector sensed a vessel or the player. Scripts make it walk a path,
// look at a point and play named animations through its action behaviours.
//
// Configured once from its description ("Animation", "Control", "Sensor", "PhysicalAnimation",
// the sons, the optional "ChildTransformation"); steps only while in the simulation. Its
// render bucket keeps it out of the renderer's draw calls. One thread.
#pragma once

#include "bhv_behaviourlist.h"
#include "bhv_character.h"
#include "bhv_goto.h"
#include "bhv_owner.h"
#include "fx_physicalanimationcontroller.h"
#include "mat_matrix.h"
#include "mot_oldone.h"
#include "nod_body.h"
#include "nod_characterset.h"
#include "os_types.h"

class NOD_PhysicalCharacter : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_PhysicalCharacter)

public:
    enum : s32
    {
        MAX_SENSOR_SECTORS = 15,
        SECTOR_TIMES = 16,
        PRESENCE_CAPACITY = 64,
    };

    // A son carried on a bone: its frame relative to the bone, the son's index and the bone.
    struct ChildTransformation
    {
        MAT_Matrix34 frame;
        s32 ChildIndex = 0;
        s32 ConnectBoneIndex = 0;
    };

    NOD_PhysicalCharacter();
    ~NOD_PhysicalCharacter() override;

    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // Deforms the skin and asks for the physical animation's mesh, which stops the program.
    void Render() override;
    void GetBoundingBox(f32* _box, f32 _time) override;

    // Node_EnterSimulation of both character classes: the contact parts registered at the
    // world frame of the clock, at rest, the sons entered, the body in the simulation.
    static void PM_EnterSimulation(NOD_Body* _body, NOD_Message* _message);
    // Node_LeaveSimulation of both: the sons first, then the contact parts; the body rests
    // where its track has it at the clock.
    static void PM_LeaveSimulation(NOD_Body* _body, NOD_Message* _message);

    // The node when it is a physical character (or of a derived class), else null.
    static NOD_PhysicalCharacter* DynamicCast(NOD_Node* _node);

    f32 Rolling = 0.0f;
    f32 SensorDelay = 0.0f;
    s32 AllSectorsDifferent = 0;
    s32 NumOfSensorSectors = 0;
    f32 sectorTimes[SECTOR_TIMES] = {};

    NOD_CharacterSet& GetAnimationSet() { return m_set; }
    FX_PhysicalAnimationController& GetPhysicalAnimation() { return m_physical; }
    MOT_OldOne& GetMotion() { return m_motion; }
    BHV_ActionBehaviourSlot& GetActions() { return m_actions; }
    BHV_Character_A_Animation& GetAnimationBehaviour() { return m_animation; }
    s32 GetNumOfChild() const { return NumOfChild; }
    const ChildTransformation* GetChildTransformation(s32 _index) const
    {
        return _index >= 0 && _index < NumOfChild ? &m_children[_index] : nullptr;
    }

private:
    // The four keys of "Sensor"; answers SensorRange.
    f32 ParseSensor(DES_Section& _data);
    void ParseChildTransformations(DES_Section& _data);
    void MoveBoneSons(f32 _time);
    void ReportSectors(f32 _time);

    NOD_CharacterSet m_set;
    FX_PhysicalAnimationController m_physical;
    BHV_ActionBehaviourSlot m_actions;
    BHV_Character_A_Animation m_animation;
    BHV_PhysicalCharacter_A_Goto m_goto;
    BHV_PhysicalCharacter_A_LookTo m_lookTo;
    BHV_Owner m_parts;
    MOT_OldOne m_motion;
    s32 NumOfChild = 0;
    ChildTransformation* m_children = nullptr;  // [NumOfChild]
};
