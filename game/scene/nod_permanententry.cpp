#include "nod_permanententry.h"

#include "brisel_renderer.h"
#include "nod_body.h"
#include "nod_message.h"

u32 NOD_PermanentEntry::ProcessSimulationMessage(NOD_Body* _body, NOD_Message* _message)
{
    const u32 id = _message->GetType();
    if (id != NOD_Node_EnterSimulation::ID && id != NOD_Node_LeaveSimulation::ID)
        return 0;
    delete _message;
    SetInSimulation(_body, id == NOD_Node_EnterSimulation::ID ? 1 : 0);
    return 1;
}

void NOD_PermanentEntry::SetInSimulation(NOD_Body* _body, u32 _in)
{
    if (_in) {
        _body->SetFlags(_body->GetFlags() | NOD_Node::FLAG_IN_SIMULATION);
        Enter(_body);
    } else {
        Leave();
        _body->SetFlags(_body->GetFlags() & ~(u32)NOD_Node::FLAG_IN_SIMULATION);
    }
}

void NOD_PermanentEntry::Enter(Brisel_Renderable* _body)
{
    if (m_body != nullptr)
        return;
    if (Brisel_Renderer* renderer = Brisel_Renderer::Get()) {
        renderer->AddPermanentBody(_body);
        m_body = _body;
    }
}

void NOD_PermanentEntry::Leave()
{
    if (m_body == nullptr)
        return;
    if (Brisel_Renderer* renderer = Brisel_Renderer::Get())
        renderer->RemovePermanentBody(m_body);
    m_body = nullptr;
}
