#include "pcs_handlers.h"

PCS_VisibleObjectHandler::~PCS_VisibleObjectHandler() = default;

void PCS_VisibleObjectHandler::SetType(u32 _type)
{
    CheckType(_type, COS_TYPE_VISIBLE, "PCS_VisibleObjectHandler::SetType");
}

PCS_ViewerHandler::~PCS_ViewerHandler() = default;

void PCS_ViewerHandler::SetType(u32 _type) { CheckType(_type, COS_TYPE_VIEWER, "PCS_ViewerHandler::SetType"); }

void PCS_ViewerHandler::BeginStep()
{
    for (s32 i = 0; i < m_count; ++i)
        m_objects[i]->ClearResults();
}
