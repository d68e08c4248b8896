// A terrain built in memory: one tile type of W x W samples shown in every cell of an N x N
// grid, for the tests of everything that reads the ground without a file on disk.
#pragma once

#include <functional>

#include "mrt_terrain.h"

// Fills an empty terrain; sample(x, y) gives the tile type's sample at column x, row y (u16
// height units, one unit = scale.z in the world).
inline void TST_BuildTerrain(MRT_Terrain& _terrain, s32 _lines, s32 _size, const MAT_Vector3& _offset,
                             const MAT_Vector3& _scale, const std::function<u16(s32, s32)>& _sample)
{
    _terrain.NumOfTiles = 1;
    _terrain.tileTypes = new MRT_TileData[1];
    MRT_TileData& tile = _terrain.tileTypes[0];
    tile.heightField = new MOS_Map<u16>;
    tile.heightField->Reconstruct(_size, _size);
    for (s32 y = 0; y < _size; ++y)
        for (s32 x = 0; x < _size; ++x)
            (*tile.heightField)[y][x] = _sample(x, y);
    tile.scale = _scale;
    tile.inverseScale = {1.0f / _scale.x, 1.0f / _scale.y, 1.0f / _scale.z};

    _terrain.grid.Reconstruct(_lines, _lines);
    for (s32 y = 0; y < _lines; ++y)
        for (s32 x = 0; x < _lines; ++x)
            _terrain.grid[y][x] = &tile;
    _terrain.Offset = _offset;
    _terrain.Scale = _scale;
    _terrain.extentX = (f32)(_size - 1) * _scale.x;
    _terrain.extentY = (f32)(_size - 1) * _scale.y;
    _terrain.inverseExtentX = 1.0f / _terrain.extentX;
    _terrain.inverseExtentY = 1.0f / _terrain.extentY;
    _terrain.scaleZ = _scale.z;
    _terrain.inverseScaleZ = 1.0f / _scale.z;
    _terrain.bounds[0] = _offset;
    _terrain.bounds[1] = {_offset.x + (f32)_lines * _terrain.extentX, _offset.y + (f32)_lines * _terrain.extentY,
                          _offset.z};
}
