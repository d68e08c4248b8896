// Path nodes: an ordered list of positions, the sons of the path in son order, for the go-to
// and patrol behaviours and the camera's path flight.
//
// A path has no fields of its own and no simulation state: it never carries the
// in-simulation flag, swallows Node_EnterSimulation and Node_LeaveSimulation without passing
// them to its sons, and runs no HeartBeat. Node_AddSon only takes positions (FilterAddSon);
// sons created in other ways (Node_CreateNode, a description's "Child" sections) are not
// filtered, so readers of a path still check the class of every son.
#pragma once

#include "nod_node.h"

class NOD_Path : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Path)

public:
    NOD_Path() = default;
    ~NOD_Path() override;

    void HeartBeat() override;
    // Node_AddSon through FilterAddSon; Node_EnterSimulation and Node_LeaveSimulation are
    // deleted; every other id goes to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // Node_AddSon sent to the path (takes the message): a position is appended as the last son
    // by the node's own handling; anything else, a dead node's reference included, is refused
    // with a log line and the message deleted. Answers no reply.
    NOD_Message* FilterAddSon(NOD_Message* _message);

    // The node when it is a path (or of a class derived from it), else null; null for null.
    static NOD_Path* DynamicCast(NOD_Node* _node);
};
