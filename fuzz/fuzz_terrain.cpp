// Fuzzes the terrain loader and the queries on what it loads: the input up to its first zero
// byte becomes "terrain.des", the rest "h.tga", the one height-field picture the tiles may
// name. A terrain that loads is loaded a second time into the same object (the reload path),
// then asked for heights on and around its grid, for segment hits, for the ground under
// rectangles of samples and for one triangulation pass as the renderer drives it. The queries'
// segments, rectangles and view are drawn from the input's last bytes. Fatal refusals of the
// files are expected; a crash, an out-of-bounds access, a refused load that leaves something
// behind, a leak or a query answer that contradicts the terrain traps.
#include <algorithm>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstddef>
#include <cstring>

#include "brisel_scene.h"
#include "fuzz_workdir.h"
#include "mat_geometry.h"
#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "mrt_tileview.h"
#include "os_fatal.h"
#include "os_path.h"

namespace
{

void Check(bool _condition)
{
    if (!_condition)
        __builtin_trap();
}

// Counts and sizes beyond these would only spend the run (and the memory limit) on clearing
// maps that a small input cannot fill: numbers of more than three digits, hexadecimal ones
// and pictures larger than 65 x 65 are skipped.
bool WithinLimits(const u8* _text, size_t _textSize, const u8* _picture, size_t _pictureSize)
{
    size_t digits = 0;
    bool fraction = false;  // the digits behind a decimal point are a float's and size nothing
    for (size_t i = 0; i < _textSize; ++i) {
        const u8 c = _text[i];
        if (c >= '0' && c <= '9') {
            if (!fraction && ++digits > 3)
                return false;
            if (c == '0' && i + 1 < _textSize && (_text[i + 1] | 0x20) == 'x')
                return false;
        } else {
            fraction = c == '.';
            digits = 0;
        }
    }
    if (_pictureSize >= 16) {
        const u32 width = (u32)_picture[12] | ((u32)_picture[13] << 8);
        const u32 height = (u32)_picture[14] | ((u32)_picture[15] << 8);
        if (width > 65 || height > 65)
            return false;
    }
    return true;
}

bool Load(MRT_Terrain& _terrain)
{
    try {
        _terrain.LoadTerrain("terrain.des");
    } catch (const OS_FatalError&) {
        Check(_terrain.GetNumOfLines() == 0 && _terrain.tileTypes == nullptr && _terrain.NumOfTiles == 0 &&
              _terrain.mapPool == nullptr && _terrain.poolSize == 0 && _terrain.indexMap == nullptr);
        return false;
    }
    return true;
}

void Query(const MRT_Terrain& _terrain)
{
    const s32 lines = _terrain.GetNumOfLines();
    Check(lines >= 1 && _terrain.NumOfTiles >= 1 && _terrain.poolSize >= 5);
    const s32 size = _terrain.tileTypes[0].GetSize();
    for (s32 iy = 0; iy < lines; ++iy) {
        for (s32 ix = 0; ix < lines; ++ix) {
            const MRT_TileData* tile = _terrain.GetTile(ix, iy);
            Check(tile != nullptr && tile >= _terrain.tileTypes && tile < _terrain.tileTypes + _terrain.NumOfTiles);
            Check(tile->GetSize() == size);
        }
    }
    // Points on a lattice over the grid and one cell beyond each side.
    const f32 low[2] = {_terrain.bounds[0].x, _terrain.bounds[0].y};
    const f32 high[2] = {_terrain.bounds[1].x, _terrain.bounds[1].y};
    const f32 step[2] = {_terrain.extentX, _terrain.extentY};
    const s32 samples = lines < 14 ? 4 * lines + 8 : 64;
    bool moderate = true;
    for (s32 k = 0; k < 2; ++k)
        moderate =
            moderate && std::fabs(low[k]) < 1e6f && std::fabs(high[k]) < 1e6f && step[k] >= 1e-3f && step[k] < 1e6f;
    for (s32 j = 0; j <= samples; ++j) {
        for (s32 i = 0; i <= samples; ++i) {
            const f32 x = low[0] - step[0] + (high[0] - low[0] + 2.0f * step[0]) * (f32)i / (f32)samples;
            const f32 y = low[1] - step[1] + (high[1] - low[1] + 2.0f * step[1]) * (f32)j / (f32)samples;
            const f32 height = _terrain.GetHeightAt(x, y);
            // Well off the grid there is no ground, where the placement is moderate enough for
            // the margin of three quarters of a cell to survive rounding.
            if (moderate && (x < low[0] - 0.75f * step[0] || y < low[1] - 0.75f * step[1] ||
                             x > high[0] + 0.75f * step[0] || y > high[1] + 0.75f * step[1]))
                Check(height == FLT_MAX);
        }
    }
    const f32 nan = std::nanf("");
    _terrain.GetHeightAt(nan, low[1]);
    _terrain.GetHeightAt(low[0], nan);
    _terrain.GetHeightAt(-FLT_MAX, FLT_MAX);
}

// Values for the queries, read from the input's end backwards so that a change to the last
// bytes moves one query rather than all; once they run out, a generator seeded with the whole
// input carries on.
class Draw
{
public:
    Draw(const u8* _data, size_t _size) : m_data(_data), m_size(_size)
    {
        for (size_t i = 0; i < _size; ++i)
            m_state = (m_state ^ _data[i]) * 0x100000001B3ull;
    }

    u8 Byte()
    {
        if (m_used < m_size)
            return m_data[m_size - 1 - m_used++];
        m_state += 0x9E3779B97F4A7C15ull;
        u64 z = m_state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return (u8)(z ^ (z >> 31));
    }
    u32 Word() { return (u32)Byte() << 8 | Byte(); }
    // _low .. _high, both included.
    s64 Range(s64 _low, s64 _high) { return _low + (s64)Word() % (_high - _low + 1); }
    f32 Between(f32 _low, f32 _high) { return _low + (_high - _low) * ((f32)Word() / 65535.0f); }

private:
    const u8* m_data;
    size_t m_size;
    size_t m_used = 0;
    u64 m_state = 0xCBF29CE484222325ull;
};

// What the queries need to know of a loaded terrain. Where offset and scales are tame, sample
// coordinates survive the trip into the world and back to well within a tenth of a sample, so
// answers can be held to the geometry; elsewhere the queries only have to stay in bounds.
struct Shape
{
    s32 lines = 0;
    s32 span = 0;     // cells per tile and direction
    s64 samples = 0;  // cells of the grid per direction; the last sample column has this index
    bool tameXY = false;
    bool tameZ = false;
};

Shape Describe(const MRT_Terrain& _terrain)
{
    Shape shape;
    shape.lines = _terrain.GetNumOfLines();
    shape.span = _terrain.tileTypes[0].GetSize() - 1;
    shape.samples = (s64)shape.lines * shape.span;
    const MAT_Vector3& offset = _terrain.Offset;
    const MAT_Vector3& scale = _terrain.Scale;
    shape.tameXY = scale.x >= 0.1f && scale.x <= 1e3f && scale.y >= 0.1f && scale.y <= 1e3f &&
                   std::fabs(offset.x) <= 1e3f && std::fabs(offset.y) <= 1e3f;
    shape.tameZ = scale.z >= 1e-4f && scale.z <= 1e2f && std::fabs(offset.z) <= 1e3f;
    return shape;
}

// The world point of sample coordinates (x, y) and height z in height units.
MAT_Vector3 World(const MRT_Terrain& _terrain, f32 _x, f32 _y, f32 _z)
{
    const MAT_Vector3& offset = _terrain.Offset;
    const MAT_Vector3& scale = _terrain.Scale;
    return {offset.x + _x * scale.x, offset.y + _y * scale.y, offset.z + _z * scale.z};
}

// One segment query; a hit on a tame terrain lies along the segment, on a triangle of the grid.
s32 Segment(const MRT_Terrain& _terrain, const Shape& _shape, const MAT_Vector3& _from, const MAT_Vector3& _to,
            f32& _fraction)
{
    _fraction = -1.0f;
    MAT_Triangle triangle;
    const s32 hit = _terrain.IntersectSegment(_from, _to, _fraction, triangle);
    Check(hit == 0 || hit == 1);
    if (hit == 1 && _shape.tameXY && _shape.tameZ) {
        Check(_fraction >= -1e-6f && _fraction <= 1.0001f);
        const f32 slackX = 1e-4f * (std::fabs(_terrain.bounds[0].x) + std::fabs(_terrain.bounds[1].x)) + 1e-3f;
        const f32 slackY = 1e-4f * (std::fabs(_terrain.bounds[0].y) + std::fabs(_terrain.bounds[1].y)) + 1e-3f;
        for (const MAT_Vector3* corner : {&triangle.m_a, &triangle.m_b, &triangle.m_c}) {
            Check(corner->x >= _terrain.bounds[0].x - slackX && corner->x <= _terrain.bounds[1].x + slackX);
            Check(corner->y >= _terrain.bounds[0].y - slackY && corner->y <= _terrain.bounds[1].y + slackY);
        }
    }
    return hit;
}

void Segments(const MRT_Terrain& _terrain, const Shape& _shape, Draw& _draw)
{
    const f32 span = (f32)_shape.span;
    const f32 lines = (f32)_shape.lines;
    const f32 last = (f32)_shape.samples;
    f32 fraction = 0.0f;

    // From up to two tiles off the grid, reaching up to six tiles on, at heights from below the
    // lowest sample to above the highest.
    for (s32 i = 0; i < 5; ++i) {
        const f32 x = _draw.Between(-2.0f, lines + 2.0f) * span;
        const f32 y = _draw.Between(-2.0f, lines + 2.0f) * span;
        const f32 dx = _draw.Between(-6.0f, 6.0f) * span;
        const f32 dy = _draw.Between(-6.0f, 6.0f) * span;
        const f32 z0 = _draw.Between(-16384.0f, 81920.0f);
        const f32 z1 = _draw.Between(-16384.0f, 81920.0f);
        Segment(_terrain, _shape, World(_terrain, x, y, z0), World(_terrain, x + dx, y + dy, z1), fraction);
    }

    // A point, and ends that are no point at all.
    const MAT_Vector3 point = World(_terrain, _draw.Between(0.0f, last), _draw.Between(0.0f, last), 100.0f);
    Segment(_terrain, _shape, point, point, fraction);
    const f32 nan = std::nanf("");
    Check(Segment(_terrain, _shape, {nan, point.y, point.z}, point, fraction) == 0);
    Check(Segment(_terrain, _shape, point, {point.x, INFINITY, point.z}, fraction) == 0);

    // Over the whole grid and a tile beyond each side, down through every height.
    if (_shape.lines <= 64)
        Segment(_terrain, _shape, World(_terrain, -span, -0.5f * span, 70000.0f),
                World(_terrain, last + span, last + span, -8000.0f), fraction);

    // From ten million sample steps away across the grid: walked only near the grid. Beyond
    // 2^24 steps nothing can be placed on the grid any more.
    const f32 across = _draw.Between(0.0f, last);
    Segment(_terrain, _shape, World(_terrain, -1e7f, across, 50000.0f), World(_terrain, 1e7f, last - across, 0.0f),
            fraction);
    const s32 beyond = Segment(_terrain, _shape, World(_terrain, -3e7f, across, 50000.0f),
                               World(_terrain, 0.5f * last, across, -10.0f), fraction);
    if (_shape.tameXY)
        Check(beyond == 0);

    // Level above twice the highest sample: no triangle reaches up there.
    {
        const f32 x = _draw.Between(-span, last + span);
        const f32 y = _draw.Between(-span, last + span);
        const s32 hit =
            Segment(_terrain, _shape, World(_terrain, x, y, 131072.0f),
                    World(_terrain, x + _draw.Between(-4.0f, 4.0f) * span, y + 3.0f * span, 131072.0f), fraction);
        if (_shape.tameXY && _shape.tameZ)
            Check(hit == 0);
    }

    // Straight down through a cell, away from its edges and diagonals: the ground is met where
    // the height query puts it. Cliffs steep enough to bring the triangle's normal near the
    // horizontal are left out.
    for (s32 i = 0; i < 3; ++i) {
        const s64 cx = _draw.Range(0, _shape.samples - 1);
        const s64 cy = _draw.Range(0, _shape.samples - 1);
        f32 fx = _draw.Between(0.1f, 0.2f);
        f32 fy = _draw.Between(0.3f, 0.4f);
        if ((_draw.Byte() & 1) != 0)
            std::swap(fx, fy);
        if (!_shape.tameXY || !_shape.tameZ)
            continue;
        const MRT_TileData* tile = _terrain.GetTile((s32)(cx / _shape.span), (s32)(cy / _shape.span));
        const s32 lx = (s32)(cx % _shape.span);
        const s32 ly = (s32)(cy % _shape.span);
        const s32 corners[4] = {tile->Sample(lx, ly), tile->Sample(lx + 1, ly), tile->Sample(lx, ly + 1),
                                tile->Sample(lx + 1, ly + 1)};
        if (*std::max_element(corners, corners + 4) - *std::min_element(corners, corners + 4) > 2048)
            continue;
        const MAT_Vector3 top = World(_terrain, (f32)cx + fx, (f32)cy + fy, 69632.0f);
        const MAT_Vector3 bottom = World(_terrain, (f32)cx + fx, (f32)cy + fy, -4096.0f);
        Check(Segment(_terrain, _shape, top, bottom, fraction) == 1);
        const f32 z = top.z + (bottom.z - top.z) * fraction;
        Check(std::fabs(z - _terrain.GetHeightAt(top.x, top.y)) <= 1e-4f * (top.z - bottom.z));
    }
}

// One axis of a sample rectangle: on the grid, across a tile border, wholly off it, over one of
// its edges, from or to the end of the number range, or inverted.
void DrawAxis(const Shape& _shape, Draw& _draw, s32& _low, s32& _high)
{
    const s64 width = _draw.Range(0, 63);
    s64 start = 0;
    switch (_draw.Range(0, 5)) {
    case 0:
        start = _draw.Range(0, _shape.samples);
        break;
    case 1:
        start = _shape.span * _draw.Range(0, _shape.lines) - _draw.Range(0, width);
        break;
    case 2:
        start = (_draw.Byte() & 1) != 0 ? -1 - width - _draw.Range(0, 80) : _shape.samples + 1 + _draw.Range(0, 80);
        break;
    case 3:
        start = (_draw.Byte() & 1) != 0 ? -_draw.Range(0, width) : _shape.samples - _draw.Range(0, width);
        break;
    case 4:
        if ((_draw.Byte() & 1) != 0) {
            _low = INT_MIN;
            _high = (s32)_draw.Range(-2, 3);
        } else {
            _low = (s32)(_shape.samples - _draw.Range(0, 2));
            _high = INT_MAX;
        }
        return;
    default:
        _low = (s32)_draw.Range(0, _shape.samples);
        _high = _low - 1 - (s32)_draw.Range(0, 3);
        return;
    }
    _low = (s32)start;
    _high = (s32)(start + width);
}

// The height cells of an axis range: those whose low corner lies on the grid.
s64 CellsOf(const Shape& _shape, s32 _low, s32 _high)
{
    return std::max<s64>(0, std::min<s64>(_high, _shape.samples - 1) - std::max<s64>(_low, 0) + 1);
}

u64 Mix(u64 _hash, f32 _value)
{
    u32 bits = 0;
    memcpy(&bits, &_value, sizeof(bits));
    return (_hash ^ bits) * 0x100000001B3ull;
}

u64 Mix(u64 _hash, const MAT_Triangle& _triangle)
{
    for (const MAT_Vector3* p : {&_triangle.m_a, &_triangle.m_b, &_triangle.m_c, &_triangle.m_normal})
        _hash = Mix(Mix(Mix(_hash, p->x), p->y), p->z);
    return Mix(_hash, _triangle.m_d);
}

MAT_Triangle s_collected[1024];

// The whole rectangle in batches of _capacity records: every batch but the last fills its room
// of whole cells and moves the cursor by as many, and the triangles lie over the rectangle.
u64 CollectInBatches(const MRT_Terrain& _terrain, const Shape& _shape, s32 _x0, s32 _x1, s32 _y0, s32 _y1,
                     s32 _capacity, s64 _cells)
{
    const s32 room = _capacity / 2;
    const MAT_Vector3& scale = _terrain.Scale;
    const f32 slackX = 1e-4f * (f32)_shape.samples * scale.x + 1e-3f;
    const f32 slackY = 1e-4f * (f32)_shape.samples * scale.y + 1e-3f;
    const f32 lowX = (f32)std::max<s64>(_x0, 0) * scale.x - slackX;
    const f32 highX = (f32)(std::min<s64>(_x1, _shape.samples - 1) + 1) * scale.x + slackX;
    const f32 lowY = (f32)std::max<s64>(_y0, 0) * scale.y - slackY;
    const f32 highY = (f32)(std::min<s64>(_y1, _shape.samples - 1) + 1) * scale.y + slackY;
    u64 hash = 0xCBF29CE484222325ull;
    s64 total = 0;
    s64 cursor = 0;
    while (cursor != -1) {
        const s64 before = cursor;
        const s32 count = _terrain.CollectTriangles(_x0, _y0, _x1, _y1, s_collected, _capacity, cursor);
        Check(count >= 0 && count <= 2 * room && count % 2 == 0);
        if (cursor != -1)
            Check(count == 2 * room && cursor == before + room);
        for (s32 i = 0; i < count; ++i) {
            hash = Mix(hash, s_collected[i]);
            if (_shape.tameXY)
                for (const MAT_Vector3* p : {&s_collected[i].m_a, &s_collected[i].m_b, &s_collected[i].m_c})
                    Check(p->x >= lowX && p->x <= highX && p->y >= lowY && p->y <= highY);
        }
        total += count;
        Check(total <= 2 * _cells);
    }
    Check(total == 2 * _cells);
    return hash;
}

void Regions(const MRT_Terrain& _terrain, const Shape& _shape, Draw& _draw)
{
    const f32 scaleZ = _terrain.Scale.z;
    const bool heights = scaleZ > 0.0f && std::isfinite(65536.0f * scaleZ);
    for (s32 i = 0; i < 6; ++i) {
        s32 x0 = 0, x1 = 0, y0 = 0, y1 = 0;
        DrawAxis(_shape, _draw, x0, x1);
        DrawAxis(_shape, _draw, y0, y1);
        const s64 cells = CellsOf(_shape, x0, x1) * CellsOf(_shape, y0, y1);

        // Above the highest sample every rectangle is clear; below the lowest only one that
        // holds no sample of the grid.
        _terrain.IsRegionClear(x0, x1, y0, y1, _draw.Between(-16.0f, 80.0f) * scaleZ * 1024.0f);
        if (heights) {
            Check(_terrain.IsRegionClear(x0, x1, y0, y1, 65536.0f * scaleZ) == 1);
            Check(_terrain.IsRegionClear(x0, x1, y0, y1, -scaleZ) == (cells > 0 ? 0 : 1));
        }

        // Batches of any size join to the same triangles, and to the unbounded collection
        // where the buffer holds it.
        const u64 full = CollectInBatches(_terrain, _shape, x0, x1, y0, y1, 1024, cells);
        const s32 small = (s32)_draw.Range(2, 9);
        Check(CollectInBatches(_terrain, _shape, x0, x1, y0, y1, small, cells) == full);
        if (cells <= 512) {
            const s32 count = _terrain.CollectTriangles(x0, y0, x1, y1, s_collected);
            Check(count == 2 * cells);
            u64 hash = 0xCBF29CE484222325ull;
            for (s32 k = 0; k < count; ++k)
                hash = Mix(hash, s_collected[k]);
            Check(hash == full);
        }
        // Room for less than a cell: nothing moves until the rectangle is empty.
        s64 cursor = 0;
        Check(_terrain.CollectTriangles(x0, y0, x1, y1, s_collected, (s32)_draw.Range(-1, 1), cursor) == 0);
        Check(cursor == (cells > 0 ? 0 : -1));
    }
}

MRT_TerrainVertex s_vertices[6144];
MRT_TerrainTriangle s_triangles[8192];

// One tile as the renderer takes it, mostly into the whole arrays, sometimes into what is left
// of them near their end.
void Emit(Brisel_TerrainTile& _tile, s32 _size, Draw& _draw)
{
    s32 vertexRoom = 6144;
    s32 triangleRoom = 8192;
    if (_draw.Byte() < 40) {
        vertexRoom = (s32)_draw.Range(0, 80);
        triangleRoom = (s32)_draw.Range(0, 160);
    }
    s32 vertexCount = -1;
    s32 triangleCount = -1;
    _tile.BuildTileGeometry(s_vertices, vertexRoom, s_triangles, triangleRoom, &vertexCount, &triangleCount);
    Check(vertexCount >= 0 && vertexCount <= vertexRoom && triangleCount >= 0 && triangleCount <= triangleRoom);
    for (s32 i = 0; i < vertexCount; ++i) {
        const MRT_TerrainVertex& vertex = s_vertices[i];
        Check(vertex.x < (u32)_size && vertex.y < (u32)_size && vertex.z >= -1.0f && vertex.z <= 65536.0f);
    }
    for (s32 i = 0; i < triangleCount; ++i)
        for (u16 index : s_triangles[i].vertex)
            Check(index < vertexCount);
}

// One pass of the renderer's triangulation for a viewer near the grid's centre, looking through
// a box of side planes around it and one tilted plane.
void Triangulation(MRT_Terrain& _terrain, const Shape& _shape, Draw& _draw)
{
    // Every step of the pass scans the grid for its next tile.
    if (_shape.lines > 16)
        return;
    const f32 width = (f32)_shape.lines * _terrain.extentX;
    const f32 depth = (f32)_shape.lines * _terrain.extentY;
    const MAT_Vector3& offset = _terrain.Offset;
    const f32 x = offset.x + width * _draw.Between(0.25f, 0.75f);
    const f32 y = offset.y + depth * _draw.Between(0.25f, 0.75f);
    const f32 z = offset.z + _terrain.Scale.z * _draw.Between(-8192.0f, 98304.0f);
    const f32 reach = _draw.Between(0.1f, 1.5f);
    const f32 rx = 0.5f * width * reach;
    const f32 ry = 0.5f * depth * reach;

    MRT_Frustum view;
    view.position = {x, y, z};
    view.planes[0] = {0.0f, 0.0f, 1.0f, -z};
    view.planes[1] = {1.0f, 0.0f, 0.0f, -(x + rx)};
    view.planes[2] = {-1.0f, 0.0f, 0.0f, x - rx};
    view.planes[3] = {0.0f, 1.0f, 0.0f, -(y + ry)};
    view.planes[5] = {0.0f, -1.0f, 0.0f, y - ry};
    MRT_Plane& tilted = view.planes[4];
    tilted.a = _draw.Between(-1.0f, 1.0f);
    tilted.b = _draw.Between(-1.0f, 1.0f);
    tilted.c = _draw.Between(-1.0f, 1.0f);
    tilted.d = -(tilted.a * x + tilted.b * y + tilted.c * z) - _draw.Between(0.0f, rx + ry);
    // Normals of any length are made unit length; a zero normal stays a constant.
    const u8 plane = _draw.Byte();
    if (plane < 6 * 16) {
        MRT_Plane& chosen = view.planes[plane % 6];
        const f32 factor = plane < 6 * 4 ? 0.0f : _draw.Between(0.25f, 4.0f);
        chosen.a *= factor;
        chosen.b *= factor;
        chosen.c *= factor;
    }
    const u8 flags = _draw.Byte();
    view.planeFlags = flags < 64 ? 0u : flags < 128 ? (u32)(flags & 0x3F) : 0x3Eu;
    view.SetCullLevel((s32)_draw.Range(0, 6));
    _terrain.SetView(view);
    // Without a detail the modes with a refinement factor of their own refine nothing.
    if ((_draw.Byte() & 1) != 0) {
        const f32 detail = _draw.Between(0.5f, 64.0f);
        for (MRT_TileView& tileView : _terrain.tileViews)
            tileView.SetDetail(detail);
    }

    const s32 size = _terrain.tileTypes[0].GetSize();
    bool drawn[16 * 16] = {};
    s32 tiles = 0;
    try {
        _terrain.BeginTriangulation();
        while (MRT_TileView* tile = _terrain.UpdateTriangulation()) {
            Check(++tiles <= _shape.lines * _shape.lines);
            if (_shape.tameXY) {
                const s32 column = (s32)std::lrint((tile->origin.x - offset.x) / _terrain.extentX);
                const s32 row = (s32)std::lrint((tile->origin.y - offset.y) / _terrain.extentY);
                Check(column >= 0 && column < _shape.lines && row >= 0 && row < _shape.lines);
                Check(!drawn[row * 16 + column]);
                drawn[row * 16 + column] = true;
            }
            Emit(*tile, size, _draw);
        }
    } catch (const OS_FatalError&) {
        // The one refusal left to a loaded terrain: a mode the refinement does not know.
        Check(_terrain.TriangulationMode < 0 || _terrain.TriangulationMode > 3);
        return;
    }
    // With no plane tested, no tile is left out.
    if (view.planeFlags == 0)
        Check(tiles == _shape.lines * _shape.lines);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const u8* _data, size_t _size)
{
    FUZZ_EnterWorkDirectory("terrain", FUZZ_LOG_SILENT);
    const u8* zero = (const u8*)memchr(_data, 0, _size);
    const size_t textSize = zero != nullptr ? (size_t)(zero - _data) : _size;
    const u8* picture = zero != nullptr ? zero + 1 : _data + _size;
    const size_t pictureSize = _size - (size_t)(picture - _data);
    if (!WithinLimits(_data, textSize, picture, pictureSize))
        return 0;
    FUZZ_WriteFile("terrain.des", _data, textSize);
    FUZZ_WriteFile("h.tga", picture, pictureSize);

    OS_ResetPathCache();
    const u32 bytesBefore = MEM_GetBytesInUse();
    {
        MRT_Terrain terrain;
        if (Load(terrain) && Load(terrain)) {
            Query(terrain);
            Draw draw(_data, _size);
            const Shape shape = Describe(terrain);
            Segments(terrain, shape, draw);
            Regions(terrain, shape, draw);
            Triangulation(terrain, shape, draw);
        }
    }
    OS_ResetPathCache();
    Check(MEM_GetBytesInUse() == bytesBefore);
    return 0;
}
