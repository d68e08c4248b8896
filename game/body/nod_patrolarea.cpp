// Patrol area nodes: the cylinder, its messages and the inside test.
#include "nod_patrolarea.h"

#include "nod_message.h"

RTI_IMPLEMENT_CLASS(NOD_PatrolArea, "NOD_Node")

NOD_PatrolArea::~NOD_PatrolArea() = default;

void NOD_PatrolArea::HeartBeat()
{
    // Only read by the patrolling behaviours; nothing to simulate.
}

NOD_Message* NOD_PatrolArea::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_PatrolArea_SetPosition::ID:
        NOD_PatrolArea_SetPosition::Read(_message, &m_centre);
        break;
    case NOD_PatrolArea_SetRadius::ID:
        NOD_PatrolArea_SetRadius::Read(_message, &m_radius);
        break;
    case NOD_PatrolArea_SetMinZ::ID:
        NOD_PatrolArea_SetMinZ::Read(_message, &m_minZ);
        break;
    case NOD_PatrolArea_SetMaxZ::ID:
        NOD_PatrolArea_SetMaxZ::Read(_message, &m_maxZ);
        break;
    default:
        return NOD_Node::ProcessMessage(_message);
    }
    delete _message;
    return nullptr;
}

u32 NOD_PatrolArea::IsInside(f32 _x, f32 _y, f32 _z) const
{
    // Written as the comparisons that hold inside, so that a NaN anywhere answers outside.
    const f32 bottom = m_centre.z + m_minZ;
    const f32 top = m_centre.z + m_maxZ;
    if (!(bottom <= _z && _z <= top))
        return 0;
    const f32 dx = _x - m_centre.x;
    const f32 dy = _y - m_centre.y;
    const f32 distance2 = dx * dx + dy * dy;
    const f32 radius2 = m_radius * m_radius;
    return distance2 <= radius2 ? 1u : 0u;
}

NOD_PatrolArea* NOD_PatrolArea::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_PatrolArea*>(_node);
}
