// The light node: a body that stands for a light source, a colour with a linear fall-off
// between a near and a far range, hung under a body it follows.
//
// Nothing draws with it: the renderer lights meshes with its own default light, so the node
// only keeps its record, a visible box about itself (1 unit each way) with the collision
// world, and answers the light messages. Of those only Light_SetCone changes anything (it
// places the light and sets the ranges); the others are read and ignored. Not clonable. One
// thread.
#pragma once

#include "nod_body.h"
#include "nod_visiblerecord.h"
#include "os_types.h"
#include "vec_camera.h"

class NOD_Light : public NOD_Body
{
    RTI_DECLARE_CLASS(NOD_Light)

public:
    // Ranges 100 and 200 (fall-off 2.0 - 0.01 d), white, type 0.
    NOD_Light();
    ~NOD_Light() override;

    // Section "Visual": "Type" (optional: "omni", "omnifast" or "cone", each giving type 0;
    // missing or other logged), "RGB" and "Range" (mandatory); then the "Child" sons.
    void ParseIniFile_Des(DES_Section& _data) override;
    // In the simulation: the box follows the light one step ahead, then the sons step.
    void HeartBeat() override;
    // Light_Switch .. Light_SetColor, Node_EnterSimulation, Node_LeaveSimulation; every other
    // id goes to NOD_Body.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;
    void Render() override {}

    // The node when it is a light, else null; null for null.
    static NOD_Light* DynamicCast(NOD_Node* _node);

    // The record carries the fall-off in its last four values: the constant in the intensity,
    // then the slope and two zeros in the vector, so the light set's eleven values hold it.
    const VEC_Light& GetLight() const { return m_light; }
    f32 GetFalloffConstant() const { return m_light.m_intensity; }
    f32 GetFalloffSlope() const { return m_light.m_vector.x; }
    f32 GetNearRange() const { return m_near; }
    f32 GetFarRange() const { return m_far; }
    const NOD_VisibleRecord& GetRecord() const { return m_record; }

private:
    // constant + slope * d is 1 at _near and 0 at _far. Equal ranges keep the fall-off
    // there was (one log line): it would divide by zero.
    void SetRanges(f32 _near, f32 _far);
    void PM_SetCone(const MAT_Vector3& _position, const MAT_Vector3& _angles, f32 _range);

    VEC_Light m_light;
    f32 m_near = 100.0f;
    f32 m_far = 200.0f;
    NOD_VisibleRecord m_record{this};
};
