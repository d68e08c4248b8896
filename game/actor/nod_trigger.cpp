// The trigger: its sensor set-up, entering and leaving, and the step.
#include "nod_trigger.h"

#include "cod_sensor.h"
#include "nod_bodylink.h"
#include "nod_freeflight.h"
#include "nod_message.h"
#include "sim_clock.h"

RTI_IMPLEMENT_CLASS(NOD_Trigger, "NOD_Body")

NOD_Trigger::NOD_Trigger()
{
    ContactAggregate& aggregate = GetAggregate();
    aggregate.GenerateSensor1();
    aggregate.GetSensor1()->SetCapacities(BLOCKING_CAPACITY, LIST_CAPACITY, LIST_CAPACITY, LIST_CAPACITY);
    m_parts.Fill(this);
    m_states.Register(&m_sensor, &m_parts);
    m_sensor.Init(LIST_CAPACITY, LIST_CAPACITY, LIST_CAPACITY);
}

NOD_Trigger::~NOD_Trigger() = default;

NOD_Trigger* NOD_Trigger::DynamicCast(NOD_Node* _node)
{
    if (_node == nullptr || !_node->IsKindOf(GetStaticClassDefinition()))
        return nullptr;
    return static_cast<NOD_Trigger*>(_node);
}

NOD_Message* NOD_Trigger::ProcessMessage(NOD_Message* _message)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        delete _message;
        NOD_LinkToFather(*this);
        GetAggregate().EnterSimulation(*GetWorldTransform(SIM_GetSimulationClock().time), MAT_Vector3());
        NOD_EnterSons(*this);
        SetFlags(GetFlags() | FLAG_IN_SIMULATION);
        return nullptr;
    case NOD_Node_LeaveSimulation::ID:
        delete _message;
        GetAggregate().LeaveSimulation();
        NOD_LeaveSons(*this);
        SetFlags(GetFlags() & ~(u32)FLAG_IN_SIMULATION);
        return nullptr;
    default:
        return BHV_DispatchToOwnerChain(this, _message, nullptr, &m_states, nullptr);
    }
}

void NOD_Trigger::HeartBeat()
{
    if (!IsInSimulation())
        return;
    m_states.HandlePass1();
    NOD_Node::HeartBeat();
    const SIM_Clock& clock = SIM_GetSimulationClock();
    GetAggregate().HeartBeat(*GetWorldTransform(clock.time + clock.dt), MAT_Vector3());
}
