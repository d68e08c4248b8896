// The grouping node of the scene tree ("garbage", "scenario" and "script" under the root): a
// node without data of its own that passes the simulation entry and exit down to its sons, so
// that whatever hangs below it enters and leaves together with the tree.
//
// Its own in-simulation flag is never set: it is transparent, and its sons enter and leave as
// if they hung directly under the node that sent the message. One thread.
#pragma once

#include "nod_node.h"

class NOD_Replicator;
class NOD_Scenario : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_Scenario)

public:
    // Stores the class's stream creator in the creator table.
    static void RegisterStreamCreator();

public:
    NOD_Scenario() = default;
    ~NOD_Scenario() override;
    NOD_Replicator* CreateReplicator() override;

    // Node_EnterSimulation and Node_LeaveSimulation: a new message of the kind to every son,
    // in son order (the son count re-read before each, as a son may run a script that changes
    // it); the sons' replies are dropped and no reply is returned. Every other id goes to
    // NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // The node as a scenario node, or null (null for null).
    static NOD_Scenario* DynamicCast(NOD_Node* _node);
};
