// The grouping node: simulation entry and exit passed on to the sons.
#include "nod_scenario.h"
#include "nod_creationrecord.h"

#include "nod_message.h"
#include "nod_scenereplicators.h"

RTI_IMPLEMENT_CLASS(NOD_Scenario, "NOD_Node")

void NOD_Scenario::RegisterStreamCreator()
{
    RTI_SetClassFunction(GetStaticClassDefinition(), &NOD_CreationRecord::CreateFromStream);
}

NOD_Scenario::~NOD_Scenario() = default;

NOD_Scenario* NOD_Scenario::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Scenario*>(_node);
}

NOD_Message* NOD_Scenario::ProcessMessage(NOD_Message* _message)
{
    const u32 id = _message->GetType();
    if (id != NOD_Node_EnterSimulation::ID && id != NOD_Node_LeaveSimulation::ID)
        return NOD_Node::ProcessMessage(_message);
    delete _message;
    for (s32 i = 0; i < (s32)GetNumOfSons(); ++i) {
        NOD_Node* son = GetSon(i);
        if (son == nullptr)
            continue;
        NOD_Message* message = id == NOD_Node_EnterSimulation::ID ? NOD_Node_EnterSimulation::Create()
                                                                  : NOD_Node_LeaveSimulation::Create();
        delete son->ProcessMessage(message);
    }
    return nullptr;
}

NOD_Replicator* NOD_Scenario::CreateReplicator() { return new NOD_ScenarioReplicator(); }
