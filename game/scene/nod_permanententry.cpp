#include "nod_permanententry.h"

#include "brisel_renderer.h"

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
