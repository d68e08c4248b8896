#include "cod_viewer.h"

#include "nod_node.h"
#include "pcs_visibleobject.h"

COD_Viewer::COD_Viewer(s32 _capacity) : m_capacity(_capacity > 0 ? _capacity : 0)
{
    if (m_capacity > 0)
        m_visible = new RTI_Pointer[(size_t)m_capacity];
}

COD_Viewer::~COD_Viewer() { delete[] m_visible; }

void COD_Viewer::AddVisible(PCS_VisibleObject* _visible)
{
    if (m_visibleCount < m_capacity)
        m_visible[m_visibleCount++].Set(_visible->m_owner);
}

void COD_Viewer::ClearResults() { m_visibleCount = 0; }

NOD_Node* COD_Viewer::GetVisible(s32 _index) const
{
    if (_index < 0 || _index >= m_visibleCount)
        return nullptr;
    return static_cast<NOD_Node*>(m_visible[_index].Get());
}
