// Tile types: construction, release and the height query. Generation and the error metric
// live in mrt_tiledata_generate.cpp.
#include "mrt_tiledata.h"

#include <cfloat>

#include "mat_round.h"

MRT_TileData::MRT_TileData() = default;

MRT_TileData::~MRT_TileData()
{
    delete heightField;
    delete blockMaxima;
    delete d2Map;
    MEM_Free(deltaHeights);
}

f32 MRT_TileData::GetHeight(f32 _x, f32 _y) const
{
    const s32 last = GetSize() - 1;
    const f32 fx = _x / scale.x;
    const f32 fy = _y / scale.y;
    const s32 ix = MAT_FloorByRounding(fx);
    if (ix < 0 || ix >= last)
        return FLT_MAX;
    const s32 iy = MAT_FloorByRounding(fy);
    if (iy < 0 || iy >= last)
        return FLT_MAX;
    return GetHeightInCell(fx, fy, ix, iy);
}

f32 MRT_TileData::GetHeightInCell(f32 _fx, f32 _fy, s32 _ix, s32 _iy) const
{
    const f32 dx = _fx - (f32)_ix;
    const f32 dy = _fy - (f32)_iy;
    const f32 a = (f32)Sample(_ix, _iy) * scale.z;
    const f32 b = (f32)Sample(_ix + 1, _iy) * scale.z;
    const f32 c = (f32)Sample(_ix, _iy + 1) * scale.z;
    const f32 d = (f32)Sample(_ix + 1, _iy + 1) * scale.z;
    if (((_ix + _iy) & 1) != 0) {
        // Split along the diagonal from B to C.
        if (dx + dy < 1.0f)
            return a + (b - a) * dx + (c - a) * dy;
        return d + (b - d) * (1.0f - dy) + (c - d) * (1.0f - dx);
    }
    // Split along the diagonal from A to D.
    if (dx > dy)
        return b + (a - b) * (1.0f - dx) + (d - b) * dy;
    return c + (a - c) * (1.0f - dy) + (d - c) * dx;
}
