// An obstacle (type 4): a body that computer-driven avoiders steer around.
//
// Made by the owner's contact aggregate from its "Avoidance" section; the owner keeps the
// transform and tree pointers valid while the obstacle is registered.
#pragma once

#include "cod_collidable.h"
#include "os_types.h"

class COS_OBBS_Tree;
class MAT_Matrix34;
class NOD_Node;

// Size classes of obstacles and avoiders.
enum COD_AvoidSizeClass : s32
{
    COD_SIZE_SMALL_VESSEL = 0,
    COD_SIZE_MEDIUM_VESSEL = 1,
    COD_SIZE_LARGE_VESSEL = 2,
    COD_SIZE_VEHICLE = 3,
    COD_SIZE_BUILDING = 4,
};

class COD_PassiveAvoid : public COD_Collidable
{
public:
    COD_PassiveAvoid() = default;
    ~COD_PassiveAvoid() override;

    // Takes over the registration field of another description.
    void Assign(const COD_PassiveAvoid& _source) { m_entryId = _source.m_entryId; }

    const MAT_Matrix34* m_transform = nullptr;
    COS_OBBS_Tree* m_tree = nullptr;
    NOD_Node* m_owner = nullptr;
    s32 m_sizeClass = COD_SIZE_SMALL_VESSEL;
    s32 m_entryId = -1;  // -1 = not registered
};
