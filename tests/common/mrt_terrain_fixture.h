// A terrain built in memory: one tile type of W x W samples shown in every cell of an N x N
// grid, for the tests of everything that reads the ground without a file on disk.
#pragma once

#include <functional>

#include "mat_geometry.h"
#include "mrt_terrain.h"

// Fills an empty terrain; sample(x, y) gives the tile type's sample at column x, row y (u16
// height units, one unit = scale.z in the world). The tile type gets the given quadtree
// settings and its block maxima, delta heights and d2 values, as a loaded one would; the size
// must be 2^n + 1.
inline void TST_BuildTerrain(MRT_Terrain& _terrain, s32 _lines, s32 _size, const MAT_Vector3& _offset,
                             const MAT_Vector3& _scale, const std::function<u16(s32, s32)>& _sample,
                             s32 _restrictedQuadTree = 1, s32 _triangulationMode = 0, f32 _minimumResolution = 7.0f)
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
    tile.RestrictedQuadTree = _restrictedQuadTree;
    tile.TriangulationMode = _triangulationMode;
    tile.MinimumResolution = _minimumResolution;
    tile.ComputeMetrics();

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

// The pool, index map and tile views that loading would make (extra maps beyond the tile
// types' own), and the detail set on every view.
inline void TST_PrepareTriangulation(MRT_Terrain& _terrain, s32 _extraMaps, f32 _detail)
{
    const MRT_TileData& first = _terrain.tileTypes[0];
    _terrain.RestrictedQuadTree = first.RestrictedQuadTree;
    _terrain.TriangulationMode = first.TriangulationMode;
    _terrain.MinimumResolution = first.MinimumResolution;
    _terrain.poolSize = _terrain.NumOfTiles + _extraMaps;
    _terrain.mapPool = new MRT_TriangulationMap[(size_t)_terrain.poolSize];
    for (s32 i = 0; i < _terrain.poolSize; ++i)
        _terrain.mapPool[i].map =
            i < _terrain.NumOfTiles ? _terrain.tileTypes[i].d2Map : first.CreateTriangulationMap();
    const s32 lines = _terrain.GetNumOfLines();
    _terrain.assignmentMap.Reconstruct(lines, lines);
    _terrain.doneMap.Reconstruct(lines, lines);
    for (s32 i = 0; i < lines * lines; ++i) {
        _terrain.assignmentMap.m_cells[i] = nullptr;
        _terrain.doneMap.m_cells[i] = 0;
    }
    _terrain.indexMap = first.CreateIndexMap();
    _terrain.tilesLeft = 0;
    for (MRT_TileView& view : _terrain.tileViews) {
        view.east = view.west = view.north = view.south = nullptr;
        view.indexMap = _terrain.indexMap;
        view.Init(_terrain.Offset, _terrain.Scale, _terrain.MinimumResolution, _terrain.TriangulationMode);
        view.SetDetail(_detail);
    }
}

// The two ground triangles of the height cell whose low corner is global sample (x, y), in
// sample space (x, y in sample steps from the grid's low corner, z in height units): the same
// split as the tile's height query. The cell must lie on the grid. A brute-force reference for
// the ground queries, independent of their own tile walking.
inline void TST_GroundCellTriangles(const MRT_Terrain& _terrain, s32 _x, s32 _y, MAT_Triangle _out[2])
{
    const s32 span = _terrain.tileTypes[0].GetSize() - 1;
    const MRT_TileData* tile = _terrain.GetTile(_x / span, _y / span);
    const s32 lx = _x % span;
    const s32 ly = _y % span;
    auto corner = [&](s32 _dx, s32 _dy) {
        return MAT_Vector3((f32)(_x + _dx), (f32)(_y + _dy), (f32)tile->Sample(lx + _dx, ly + _dy));
    };
    if (((lx + ly) & 1) == 0) {
        _out[0].Set(corner(0, 0), corner(1, 1), corner(1, 0));
        _out[1].Set(corner(0, 0), corner(0, 1), corner(1, 1));
    } else {
        _out[0].Set(corner(0, 0), corner(0, 1), corner(1, 0));
        _out[1].Set(corner(1, 0), corner(0, 1), corner(1, 1));
    }
}
