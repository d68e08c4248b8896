// Shadow casters (type 8) and shadow receivers (type 9).
//
// The collision pass never pairs the two, so a receiver's results are only ever cleared.
#pragma once

#include "cod_collidable.h"
#include "os_types.h"

class NOD_Node;

class COD_ShadowCaster : public COD_Collidable
{
public:
    COD_ShadowCaster() = default;
    ~COD_ShadowCaster() override;

    NOD_Node* m_owner = nullptr;
    s32 m_entryId = -1;  // -1 = not registered
};

class COD_ShadowReceiver : public COD_Collidable
{
public:
    COD_ShadowReceiver() = default;
    ~COD_ShadowReceiver() override;

    // Sets both result values to 0 (every pass).
    virtual void ClearResults();

    NOD_Node* m_owner = nullptr;
    f32 m_results[2] = {};
    s32 m_listPosition = -1;  // in COH_ShadowReceiver's list, -1 = none
};
