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

struct MAT_Segment;
struct MAT_Triangle;

class MRT_Terrain final : public MEM_Object, public Brisel_TerrainTriangulation
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

    // Segment queries (mrt_segment.cpp). Where the segment first meets the ground: 1 with the
    // fraction along from -> to and the ground triangle hit (world corners and plane).
    s32 IntersectSegment(const MAT_Vector3& _from, const MAT_Vector3& _to, f32& _fraction,
                         MAT_Triangle& _triangle) const;
    // The terrain probes of avoidance: the segment with its start lowered (raised) by *offset
    // against the ground, answering the steering vector. The fifth argument is unused.
    s32 ProbeLowered(const MAT_Segment& _segment, const f32* _offset, f32 _distance, MAT_Vector3& _vector,
                     const void* _unused, f32 _s) const;
    s32 ProbeRaised(const MAT_Segment& _segment, const f32* _offset, f32 _distance, MAT_Vector3& _vector,
                    const void* _unused, f32 _limit) const;
    // Turns a ground normal into the steering vector of a probe that hit at fraction t.
    static void AvoidanceVector(MAT_Vector3& _vector, const MAT_Segment& _segment, f32 _s, f32 _t, f32 _distance);

    // Ground under collision spheres (mrt_groundcollision.cpp). Rectangles are in global
    // sample columns and rows, both ends included; they are cut into one part per tile they
    // reach inside the grid (row of tiles by row, each row from its lowest column), and parts
    // off the grid or on a null cell are skipped. Triangles are in terrain coordinates (world
    // minus Offset), two per height cell whose low corner lies in the rectangle.
    // 1 when no sample of the rectangle lies above terrain height _z.
    s32 IsRegionClear(s32 _x0, s32 _x1, s32 _y0, s32 _y1, f32 _z) const;
    // The same within one tile, local sample coordinates clamped to the tile.
    s32 IsTileRegionClear(s32 _x0, s32 _x1, s32 _y0, s32 _y1, f32 _z, const MRT_TileData& _tile) const;
    // Every triangle of the rectangle from _buffer[0] on; the buffer must hold them all (two
    // per cell). Returns the count written.
    s32 CollectTriangles(s32 _x0, s32 _y0, s32 _x1, s32 _y1, MAT_Triangle* _buffer) const;
    // The same in batches of at most _capacity records (whole cells only). _cell: the number
    // of cells already collected (0 to start); on return the number collected so far, or -1
    // once the rectangle is done. Batches joined give exactly the unbounded collection.
    s32 CollectTriangles(s32 _x0, s32 _y0, s32 _x1, s32 _y1, MAT_Triangle* _buffer, s32 _capacity, s64& _cell) const;
    // One tile's cells of the local rectangle, written from _buffer[_count] on with the tile's
    // corner (_originX, _originY); _count grows by two per cell inside the tile.
    void CollectTileTriangles(s32 _x0, s32 _x1, s32 _y0, s32 _y1, f32 _originX, f32 _originY, MAT_Triangle* _buffer,
                              const MRT_TileData& _tile, s32& _count) const;

    // Brisel_TerrainTriangulation
    void BeginTriangulation() override;
    MRT_TileView* UpdateTriangulation() override;
    bool FindNextTile(s32* _column, s32* _row);
    bool TriangulateTile(s32 _column, s32 _row);
    MRT_TriangulationMap* FindFreeMap(const MRT_TriangulationMap* _excluded0, const MRT_TriangulationMap* _excluded1,
                                      const MRT_TriangulationMap* _excluded2, const MRT_TriangulationMap* _excluded3);

    s32 GetNumOfLines() const { return grid.m_width; }
    // The tile type shown in cell (ix, iy); null off the grid.
    MRT_TileData* GetTile(s32 _ix, s32 _iy) const
    {
        const s32 lines = GetNumOfLines();
        return _ix >= 0 && _ix < lines && _iy >= 0 && _iy < lines ? grid[_iy][_ix] : nullptr;
    }

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
    // Release, and the grid, the done and assignment maps and the views' links emptied too.
    void ReleaseAll();
};

// The simulation's handle on the ground: null until the terrain node has loaded its terrain.
// Handlers and nodes keep the cell, not its content, so they see the terrain once it exists.
struct MRT_TerrainCell
{
    MRT_Terrain* terrain = nullptr;
};
