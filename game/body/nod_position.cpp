// Position nodes: the point, its radius and their messages.
#include "nod_position.h"

#include "nod_message.h"

RTI_IMPLEMENT_CLASS(NOD_Position, "NOD_Node")

NOD_Position::~NOD_Position() = default;

void NOD_Position::HeartBeat()
{
    // A marker has nothing to simulate, and whatever hangs below it is not run from here.
}

NOD_Message* NOD_Position::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Position_SetPosition::ID:
        NOD_Position_SetPosition::Read(_message, &m_position);
        delete _message;
        return nullptr;
    case NOD_Position_SetRadius::ID:
        NOD_Position_SetRadius::Read(_message, &m_radius);
        delete _message;
        return nullptr;
    case NOD_Position_GetPosition::ID:
        return NOD_Position_GetPosition::Reply(_message, m_position);
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}

NOD_Position* NOD_Position::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Position*>(_node);
}
