// Position nodes: a point of the scene with a radius, a waypoint or a goal for the go-to,
// patrol, escape and attack behaviours and for the camera's path flight.
//
// A position is no body: it has no motion track, does nothing in its HeartBeat (its sons get
// none either) and reads nothing from description files. It is created by name and set up by
// script messages; it stands at (0, 0, 0) with radius 1.0 until told otherwise. The position is
// in world coordinates whatever the node's father is.
#pragma once

#include "mat_vector.h"
#include "nod_node.h"
#include "os_types.h"

class NOD_Position : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Position)

public:
    NOD_Position() = default;
    ~NOD_Position() override;

    void HeartBeat() override;
    // Position_SetPosition, Position_SetRadius (no reply) and Position_GetPosition; every
    // other id goes to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // The node when it is a position (or of a class derived from it), else null; null for null.
    static NOD_Position* DynamicCast(NOD_Node* _node);

    const MAT_Vector3& GetPosition() const { return m_position; }
    f32 GetRadius() const { return m_radius; }
    void SetPosition(const MAT_Vector3& _position) { m_position = _position; }
    void SetRadius(f32 _radius) { m_radius = _radius; }

private:
    MAT_Vector3 m_position;
    f32 m_radius = 1.0f;
};
