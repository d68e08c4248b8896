// One active ground cell of a plant field: 64 x 64 world units whose plants are placed from
// the shared random table, set on the terrain, and drawn one by one or baked into one of the
// renderer's plant tiles.
//
// A cell keeps only one ground height per plant; positions, turns and scales are recomputed
// from the table whenever the cell is baked or drawn, so a cell that comes back into view looks
// the same. Plants without ground under them (no terrain, or outside it) are left out of the
// bounds, the tile and the drawing. The mesh handle belongs to the plant node, which outlives
// its cells; with a tile the mesh is one of the run's mesh cache, without one a body visual.
// One thread.
#pragma once

#include "mat_geometry.h"
#include "mat_matrix.h"
#include "mem_alloc.h"
#include "os_types.h"

// What a plant node hands a new cell.
struct FX_PlantCellSetup
{
    s32 mesh = 0;     // the node's 1-based mesh handle
    s32 column = 0;   // 0..63
    s32 row = 0;      // 0..63
    u32 pixel = 0;    // the plant-map pixel: 0xAARRGGBB, alpha = density
    s32 divisor = 1;  // the renderer's RenderPlants, at least 1
    f32 minX = 1.0f, maxX = 1.0f;
    f32 minY = 1.0f, maxY = 1.0f;
    f32 minZ = 1.0f, maxZ = 1.0f;
};

class FX_PlantCell : public MEM_Object
{
public:
    enum : s32
    {
        MAX_PLANTS = 256,
        CELL_SIZE = 64,
    };

    FX_PlantCell() = default;
    FX_PlantCell(const FX_PlantCell&) = delete;
    FX_PlantCell& operator=(const FX_PlantCell&) = delete;

    // Stores the cell's data, finds the ground under every plant, sets the bounds and, with a
    // tile (-1: none), bakes the tile.
    void Init(const FX_PlantCellSetup& _setup, const f32* _table, s32 _tableSize, s32 _tile);
    // Fills the cell's tile with every grounded plant's mesh, all parts under the first part's
    // material; stops (one log line) at the first plant that would overflow the tile.
    void BuildTile(const f32* _table, s32 _tableSize);
    // Draws the cell for the renderer's camera of the current frame.
    void Render(f32 _maxDistance, const f32* _table, s32 _tableSize);

    // Plant _index's transform (turn about z, scales, position on its ground height).
    MAT_Matrix34 GetPlantTransform(s32 _index, const f32* _table, s32 _tableSize) const;
    // 1 when plant _index has ground under it.
    u32 IsGrounded(s32 _index) const;

    s32 GetTile() const { return m_tile; }
    s32 GetMesh() const { return m_mesh; }
    s32 GetPlantCount() const { return m_plantCount; }
    s32 GetGroundedCount() const { return m_groundedCount; }
    s32 GetColumn() const { return m_column; }
    s32 GetRow() const { return m_row; }
    f32 GetOriginX() const { return m_originX; }
    f32 GetOriginY() const { return m_originY; }
    const u8* GetColor() const { return m_color; }  // red, green, blue
    const MAT_AABox& GetBounds() const { return m_bounds; }
    f32 GetHeight(s32 _index) const { return m_heights[_index]; }
    u32 GetLastSeen() const { return m_lastSeen; }
    void SetLastSeen(u32 _step) { m_lastSeen = _step; }
    // Plants placed in the tile by the last BuildTile.
    s32 GetTilePlants() const { return m_tilePlants; }

private:
    // The first table entry of the cell's plants.
    s32 FirstEntry(s32 _tableSize) const;

    s32 m_mesh = 0;
    s32 m_tile = -1;
    f32 m_originX = 0.0f;
    f32 m_originY = 0.0f;
    f32 m_sizeX = (f32)CELL_SIZE;
    f32 m_sizeY = (f32)CELL_SIZE;
    u8 m_plantCount = 0;
    u8 m_column = 0;
    u8 m_row = 0;
    u8 m_color[3] = {};
    f32 m_scaleXMin = 1.0f;
    f32 m_scaleXRange = 0.0f;
    f32 m_scaleYMin = 1.0f;
    f32 m_scaleYRange = 0.0f;
    f32 m_scaleZMin = 1.0f;
    f32 m_scaleZRange = 0.0f;
    MAT_AABox m_bounds;
    f32 m_heights[MAX_PLANTS] = {};
    u32 m_lastSeen = 0;
    s32 m_groundedCount = 0;
    s32 m_tilePlants = 0;
};
