// A visible object (type 2): something a viewer collects when its box overlaps the viewer's.
//
// Registered by the owners of trails, halos, flares, lights and by contact aggregates; the
// owner keeps the record and its entry id.
#pragma once

#include "cod_collidable.h"
#include "os_types.h"

class NOD_Node;

class PCS_VisibleObject : public COD_Collidable
{
public:
    PCS_VisibleObject() = default;
    explicit PCS_VisibleObject(NOD_Node* _owner) : m_owner(_owner) {}
    ~PCS_VisibleObject() override;

    NOD_Node* m_owner = nullptr;  // what the viewer reports
    s32 m_entryId = -1;           // -1 = not registered
};
