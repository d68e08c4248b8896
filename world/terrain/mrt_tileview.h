// One tile's triangulation: a restricted quadtree refined by the viewer's distance and the
// tile type's d2 values, emitted as triangle fans with geomorphed heights. The terrain keeps
// five, the centre tile of a triangulation step and its east, north, west and south
// neighbours, linked so that shared borders get the same vertices on both sides.
#pragma once

#include "brisel_scene.h"
#include "mat_vector.h"
#include "mem_alloc.h"
#include "mos_map.h"
#include "mrt_frustum.h"
#include "os_types.h"
#include "vec_mesh.h"

// An emitted vertex: sample column x, row y, the morphed height z in height units.
typedef Brisel_TerrainVertex MRT_TerrainVertex;
// An emitted triangle: three 16-bit vertex indices into the tile's vertices, one word unused.
typedef VEC_Triangle MRT_TerrainTriangle;
static_assert(sizeof(MRT_TerrainTriangle) == 8, "a terrain triangle is four 16-bit words");

// One entry of the terrain's pool of triangulation maps.
struct MRT_TriangulationMap
{
    s32 column = 0;
    s32 row = 0;
    s32 nodeCount = -1;  // refined nodes of the triangulation it holds; -1: free
    MOS_Map<u8>* map = nullptr;
};

class MRT_TileView : public MEM_Object, public Brisel_TerrainTile
{
public:
    MRT_TileView();
    ~MRT_TileView() = default;
    MRT_TileView(const MRT_TileView&) = delete;
    MRT_TileView& operator=(const MRT_TileView&) = delete;

    void Init(const MAT_Vector3& _origin, const MAT_Vector3& _scale, f32 _C, s32 _mode);
    void SetDetail(f32 _detail);

    // Refines the whole tile for the view; answers the number of refined nodes.
    s32 Triangulate();
    // Refines the node of size s centred at (x, y) and writes the weights of its subtree;
    // answers the number of refined nodes in it (0: the node is not refined).
    s32 CreateTriangulation(s32 _x, s32 _y, s32 _s);
    // Sets the weights of the node of half size h and of all its refined descendants to 0.
    void ClearSubtree(s32 _x, s32 _y, s32 _h);

    // Emits the tile behind the counts already in the arrays; the counts are written back
    // unless the tile adds no more than its four corners. At most 0x7FFF vertex slots are used:
    // an index carries the inactive mark in bit 15.
    void BuildTileGeometry(MRT_TerrainVertex* _vertices, s32* _vertexCount, s32 _vertexCapacity,
                           MRT_TerrainTriangle* _triangles, s32* _triangleCount, s32 _triangleCapacity);
    // Emits one refined node with corner indices (x + h, y + h), (x - h, y + h), (x - h, y - h),
    // (x + h, y - h); false when a capacity ran out.
    bool EmitNode(s32 _x, s32 _y, s32 _s, u16 _c0, u16 _c1, u16 _c2, u16 _c3);
    // The morphed midpoint (x, y) of a vertical (X) or horizontal (Y) edge of half length h with
    // end vertices a and b; false when the edge is not split (the vertex lies on the edge).
    bool GetEdgeVertexX(MRT_TerrainVertex& _out, s32 _x, s32 _y, s32 _h, MRT_TerrainVertex _a,
                        MRT_TerrainVertex _b) const;
    bool GetEdgeVertexY(MRT_TerrainVertex& _out, s32 _x, s32 _y, s32 _h, MRT_TerrainVertex _a,
                        MRT_TerrainVertex _b) const;

    MRT_Frustum view;
    f32 C = 1.0f;  // MinimumResolution: refinement factor of modes 0 and 1
    MAT_Vector3 origin;
    MAT_Vector3 scale{1.0f, 1.0f, 1.0f};
    s32 mode = 2;
    f32 CPrime = 0.0f;  // refinement factor of modes 2 and 3
    f32 c = 1.0f;       // d2 weight of modes 0 and 1
    MRT_TerrainVertex* vertices = nullptr;
    s32 vertexCount = 0;
    s32 vertexCapacity = 0;
    MRT_TerrainTriangle* triangles = nullptr;
    s32 triangleCount = 0;
    s32 triangleCapacity = 0;
    MRT_TileView* east = nullptr;
    MRT_TileView* west = nullptr;
    MRT_TileView* north = nullptr;
    MRT_TileView* south = nullptr;
    MOS_Map<u16>* heightField = nullptr;
    MOS_Map<u8>* d2Map = nullptr;
    MOS_Map<u16>* indexMap = nullptr;
    MOS_Map<u8>* triangulationMap = nullptr;
    s32* deltaHeights = nullptr;

    // Brisel_TerrainTile
    void BuildTileGeometry(Brisel_TerrainVertex* _vertices, s32 _vertexRoom, VEC_Triangle* _triangles,
                           s32 _triangleRoom, s32* _vertexCount, s32* _triangleCount) override;
    MAT_Vector3 GetOrigin() const override { return origin; }
    MAT_Vector3 GetScale() const override { return scale; }
};
