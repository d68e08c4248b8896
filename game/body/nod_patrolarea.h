// Patrol area nodes: a vertical cylinder in which a patrolling body may look for enemies.
//
// The cylinder stands on its centre: a point lies inside when its horizontal distance from the
// centre is at most the radius and its height lies between centre.z + MinZ and centre.z + MaxZ,
// every bound included (MinZ and MaxZ are offsets from the centre's height, so an area with
// both 0 holds only points at exactly that height). A new area is centred on (0, 0, 0) with
// radius 1.0 and MinZ = MaxZ = 0. No motion track, no HeartBeat, nothing read from description
// files: created by name and set up by script messages.
#pragma once

#include "mat_vector.h"
#include "nod_node.h"
#include "os_types.h"

class NOD_PatrolArea : public NOD_Node
{
    RTI_DECLARE_CLASS(NOD_PatrolArea)

public:
    NOD_PatrolArea() = default;
    ~NOD_PatrolArea() override;

    void HeartBeat() override;
    // PatrolArea_SetPosition, _SetRadius, _SetMinZ and _SetMaxZ (no reply); every other id
    // goes to NOD_Node.
    NOD_Message* ProcessMessage(NOD_Message* _message) override;

    // 1 when the point lies in the cylinder, bounds included; 0 otherwise (and for NaN).
    u32 IsInside(f32 _x, f32 _y, f32 _z) const;

    // The node when it is a patrol area (or of a class derived from it), else null; null for
    // null.
    static NOD_PatrolArea* DynamicCast(NOD_Node* _node);

    const MAT_Vector3& GetCentre() const { return m_centre; }
    f32 GetRadius() const { return m_radius; }
    f32 GetMinZ() const { return m_minZ; }
    f32 GetMaxZ() const { return m_maxZ; }

private:
    MAT_Vector3 m_centre;
    f32 m_radius = 1.0f;
    f32 m_minZ = 0.0f;
    f32 m_maxZ = 0.0f;
};
