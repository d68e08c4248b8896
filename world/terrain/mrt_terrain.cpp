// The terrain set: construction, release and the height query. Loading lives in
// mrt_terrain_load.cpp, the per-frame triangulation in mrt_triangulation.cpp.
#include "mrt_terrain.h"

#include <algorithm>
#include <cfloat>

#include "mat_round.h"

MRT_Terrain::MRT_Terrain() = default;

MRT_Terrain::~MRT_Terrain() { Release(); }

void MRT_Terrain::Release()
{
    delete indexMap;
    indexMap = nullptr;
    // The first NumOfTiles entries borrow the tile types' d2 maps.
    for (s32 i = NumOfTiles; i < poolSize; ++i)
        delete mapPool[i].map;
    delete[] mapPool;
    mapPool = nullptr;
    poolSize = 0;
    delete[] tileTypes;
    tileTypes = nullptr;
    NumOfTiles = 0;
}

f32 MRT_Terrain::GetHeightAt(f32 _x, f32 _y) const
{
    const s32 lines = GetNumOfLines();
    const f32 localX = _x - Offset.x;
    const f32 localY = _y - Offset.y;
    const s32 ix = MAT_FloorByRounding(localX * inverseExtentX);
    if (ix < 0 || ix >= lines)
        return FLT_MAX;
    const s32 iy = MAT_FloorByRounding(localY * inverseExtentY);
    if (iy < 0 || iy >= lines)
        return FLT_MAX;

    const MRT_TileData* tile = grid[iy][ix];
    const f32 fx = (localX - (f32)ix * extentX) / tile->scale.x;
    const f32 fy = (localY - (f32)iy * extentY) / tile->scale.y;
    // The cell is on the grid, so the point belongs to this tile even where rounding puts it
    // a hair past the tile's last sample or before its first: keep it on the edge cells.
    const s32 lastCell = tile->GetSize() - 2;
    const s32 cx = std::clamp(MAT_FloorByRounding(fx), 0, lastCell);
    const s32 cy = std::clamp(MAT_FloorByRounding(fy), 0, lastCell);
    return Offset.z + tile->GetHeightInCell(fx, fy, cx, cy);
}
