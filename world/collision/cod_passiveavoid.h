// An obstacle (type 4): a body that computer-driven avoiders steer around.
//
// Made by the owner's contact aggregate from its "Avoidance" section; the owner keeps the
// transform and tree pointers valid while the obstacle is registered. The tree belongs to the
// owner's physical description: obstacles and avoiders only point at it.
#pragma once

#include "cod_collidable.h"
#include "os_types.h"

class COS_OBBS_Tree;
class DES_Section;
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
    COD_SIZE_CLASS_COUNT = 5,
};

class COD_PassiveAvoid : public COD_Collidable
{
public:
    COD_PassiveAvoid() = default;
    ~COD_PassiveAvoid() override;

    // Reads "Description" ("SmallVessel", "MediumVessel", "LargeVessel", "Vehicle",
    // "Building") into the size class; any other value is fatal.
    virtual void Parse(DES_Section* _section);

    // Takes over the registration field and the size class of another description: the
    // obstacle made beside an avoider must be avoided as what the avoider is.
    void Assign(const COD_PassiveAvoid& _source);

    const MAT_Matrix34* m_transform = nullptr;
    COS_OBBS_Tree* m_tree = nullptr;
    NOD_Node* m_owner = nullptr;
    s32 m_sizeClass = COD_SIZE_SMALL_VESSEL;
    s32 m_entryId = -1;  // -1 = not registered
};
