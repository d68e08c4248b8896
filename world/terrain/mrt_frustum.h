// The view a terrain triangulates for: the viewer's position and the six planes of its view
// volume, with the extents that turn a tile's or node's box into a distance from each plane.
#pragma once

#include "mat_vector.h"
#include "os_types.h"

// a*x + b*y + c*z + d: how far a point lies outside the plane (negative: inside).
struct MRT_Plane
{
    f32 a = 0.0f;
    f32 b = 0.0f;
    f32 c = 0.0f;
    f32 d = 0.0f;
};

// How far a box of half size h samples and e height units reaches towards a plane:
// h * horizontal + e * vertical.
struct MRT_PlaneExtent
{
    f32 horizontal = 0.0f;
    f32 vertical = 0.0f;
};

class MRT_Frustum
{
public:
    // Cull level 0, planes 1 to 5 tested (the near plane, 0, is not).
    MRT_Frustum();

    void SetCullLevel(s32 _level);

    MAT_Vector3 position;
    MRT_Plane planes[6];
    MRT_PlaneExtent extents[6];      // filled by MRT_Terrain::SetView
    MRT_PlaneExtent wideExtents[6];  // three times extents
    u32 planeFlags;                  // bit k: plane k takes part in the tests
    s32 cullLevel;
    s32 cullSize;  // 1 << cullLevel: only nodes larger than this are tested against the planes
};
