// The planar texture projection of the caustics: world x and y map to texture coordinates that
// repeat every 1 / tiling units, anchored on a grid cell near the camera so the coordinates stay
// small; the third row gives height factor x height above the object origin + 1.
#pragma once

#include "mat_matrix.h"
#include "os_types.h"

struct REB_PlanarProjection
{
    f32 originU = 0.0f;
    f32 originV = 0.0f;
    f32 tiling = 1.0f;
    f32 heightFactor = 0.0f;

    // Three rows of four (u, v, height) for the object placed by _world, seen by the camera
    // whose placement is _view.
    static void Compute(const REB_PlanarProjection& _record, const MAT_Matrix34& _view, const MAT_Matrix34& _world,
                        f32 _rows[12]);
};
