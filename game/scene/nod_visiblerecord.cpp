// The visible-object record of lights, halos and flares.
#include "nod_visiblerecord.h"

#include "coh_handlerbase.h"
#include "cos_collisionsystem.h"
#include "nod_body.h"
#include "nod_bodylink.h"
#include "nod_message.h"
#include "pcs_visibleobject.h"
#include "sim_clock.h"

namespace
{
COH_HandlerBase* VisibleHandler()
{
    const NOD_ContactWorld* world = ContactAggregate::GetWorld();
    return world != nullptr ? world->handlers[COS_TYPE_VISIBLE] : nullptr;
}
}  // namespace

NOD_VisibleRecord::NOD_VisibleRecord(NOD_Body* _owner) { m_object = new PCS_VisibleObject(_owner); }

NOD_VisibleRecord::~NOD_VisibleRecord()
{
    delete m_object;
    m_object = nullptr;
}

void NOD_VisibleRecord::BoxAbout(NOD_Body& _body, const MAT_Vector3& _halfSize)
{
    const SIM_Clock& clock = SIM_GetSimulationClock();
    const MAT_Vector3 p = _body.GetWorldTransform(clock.time + clock.dt)->t;
    const f32 centre[3] = {p.x, p.y, p.z};
    const f32 half[3] = {_halfSize.x, _halfSize.y, _halfSize.z};
    for (s32 axis = 0; axis < 3; ++axis) {
        m_box[axis] = centre[axis] - half[axis];
        m_box[axis + 3] = centre[axis] + half[axis];
    }
}

void NOD_VisibleRecord::Enter(NOD_Body& _body, const MAT_Vector3& _halfSize)
{
    NOD_LinkToFather(_body);
    BoxAbout(_body, _halfSize);
    if (COH_HandlerBase* handler = VisibleHandler())
        handler->Insert(m_object, m_box, _body.GetRootBody());
    _body.SetFlags(_body.GetFlags() | NOD_Node::FLAG_IN_SIMULATION);
}

void NOD_VisibleRecord::Step(NOD_Body& _body)
{
    BoxAbout(_body, MAT_Vector3(1.0f, 1.0f, 1.0f));
    if (COH_HandlerBase* handler = VisibleHandler())
        handler->Update(m_object, m_box);
}

void NOD_VisibleRecord::Leave(NOD_Body& _body)
{
    if (COH_HandlerBase* handler = VisibleHandler())
        handler->Remove(m_object);
    _body.SetFlags(_body.GetFlags() & ~(u32)NOD_Node::FLAG_IN_SIMULATION);
    NOD_RestAtTrackFrame(_body, SIM_GetSimulationClock().time);
}

u32 NOD_VisibleRecord::HandleEntry(NOD_Body& _body, NOD_Message* _message, const MAT_Vector3& _firstHalfSize)
{
    switch (_message->GetType()) {
    case NOD_Node_EnterSimulation::ID:
        Enter(_body, _firstHalfSize);
        break;
    case NOD_Node_LeaveSimulation::ID:
        Leave(_body);
        break;
    default:
        return 0;
    }
    delete _message;
    return 1;
}
