// The per-frame triangulation: refining each visible tile's restricted quadtree into node
// weights, emitting the refined tree as geomorphed triangle fans, and choosing which tile the
// renderer gets next while the pool of triangulation maps caches the neighbours' work.
#include <algorithm>
#include <cmath>

#include "mat_round.h"
#include "mrt_terrain.h"
#include "mrt_tileview.h"
#include "os_fatal.h"

namespace
{

// Bit 15 of an emitted index: the edge vertex exists but its edge is not split.
const u16 INACTIVE = 0x8000;
const u16 INDEX_BITS = 0x7FFF;
const u16 NO_VERTEX = 0xFFFF;
// Indices must stay below the inactive mark and can never read as "no vertex".
const s32 VERTEX_SLOTS = 0x7FFF;

// A weight below 255 slides the vertex from the coarse surface (the midpoint of a and b) to
// the height field's own sample. 2 * sample * weight is exact in s32 and rounds once to f32.
f32 Morph(f32 _a, f32 _b, s32 _sample, s32 _weight)
{
    if (_weight >= 255)
        return (f32)_sample;
    return ((_a + _b) * (f32)(255 - _weight) + (f32)(2 * _sample * _weight)) / 510.0f;
}

bool OutsideAnyPlane(const MRT_Frustum& _view, const MRT_PlaneExtent* _extents, const MAT_Vector3& _p, f32 _h, f32 _e)
{
    for (s32 k = 0; k < 6; ++k) {
        if ((_view.planeFlags & (1u << k)) == 0)
            continue;
        const MRT_Plane& plane = _view.planes[k];
        const f32 distance = plane.a * _p.x + plane.b * _p.y + plane.c * _p.z + plane.d;
        if (distance > _h * _extents[k].horizontal + _e * _extents[k].vertical)
            return true;
    }
    return false;
}

// An open fan around a centre; the rim runs counter-clockwise seen from above.
struct Fan
{
    u16 centre = 0;
    u16 rim[12] = {};
    s32 count = 0;
    bool open = false;

    void Open(u16 _centre)
    {
        centre = _centre;
        count = 0;
        open = true;
    }
    void Add(u16 _index) { rim[count++] = _index; }
};

}  // namespace

// ---- refinement ----

s32 MRT_TileView::Triangulate()
{
    const s32 size = heightField->m_width - 1;
    return CreateTriangulation(size / 2, size / 2, size);
}

s32 MRT_TileView::CreateTriangulation(s32 _x, s32 _y, s32 _s)
{
    const s32 h = _s / 2;
    const s32 q = _s / 4;
    const MAT_Vector3 p = {(f32)_x * scale.x + origin.x, (f32)_y * scale.y + origin.y,
                           (f32)(*heightField)[_y][_x] * scale.z + origin.z};
    const f32 dx = p.x - view.position.x;
    const f32 dy = p.y - view.position.y;
    const f32 dz = p.z - view.position.z;
    const f32 distance = dx * dx + dy * dy + dz * dz;

    const MOS_Map<u8>& d2 = *d2Map;
    const f32 d2Value = (f32)(d2[_y - h][_x] * 256 + d2[_y][_x - h]) / 65536.0f;
    const f32 size = (f32)_s;
    f32 threshold = 0.0f;
    switch (mode) {
    case 0: {
        const f32 reach = size * C * scale.x;
        threshold = reach * reach * std::max(c * d2Value, 1.0f);
        break;
    }
    case 1: {
        const f32 reach = size * C * scale.x * std::max(c * d2Value, 1.0f);
        threshold = reach * reach;
        break;
    }
    case 2: {
        const f32 reach = size * CPrime;
        threshold = d2Value * (reach * reach);
        break;
    }
    case 3: {
        const f32 reach = d2Value * CPrime * size;
        threshold = reach * reach;
        break;
    }
    default:
        OS_Fatal("MRT_TileData::CreateTriangulation()", "TriangulationMode must be smaller or equal 3");
    }

    MOS_Map<u8>& weights = *triangulationMap;
    if (threshold <= distance) {
        ClearSubtree(_x, _y, h);
        return 0;
    }
    // Full weight up to a quarter of the threshold, then falling linearly to 0 at the threshold.
    weights[_y][_x] = 4.0f * distance <= threshold ? 255 : (u8)(340 - (s32)std::lrint(340.0f * distance / threshold));

    if (q == 0)
        return 1;
    if (_s > view.cullSize && OutsideAnyPlane(view, view.wideExtents, p, (f32)h, (f32)deltaHeights[_s]))
        return 1;
    return 1 + CreateTriangulation(_x + q, _y + q, h) + CreateTriangulation(_x - q, _y + q, h) +
           CreateTriangulation(_x + q, _y - q, h) + CreateTriangulation(_x - q, _y - q, h);
}

void MRT_TileView::ClearSubtree(s32 _x, s32 _y, s32 _h)
{
    MOS_Map<u8>& weights = *triangulationMap;
    if (weights[_y][_x] == 0)
        return;
    if (_h >= 2) {
        const s32 q = _h / 2;
        ClearSubtree(_x + q, _y + q, q);
        ClearSubtree(_x - q, _y + q, q);
        ClearSubtree(_x - q, _y - q, q);
        ClearSubtree(_x + q, _y - q, q);
    }
    weights[_y][_x] = 0;
}

// ---- emission ----

void MRT_TileView::BuildTileGeometry(Brisel_TerrainVertex* _vertices, s32 _vertexRoom, VEC_Triangle* _triangles,
                                     s32 _triangleRoom, s32* _vertexCount, s32* _triangleCount)
{
    // The renderer hands over the free part of its arrays: the tile starts at index 0 there.
    *_vertexCount = 0;
    *_triangleCount = 0;
    BuildTileGeometry(_vertices, _vertexCount, _vertexRoom, _triangles, _triangleCount, _triangleRoom);
}

void MRT_TileView::BuildTileGeometry(MRT_TerrainVertex* _vertices, s32* _vertexCount, s32 _vertexCapacity,
                                     MRT_TerrainTriangle* _triangles, s32* _triangleCount, s32 _triangleCapacity)
{
    vertices = _vertices;
    vertexCount = *_vertexCount;
    vertexCapacity = std::min(_vertexCapacity, VERTEX_SLOTS);
    triangles = _triangles;
    triangleCount = *_triangleCount;
    triangleCapacity = _triangleCapacity;

    const s32 first = vertexCount;
    if (vertexCapacity - first < 4)
        return;
    const s32 s = heightField->m_width - 1;
    const MOS_Map<u16>& samples = *heightField;
    MOS_Map<u16>& index = *indexMap;
    const s32 corners[4][2] = {{s, s}, {0, s}, {0, 0}, {s, 0}};
    u16 cornerIndex[4] = {};
    for (s32 k = 0; k < 4; ++k) {
        const s32 x = corners[k][0];
        const s32 y = corners[k][1];
        MRT_TerrainVertex& vertex = vertices[vertexCount];
        vertex.x = (u32)x;
        vertex.y = (u32)y;
        vertex.z = (f32)samples[y][x];
        vertex.unused = 0;
        cornerIndex[k] = (u16)vertexCount;
        index[y][x] = (u16)vertexCount;
        ++vertexCount;
    }

    // What was emitted before a capacity ran out stays.
    EmitNode(s / 2, s / 2, s, cornerIndex[0], cornerIndex[1], cornerIndex[2], cornerIndex[3]);

    // The index map is shared by all tiles: leave it as empty as it was found.
    for (s32 i = first; i < vertexCount; ++i)
        index[vertices[i].y][vertices[i].x] = NO_VERTEX;

    if (vertexCount - first > 4) {
        *_vertexCount = vertexCount;
        *_triangleCount = triangleCount;
    }
}

bool MRT_TileView::EmitNode(s32 _x, s32 _y, s32 _s, u16 _c0, u16 _c1, u16 _c2, u16 _c3)
{
    const s32 h = _s / 2;
    const s32 q = _s / 4;
    const MOS_Map<u16>& samples = *heightField;
    if (_s > view.cullSize) {
        const MAT_Vector3 p = {(f32)_x * scale.x + origin.x, (f32)_y * scale.y + origin.y,
                               (f32)samples[_y][_x] * scale.z + origin.z};
        if (OutsideAnyPlane(view, view.extents, p, (f32)h, (f32)deltaHeights[_s]))
            return true;
    }

    MOS_Map<u16>& index = *indexMap;
    const MOS_Map<u8>& weights = *triangulationMap;
    auto vertex = [this](u16 _index) -> const MRT_TerrainVertex& { return vertices[_index & INDEX_BITS]; };

    u16 centre = index[_y][_x];
    if (centre == NO_VERTEX) {
        if (vertexCount >= vertexCapacity)
            return false;
        centre = (u16)vertexCount++;
        // The coarse surface under the centre is the parent's diagonal through it.
        const bool odd = ((_x + _y) / _s & 1) != 0;
        const MRT_TerrainVertex& a = vertex(odd ? _c0 : _c1);
        const MRT_TerrainVertex& b = vertex(odd ? _c2 : _c3);
        MRT_TerrainVertex& out = vertices[centre];
        out.x = (u32)_x;
        out.y = (u32)_y;
        out.z = Morph(a.z, b.z, samples[_y][_x], weights[_y][_x]);
        out.unused = 0;
        index[_y][_x] = centre;
    }

    // Edge midpoints east, north, west, south.
    const s32 edgeAt[4][2] = {{_x + h, _y}, {_x, _y + h}, {_x - h, _y}, {_x, _y - h}};
    const u16 edgeEnds[4][2] = {{_c3, _c0}, {_c0, _c1}, {_c1, _c2}, {_c2, _c3}};
    u16 edge[4] = {};
    for (s32 k = 0; k < 4; ++k) {
        const s32 ex = edgeAt[k][0];
        const s32 ey = edgeAt[k][1];
        edge[k] = index[ey][ex];
        if (edge[k] != NO_VERTEX)
            continue;
        if (vertexCount >= vertexCapacity)
            return false;
        const u16 slot = (u16)vertexCount++;
        const MRT_TerrainVertex a = vertex(edgeEnds[k][0]);
        const MRT_TerrainVertex b = vertex(edgeEnds[k][1]);
        const bool active = (k & 1) == 0 ? GetEdgeVertexX(vertices[slot], ex, ey, h, a, b)
                                         : GetEdgeVertexY(vertices[slot], ex, ey, h, a, b);
        edge[k] = active ? slot : (u16)(slot | INACTIVE);
        index[ey][ex] = edge[k];
    }
    const u16 e = edge[0];
    const u16 n = edge[1];
    const u16 w = edge[2];
    const u16 s = edge[3];
    auto isActive = [](u16 _index) { return (_index & INACTIVE) == 0; };

    const bool ne = q != 0 && weights[_y + q][_x + q] != 0;
    const bool nw = q != 0 && weights[_y + q][_x - q] != 0;
    const bool sw = q != 0 && weights[_y - q][_x - q] != 0;
    const bool se = q != 0 && weights[_y - q][_x + q] != 0;

    Fan fan;
    // Each consecutive rim pair gives (centre, later, earlier): clockwise seen from above. The
    // last triangle slot is never filled.
    auto flush = [this, &fan]() {
        if (!fan.open)
            return true;
        fan.open = false;
        if (fan.count < 2)
            return true;
        if (triangleCount + fan.count - 1 >= triangleCapacity)
            return false;
        for (s32 i = 0; i + 1 < fan.count; ++i) {
            MRT_TerrainTriangle& triangle = triangles[triangleCount++];
            triangle.vertex[0] = (u16)(fan.centre & INDEX_BITS);
            triangle.vertex[1] = (u16)(fan.rim[i + 1] & INDEX_BITS);
            triangle.vertex[2] = (u16)(fan.rim[i] & INDEX_BITS);
            // The fourth word is unused.
            triangle.material = 0;
            triangle.group = 0;
        }
        return true;
    };

    if (ne) {
        if (!EmitNode(_x + q, _y + q, h, _c0, n, centre, e))
            return false;
    } else {
        fan.Open(centre);
        if (se || isActive(e))
            fan.Add(e);
        fan.Add(_c0);
    }

    if (nw) {
        if (!ne)
            fan.Add(n);
        if (!EmitNode(_x - q, _y + q, h, n, _c1, w, centre))
            return false;
    } else if (ne) {
        if (!flush())
            return false;
        fan.Open(centre);
        fan.Add(n);
        fan.Add(_c1);
    } else {
        if (isActive(n))
            fan.Add(n);
        fan.Add(_c1);
    }

    if (sw) {
        if (!nw)
            fan.Add(w);
        if (!EmitNode(_x - q, _y - q, h, centre, w, _c2, s))
            return false;
    } else if (nw) {
        if (!flush())
            return false;
        fan.Open(centre);
        fan.Add(w);
        fan.Add(_c2);
    } else {
        if (isActive(w))
            fan.Add(w);
        fan.Add(_c2);
    }

    if (se) {
        if (!sw)
            fan.Add(s);
        if (!EmitNode(_x + q, _y - q, h, e, centre, s, _c3))
            return false;
    } else {
        if (sw) {
            if (!flush())
                return false;
            fan.Open(centre);
            fan.Add(s);
            fan.Add(_c3);
        } else {
            if (isActive(s))
                fan.Add(s);
            fan.Add(_c3);
        }
        // Close the ring towards the east edge.
        if (ne || isActive(e))
            fan.Add(e);
        else
            fan.Add(_c0);
    }

    return flush();
}

bool MRT_TileView::GetEdgeVertexX(MRT_TerrainVertex& _out, s32 _x, s32 _y, s32 _h, MRT_TerrainVertex _a,
                                  MRT_TerrainVertex _b) const
{
    const s32 size = heightField->m_width;
    // The nodes west and east of the vertex; across the tile's border they belong to the
    // neighbour, whose map tells how far it is refined there.
    s32 sides[2] = {};
    s32 count = 0;
    if (_x >= _h)
        sides[count++] = (*triangulationMap)[_y][_x - _h];
    else if (west != nullptr)
        sides[count++] = (*west->triangulationMap)[_y][size - 1 - _h];
    if (_x < size - _h)
        sides[count++] = (*triangulationMap)[_y][_x + _h];
    else if (east != nullptr)
        sides[count++] = (*east->triangulationMap)[_y][_h];

    _out.x = (u32)_x;
    _out.y = (u32)_y;
    _out.unused = 0;
    s32 weight = 255;
    for (s32 i = 0; i < count; ++i) {
        if (sides[i] == 0) {
            _out.z = (_a.z + _b.z) / 2.0f;
            return false;
        }
        weight = std::min(weight, sides[i]);
    }
    _out.z = Morph(_a.z, _b.z, (*heightField)[_y][_x], weight);
    return true;
}

bool MRT_TileView::GetEdgeVertexY(MRT_TerrainVertex& _out, s32 _x, s32 _y, s32 _h, MRT_TerrainVertex _a,
                                  MRT_TerrainVertex _b) const
{
    const s32 size = heightField->m_width;
    s32 sides[2] = {};
    s32 count = 0;
    if (_y >= _h)
        sides[count++] = (*triangulationMap)[_y - _h][_x];
    else if (south != nullptr)
        sides[count++] = (*south->triangulationMap)[size - 1 - _h][_x];
    if (_y < size - _h)
        sides[count++] = (*triangulationMap)[_y + _h][_x];
    else if (north != nullptr)
        sides[count++] = (*north->triangulationMap)[_h][_x];

    _out.x = (u32)_x;
    _out.y = (u32)_y;
    _out.unused = 0;
    s32 weight = 255;
    for (s32 i = 0; i < count; ++i) {
        if (sides[i] == 0) {
            _out.z = (_a.z + _b.z) / 2.0f;
            return false;
        }
        weight = std::min(weight, sides[i]);
    }
    _out.z = Morph(_a.z, _b.z, (*heightField)[_y][_x], weight);
    return true;
}

// ---- the frame's order of tiles ----

void MRT_Terrain::BeginTriangulation()
{
    for (s32 i = 0; i < poolSize; ++i)
        mapPool[i].nodeCount = -1;
    const s32 lines = GetNumOfLines();
    if (assignmentMap.m_count > 0)
        std::fill(assignmentMap.m_cells, assignmentMap.m_cells + assignmentMap.m_count, nullptr);
    if (doneMap.m_count > 0)
        std::fill(doneMap.m_cells, doneMap.m_cells + doneMap.m_count, (u8)0);
    tilesLeft = lines * lines;
}

MRT_TileView* MRT_Terrain::UpdateTriangulation()
{
    if (tilesLeft == 0)
        return nullptr;
    const s32 lines = GetNumOfLines();
    if (tilesLeft == lines * lines) {
        // The viewer's own cell comes first.
        const s32 column = MAT_FloorByRounding((view.position.x - Offset.x) * inverseExtentX);
        const s32 row = MAT_FloorByRounding((view.position.y - Offset.y) * inverseExtentY);
        if (column >= 0 && column < lines && row >= 0 && row < lines)
            doneMap[row][column] = 255;
        if (TriangulateTile(column, row)) {
            --tilesLeft;
            return &tileViews[VIEW_CENTRE];
        }
    }
    if (tilesLeft == 0)
        return nullptr;
    for (;;) {
        s32 column = 0;
        s32 row = 0;
        if (FindNextTile(&column, &row)) {
            doneMap[row][column] = 255;
            if (TriangulateTile(column, row)) {
                --tilesLeft;
                return &tileViews[VIEW_CENTRE];
            }
        }
        if (--tilesLeft <= 0) {
            tilesLeft = 0;
            return nullptr;
        }
    }
}

bool MRT_Terrain::FindNextTile(s32* _column, s32* _row)
{
    const s32 lines = GetNumOfLines();
    auto cached = [&](s32 _ix, s32 _iy) {
        if (_ix < 0 || _ix >= lines || _iy < 0 || _iy >= lines)
            return 0;
        const MRT_TriangulationMap* entry = assignmentMap[_iy][_ix];
        return entry != nullptr ? entry->nodeCount + 1 : 0;
    };
    s32 best = -1;
    for (s32 row = 0; row < lines; ++row)
        for (s32 column = 0; column < lines; ++column) {
            if (doneMap[row][column] == 255)
                continue;
            const s32 score = cached(column, row) + cached(column + 1, row) + cached(column, row + 1) +
                              cached(column - 1, row) + cached(column, row - 1);
            if (score > best) {
                best = score;
                *_column = column;
                *_row = row;
            }
        }
    return best >= 0;
}

bool MRT_Terrain::TriangulateTile(s32 _column, s32 _row)
{
    const s32 lines = GetNumOfLines();
    if (_column < 0 || _column >= lines || _row < 0 || _row >= lines)
        return false;

    {
        const MRT_TileData* tile = grid[_row][_column];
        const s32 hs = (tile->GetSize() - 1) / 2;
        const MAT_Vector3 p = {Offset.x + (f32)_column * extentX + (f32)hs * Scale.x,
                               Offset.y + (f32)_row * extentY + (f32)hs * Scale.y,
                               Offset.z + (f32)tile->Sample(hs, hs) * Scale.z};
        const f32 e = (f32)tile->deltaHeights[tile->GetSize() - 1];
        if (OutsideAnyPlane(view, view.extents, p, (f32)hs, e))
            return false;
    }

    // Centre, east, north, west, south, as the tile views are laid out.
    const s32 cells[5][2] = {
        {_column, _row}, {_column + 1, _row}, {_column, _row + 1}, {_column - 1, _row}, {_column, _row - 1}};
    bool inGrid[5] = {};
    bool fresh[5] = {};
    for (s32 i = 0; i < 5; ++i)
        inGrid[i] = cells[i][0] >= 0 && cells[i][0] < lines && cells[i][1] >= 0 && cells[i][1] < lines;
    auto held = [&](s32 _i) { return inGrid[_i] ? assignmentMap[cells[_i][1]][cells[_i][0]] : nullptr; };

    for (s32 i = 0; i < 5; ++i) {
        if (!inGrid[i] || held(i) != nullptr)
            continue;
        const MRT_TriangulationMap* excluded[4] = {};
        for (s32 j = 0, k = 0; j < 5; ++j)
            if (j != i)
                excluded[k++] = held(j);
        MRT_TriangulationMap* entry = FindFreeMap(excluded[0], excluded[1], excluded[2], excluded[3]);
        if (entry == nullptr)
            OS_Fatal("MRT_Terrain::TriangulateTile()", "the map pool must hold at least five triangulation maps");
        if (entry->nodeCount != -1 && assignmentMap[entry->row][entry->column] == entry)
            assignmentMap[entry->row][entry->column] = nullptr;
        // Held from now on, so that the next cell of this step cannot take it as well; its
        // triangulation follows below.
        entry->column = cells[i][0];
        entry->row = cells[i][1];
        entry->nodeCount = 0;
        assignmentMap[cells[i][1]][cells[i][0]] = entry;
        fresh[i] = true;
    }

    MRT_TileView& centre = tileViews[VIEW_CENTRE];
    MRT_TileView* neighbour[5] = {};
    for (s32 i = 1; i < 5; ++i)
        neighbour[i] = inGrid[i] ? &tileViews[i] : nullptr;
    centre.east = neighbour[VIEW_EAST];
    centre.north = neighbour[VIEW_NORTH];
    centre.west = neighbour[VIEW_WEST];
    centre.south = neighbour[VIEW_SOUTH];
    if (inGrid[VIEW_EAST])
        tileViews[VIEW_EAST].west = &centre;
    if (inGrid[VIEW_NORTH])
        tileViews[VIEW_NORTH].south = &centre;
    if (inGrid[VIEW_WEST])
        tileViews[VIEW_WEST].east = &centre;
    if (inGrid[VIEW_SOUTH])
        tileViews[VIEW_SOUTH].north = &centre;

    for (s32 i = 0; i < 5; ++i) {
        if (!inGrid[i])
            continue;
        const s32 column = cells[i][0];
        const s32 row = cells[i][1];
        MRT_TileView& tileView = tileViews[i];
        const MRT_TileData* tile = grid[row][column];
        tileView.Init({Offset.x + (f32)column * extentX, Offset.y + (f32)row * extentY, Offset.z}, Scale,
                      MinimumResolution, TriangulationMode);
        MRT_TriangulationMap* entry = assignmentMap[row][column];
        tileView.triangulationMap = entry->map;
        tileView.heightField = tile->heightField;
        tileView.d2Map = tile->d2Map;
        tileView.deltaHeights = tile->deltaHeights;
        if (fresh[i])
            entry->nodeCount = tileView.Triangulate();
    }
    return true;
}

MRT_TriangulationMap* MRT_Terrain::FindFreeMap(const MRT_TriangulationMap* _excluded0,
                                               const MRT_TriangulationMap* _excluded1,
                                               const MRT_TriangulationMap* _excluded2,
                                               const MRT_TriangulationMap* _excluded3)
{
    auto excluded = [&](const MRT_TriangulationMap* _entry) {
        return _entry == _excluded0 || _entry == _excluded1 || _entry == _excluded2 || _entry == _excluded3;
    };
    MRT_TriangulationMap* cheapest = nullptr;
    for (s32 i = 0; i < poolSize; ++i) {
        MRT_TriangulationMap* entry = &mapPool[i];
        if (excluded(entry))
            continue;
        if (entry->nodeCount == -1)
            return entry;
        if (cheapest == nullptr || entry->nodeCount < cheapest->nodeCount)
            cheapest = entry;
    }
    return cheapest;
}
