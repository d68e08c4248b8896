// The plain animated character: a body with a skeleton and the animations of its set, which
// a script plays by name (Character_StartAnimation, Character_StopAnimation). No sensor,
// spring bones, bone-carried sons or steering: its motion model is stepped without controls,
// so it stays where its coordinate system puts it.
//
// Configured once from its description's "Animation" section and its sons; steps only while
// in the simulation. Its render bucket keeps it out of the renderer's draw calls. One thread.
#pragma once

#include "bhv_behaviourlist.h"
#include "bhv_character.h"
#include "bhv_owner.h"
#include "mot_oldone.h"
#include "nod_body.h"
#include "nod_characterset.h"
#include "os_types.h"

class NOD_Character : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Character)

public:
    NOD_Character();
    ~NOD_Character() override;

    void ParseIniFile_Des(DES_Section& _data) override;
    void HeartBeat() override;
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    // Deforms the skin; the renderer's skinned-mesh entry draws nothing.
    void Render() override;
    void GetBoundingBox(f32* _box, f32 _time) override;

    NOD_CharacterSet& GetAnimationSet() { return m_set; }
    MOT_OldOne& GetMotion() { return m_motion; }
    BHV_ActionBehaviourSlot& GetActions() { return m_actions; }
    BHV_Character_A_Animation& GetAnimationBehaviour() { return m_animation; }

private:
    NOD_CharacterSet m_set;
    BHV_ActionBehaviourSlot m_actions;
    BHV_Character_A_Animation m_animation;
    BHV_Owner m_parts;
    MOT_OldOne m_motion;
};
