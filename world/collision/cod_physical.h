// The physical description: the collision body of a game object (type 0).
//
// This base does nothing on contact; the description kinds (vessel, player, generic object,
// bullet, torpedo, camera) override the pass operations. The owner's contact aggregate owns
// the description and registers it with COH_Physical, which keeps both list positions.
// Results are valid between the end of one pass and the start of the next.
#pragma once

#include "cod_collidable.h"
#include "os_types.h"

class COS_OBBS_Tree;
class NOD_Node;
struct MAT_Triangle;
struct MRT_TerrainCell;
struct SIM_Clock;

inline constexpr u16 COD_PHYSICAL_UNLISTED = 0xFFFF;

enum COD_PhysicalKind : s32
{
    COD_KIND_PLAYER = 0,
    COD_KIND_FREE_BODY = 1,
    COD_KIND_GROUND_BODY = 2,
    COD_KIND_GENERIC = 3,
    COD_KIND_BULLET = 4,
    COD_KIND_TORPEDO = 5,
    COD_KIND_CAMERA = 6,
};

class COD_Physical : public COD_Collidable
{
    RTI_DECLARE_CLASS(COD_Physical)

public:
    COD_Physical() = default;
    ~COD_Physical() override;

    // Both descriptions of an overlapping pair get the call; each decides whether it responds.
    virtual void Collide(COD_Physical* _other, const SIM_Clock& _clock);
    // Once per pass after the pair and terrain passes; a second call in a pass does nothing.
    virtual void EndStep();
    // Clears the per-step contact state; also run when the description is unregistered.
    virtual void BeginStep();
    // _triangles is scratch space of _capacity records lent by the handler for this call.
    virtual void CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle* _triangles, s32 _capacity,
                                const SIM_Clock& _clock);
    // Null for descriptions without a tree of their own.
    virtual COS_OBBS_Tree* GetCollisionTree() const;

    // Copies the base fields, not the list positions.
    void CopyFrom(const COD_Physical& _source);

    s32 m_kind = COD_KIND_PLAYER;
    s32 m_terrainPosition = -1;  // in COH_Physical's terrain-test list, -1 = none
    NOD_Node* m_owner = nullptr;
    s32 m_active = 0;  // the "Active" value
    s32 m_activeFlag = 0;
    f32 m_restitution = 0.0f;
    s32 m_contactFlag = 0;  // something touched the description in this pass
    s32 m_endStepDone = 0;
    u16 m_listPosition = COD_PHYSICAL_UNLISTED;  // in COH_Physical's object list
    u16 m_listPosition2 = COD_PHYSICAL_UNLISTED;
};
