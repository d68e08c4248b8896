// Path nodes: the son filter and the swallowed simulation messages.
#include "nod_path.h"

#include "nod_message.h"
#include "nod_position.h"
#include "os_fatal.h"

RTI_IMPLEMENT_CLASS(NOD_Path, "NOD_Node")

NOD_Path::~NOD_Path() = default;

void NOD_Path::HeartBeat()
{
    // The waypoints are read by their users; nothing below a path runs.
}

NOD_Message* NOD_Path::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_AddSon::ID:
        return FilterAddSon(_message);
    case NOD_Node_EnterSimulation::ID:
    case NOD_Node_LeaveSimulation::ID:
        // A path is scenery for its users, never part of the simulation, and neither are its
        // waypoints.
        delete _message;
        return nullptr;
    default:
        return NOD_Node::ProcessMessage(_message);
    }
}

NOD_Message* NOD_Path::FilterAddSon(NOD_Message* _message)
{
    const auto [son] = NOD_Node_AddSon::Read(_message);
    if (NOD_Position::DynamicCast(son) != nullptr)
        return NOD_Node::ProcessMessage(_message);
    // A reference to a node that died meanwhile decodes to null: refused like any non-position,
    // under an empty name.
    OS_Log(OS_Format("NOD_Path::FilterAddSon() filtered out non position node \"%s\"",
                     son != nullptr ? son->GetName().GetName() : ""));
    delete _message;
    return nullptr;
}

NOD_Path* NOD_Path::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Path*>(_node);
}
