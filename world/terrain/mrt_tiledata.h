// One terrain tile type: a square height field of 2^n + 1 samples, its block maxima and delta
// heights, and the d2 error metric of its quadtree nodes that drives the triangulation.
//
// Samples are u16 height units (world height = sample * scale.z); sample (x, y) is column x of
// row y, row 0 at the lowest y. The d2 map holds two bytes per node at its lower and left edge
// midpoints; triangulations keep their node weights at the node centres of the same kind of
// map, which never coincide with d2 positions. Built once per load by Generate; every error is
// fatal.
#pragma once

#include "mat_vector.h"
#include "mem_alloc.h"
#include "mos_map.h"
#include "os_types.h"

class MRT_TileData : public MEM_Object
{
public:
    MRT_TileData();
    ~MRT_TileData();
    MRT_TileData(const MRT_TileData&) = delete;
    MRT_TileData& operator=(const MRT_TileData&) = delete;

    // Reads the height field (type 0: from the picture) and computes everything else; the
    // texture name keeps what stands before the last "_" ahead of the extension.
    void Generate(const char* _texture, const char* _heightField, s32 _type, s32 _transition, const MAT_Vector3& _scale,
                  f32 _minimumResolution, s32 _restrictedQuadTree, s32 _triangulationMode);
    // Block maxima, delta heights and d2 values of the height field already in place, with the
    // settings already stored (Generate's last computing steps; also for fields built in memory).
    void ComputeMetrics();
    // Samples = red * 256 + green of a square picture, row 0 its bottom row.
    void LoadFromBMP_24(const char* _name, MOS_Map<u16>* _map);

    // New maps the caller owns: W x W of 0xFFFF, and one of the d2 map's size cleared.
    MOS_Map<u16>* CreateIndexMap() const;
    MOS_Map<u8>* CreateTriangulationMap() const;

    // Raises the d2 value of the node centred at (x, y) with half size h to at least the value.
    void StoreD2(f32 _value, s32 _x, s32 _y, s32 _h);
    // Passes the d2 value of the node of size s at (x, y) on to the node of size 2s at (px, py).
    void PropagateD2(s32 _x, s32 _y, s32 _s, s32 _px, s32 _py);
    // The stored d2 value of a node, read as a fraction of 65535.
    f32 GetD2(s32 _x, s32 _y, s32 _h) const;

    // Height in world units above the terrain's offset at a local point (world units from
    // sample (0, 0)), on the finest triangles; FLT_MAX outside the tile.
    f32 GetHeight(f32 _x, f32 _y) const;
    // The same on cell (ix, iy) of the sample grid, at sample coordinates (fx, fy); the cell
    // must lie within 0 .. W - 2 both ways, the point may lie a hair outside it.
    f32 GetHeightInCell(f32 _fx, f32 _fy, s32 _ix, s32 _iy) const;

    // Sample (x, y), column x of row y.
    u16 Sample(s32 _x, s32 _y) const { return (*heightField)[_y][_x]; }
    // W, the height field's width in samples; 0 before a height field exists.
    s32 GetSize() const { return heightField ? heightField->m_width : 0; }

    // 1 when (x, y) is a sample of the height field: 0 <= x, y < W (mrt_groundcollision.cpp).
    s32 HasSample(s32 _x, s32 _y) const;

    MOS_Map<u16>* heightField = nullptr;
    MOS_Map<u16>* blockMaxima = nullptr;  // (W/4 + 1)^2: largest sample of each 4 x 4 block
    s32* deltaHeights = nullptr;          // W entries; entry s: largest |sample - centre| in nodes of size s
    MOS_Map<u8>* d2Map = nullptr;         // (W - 1)^2
    char textureName[64] = {};
    s32 RestrictedQuadTree = 1;
    s32 TriangulationMode = 0;
    f32 MinimumResolution = 7.0f;
    s32 Transition = 0;
    f32 d2Divisor = 100.0f;
    MAT_Vector3 scale{1.0f, 1.0f, 1.0f};
    MAT_Vector3 inverseScale{1.0f, 1.0f, 1.0f};
};
