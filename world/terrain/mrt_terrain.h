// The ground of a scene: a square grid of cells, each showing one of a few tile types, placed
// in the world by one offset and one scale and described by one "terrain.des".
//
// Grid cell (ix, iy) covers Offset.x + ix * extent.x .. + extent.x (and likewise in y); row 0
// is the lowest y. Loading is all or nothing: every error of the files is fatal. Queries off
// the grid are no error and answer FLT_MAX. The terrain also drives the renderer's per-frame
// triangulation of the tiles near the viewer.
#pragma once

#include "brisel_scene.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "mos_map.h"
#include "mrt_frustum.h"
#include "mrt_tiledata.h"
#include "mrt_tileview.h"
#include "os_types.h"

class MRT_Terrain : public MEM_Object, public Brisel_TerrainTriangulation
{
public:
    // The five tile views of one triangulation step.
    enum : s32
    {
        VIEW_CENTRE = 0,
        VIEW_EAST = 1,
        VIEW_NORTH = 2,
        VIEW_WEST = 3,
        VIEW_SOUTH = 4
    };

    MRT_Terrain();
    ~MRT_Terrain();
    MRT_Terrain(const MRT_Terrain&) = delete;
    MRT_Terrain& operator=(const MRT_Terrain&) = delete;

    // Builds the whole terrain from the file, replacing what an earlier load built.
    void LoadTerrain(const char* _path);
    // Takes the view for the next triangulation, plane normals made unit length.
    void SetView(const MRT_Frustum& _view);
    // Ground height under a world point, FLT_MAX off the grid.
    f32 GetHeightAt(f32 _x, f32 _y) const;

    // Brisel_TerrainTriangulation
    void BeginTriangulation() override;
    MRT_TileView* UpdateTriangulation() override;
    bool FindNextTile(s32* _column, s32* _row);
    bool TriangulateTile(s32 _column, s32 _row);
    MRT_TriangulationMap* FindFreeMap(const MRT_TriangulationMap* _excluded0, const MRT_TriangulationMap* _excluded1,
                                      const MRT_TriangulationMap* _excluded2, const MRT_TriangulationMap* _excluded3);

    s32 GetNumOfLines() const { return grid.m_width; }
    // The tile type shown in cell (ix, iy); both inside the grid.
    MRT_TileData* GetTile(s32 _ix, s32 _iy) const { return grid[_iy][_ix]; }

    MRT_Frustum view;
    f32 inverseExtentX = 0.0f;
    f32 inverseExtentY = 0.0f;
    f32 inverseScaleZ = 0.0f;
    f32 extentX = 0.0f;  // world size of one cell: (W - 1) * Scale.x
    f32 extentY = 0.0f;
    f32 scaleZ = 0.0f;
    s32 RestrictedQuadTree = 0;
    s32 TriangulationMode = 0;
    f32 MinimumResolution = 0.0f;
    f32 MaximumD2 = 0.0f;
    MAT_Vector3 bounds[2];  // low corner Offset; high corner Offset + NumOfLines * extent (z Offset.z)
    MAT_Vector3 Offset;
    MAT_Vector3 Scale;  // z: one height unit (the file's value / 256)
    MRT_TileView tileViews[5];
    MRT_TileData* tileTypes = nullptr;  // NumOfTiles, owned
    MOS_Map<MRT_TileData*> grid;        // [row][column]
    s32 NumOfTiles = 0;
    MOS_Map<u8> doneMap;
    MRT_TriangulationMap* mapPool = nullptr;  // poolSize entries, owned
    MOS_Map<MRT_TriangulationMap*> assignmentMap;
    s32 poolSize = 0;
    MOS_Map<u16>* indexMap = nullptr;
    s32 tilesLeft = 0;

private:
    void Release();
};

// The simulation's handle on the ground: null until the terrain node has loaded its terrain.
// Handlers and nodes keep the cell, not its content, so they see the terrain once it exists.
struct MRT_TerrainCell
{
    MRT_Terrain* terrain = nullptr;
};
