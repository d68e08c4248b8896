// The ground under collision spheres: the quick test of a sample rectangle against a height and
// the exact triangles of its height cells, read straight from the tile types' height fields.
//
// A global sample column X lies in tile X / S (toward zero) at local column X - tile * S, with
// S = W - 1 of tile type 0; neighbouring tiles share their border samples, so a tile's last
// column starts no cell of its own and the next tile's column 0 carries on.
#include <algorithm>

#include "mat_geometry.h"
#include "mat_round.h"
#include "mrt_terrain.h"

namespace
{
// One tile's share of a global rectangle, local bounds not yet clamped to the tile.
struct TilePart
{
    const MRT_TileData* tile;
    s32 ix;
    s32 iy;
    s32 x0;
    s32 x1;
    s32 y0;
    s32 y1;
};

// Calls _visit for every part of the rectangle in collection order (rows of tiles from the
// lowest, each from its lowest column) until it answers false; returns false in that case.
// Only tiles inside the grid are visited, every one between the first and the last: a
// rectangle wider than two tiles must not lose the ground in between. For one or two tiles per
// direction this is exactly the classic split into up to four parts, in the same order.
template <typename Visit>
bool ForEachPart(const MRT_Terrain& _terrain, s32 _x0, s32 _x1, s32 _y0, s32 _y1, Visit&& _visit)
{
    const s32 lines = _terrain.GetNumOfLines();
    if (lines <= 0 || _terrain.NumOfTiles <= 0 || _terrain.tileTypes == nullptr)
        return true;
    const s32 span = _terrain.tileTypes[0].GetSize() - 1;
    // An inverted rectangle (only from a broken radius) holds no samples; with toward-zero
    // division it would otherwise select tiles backwards.
    if (span <= 0 || _x0 > _x1 || _y0 > _y1)
        return true;

    const s32 tx0 = _x0 / span;
    const s32 tx1 = _x1 / span;
    const s32 ty0 = _y0 / span;
    const s32 ty1 = _y1 / span;
    const s32 lx0 = _x0 - tx0 * span;
    const s32 lx1 = _x1 - tx1 * span;
    const s32 ly0 = _y0 - ty0 * span;
    const s32 ly1 = _y1 - ty1 * span;

    const s32 fromX = std::max(tx0, 0);
    const s32 toX = std::min(tx1, lines - 1);
    const s32 fromY = std::max(ty0, 0);
    const s32 toY = std::min(ty1, lines - 1);
    for (s32 ty = fromY; ty <= toY; ++ty) {
        for (s32 tx = fromX; tx <= toX; ++tx) {
            const MRT_TileData* tile = _terrain.GetTile(tx, ty);
            if (tile == nullptr)
                continue;
            const TilePart part{
                tile, tx, ty, tx == tx0 ? lx0 : 0, tx == tx1 ? lx1 : span, ty == ty0 ? ly0 : 0, ty == ty1 ? ly1 : span};
            if (!_visit(part))
                return false;
        }
    }
    return true;
}

// The cells of a local rectangle that lie inside the tile (their low corner in 0 .. W - 2 both
// ways). Empty when _x0 > _x1 or _y0 > _y1 on return.
void ClampCells(const MRT_TileData& _tile, s32& _x0, s32& _x1, s32& _y0, s32& _y1)
{
    const s32 last = _tile.GetSize() - 2;
    _x0 = std::max(_x0, 0);
    _y0 = std::max(_y0, 0);
    _x1 = std::min(_x1, last);
    _y1 = std::min(_y1, last);
}

// Both triangles of cell (x, y) into _out[0] and _out[1]: split along P00-P11 when x + y is
// even, along P10-P01 when odd, the same split as the tile's height query.
void WriteCell(const MRT_Terrain& _terrain, const MRT_TileData& _tile, s32 _x, s32 _y, f32 _originX, f32 _originY,
               MAT_Triangle* _out)
{
    const MAT_Vector3& scale = _terrain.Scale;
    const f32 x0 = _originX + (f32)_x * scale.x;
    const f32 x1 = _originX + (f32)(_x + 1) * scale.x;
    const f32 y0 = _originY + (f32)_y * scale.y;
    const f32 y1 = _originY + (f32)(_y + 1) * scale.y;
    const MAT_Vector3 p00{x0, y0, (f32)_tile.Sample(_x, _y) * scale.z};
    const MAT_Vector3 p10{x1, y0, (f32)_tile.Sample(_x + 1, _y) * scale.z};
    const MAT_Vector3 p01{x0, y1, (f32)_tile.Sample(_x, _y + 1) * scale.z};
    const MAT_Vector3 p11{x1, y1, (f32)_tile.Sample(_x + 1, _y + 1) * scale.z};
    if (((_x + _y) & 1) == 0) {
        _out[0].Set(p00, p11, p10);
        _out[1].Set(p00, p01, p11);
    } else {
        _out[0].Set(p00, p01, p10);
        _out[1].Set(p10, p01, p11);
    }
}
}  // namespace

s32 MRT_TileData::HasSample(s32 _x, s32 _y) const
{
    const s32 size = GetSize();
    return _x >= 0 && _x < size && _y >= 0 && _y < size ? 1 : 0;
}

s32 MRT_Terrain::IsRegionClear(s32 _x0, s32 _x1, s32 _y0, s32 _y1, f32 _z) const
{
    const bool clear = ForEachPart(*this, _x0, _x1, _y0, _y1, [&](const TilePart& _part) {
        return IsTileRegionClear(_part.x0, _part.x1, _part.y0, _part.y1, _z, *_part.tile) != 0;
    });
    return clear ? 1 : 0;
}

s32 MRT_Terrain::IsTileRegionClear(s32 _x0, s32 _x1, s32 _y0, s32 _y1, f32 _z, const MRT_TileData& _tile) const
{
    const s32 threshold = MAT_FloorByRounding(_z / Scale.z);
    const s32 size = _tile.GetSize();
    const s32 x0 = std::max(_x0, 0);
    const s32 y0 = std::max(_y0, 0);
    const s32 x1 = std::min(_x1, size - 1);
    const s32 y1 = std::min(_y1, size - 1);
    if (x0 > x1 || y0 > y1)
        return 1;

    // The maxima let a sphere high above the ground go after a few comparisons; a map of the
    // wrong size (not made for this field) is not trusted.
    const MOS_Map<u16>* maxima = _tile.blockMaxima;
    const s32 blocks = size / 4 + 1;
    if (maxima != nullptr && maxima->m_width >= blocks && maxima->m_height >= blocks) {
        for (s32 row = y0 / 4; row <= y1 / 4; ++row) {
            for (s32 column = x0 / 4; column <= x1 / 4; ++column) {
                if ((s32)(*maxima)[row][column] <= threshold)
                    continue;
                const s32 sy1 = std::min(row * 4 + 3, y1);
                const s32 sx1 = std::min(column * 4 + 3, x1);
                for (s32 y = std::max(row * 4, y0); y <= sy1; ++y)
                    for (s32 x = std::max(column * 4, x0); x <= sx1; ++x)
                        if ((s32)_tile.Sample(x, y) > threshold)
                            return 0;
            }
        }
        return 1;
    }

    for (s32 y = y0; y <= y1; ++y)
        for (s32 x = x0; x <= x1; ++x)
            if ((s32)_tile.Sample(x, y) > threshold)
                return 0;
    return 1;
}

s32 MRT_Terrain::CollectTriangles(s32 _x0, s32 _y0, s32 _x1, s32 _y1, MAT_Triangle* _buffer) const
{
    s32 count = 0;
    ForEachPart(*this, _x0, _x1, _y0, _y1, [&](const TilePart& _part) {
        CollectTileTriangles(_part.x0, _part.x1, _part.y0, _part.y1, (f32)_part.ix * extentX, (f32)_part.iy * extentY,
                             _buffer, *_part.tile, count);
        return true;
    });
    return count;
}

s32 MRT_Terrain::CollectTriangles(s32 _x0, s32 _y0, s32 _x1, s32 _y1, MAT_Triangle* _buffer, s32 _capacity,
                                  s64& _cell) const
{
    if (_cell < 0)
        return 0;
    const s32 room = std::max(_capacity, 0) / 2;  // whole cells that fit
    s64 skip = _cell;                             // cells of earlier batches still to pass over
    s32 written = 0;                              // cells of this batch
    const bool finished = ForEachPart(*this, _x0, _x1, _y0, _y1, [&](const TilePart& _part) {
        s32 x0 = _part.x0, x1 = _part.x1, y0 = _part.y0, y1 = _part.y1;
        ClampCells(*_part.tile, x0, x1, y0, y1);
        if (x0 > x1 || y0 > y1)
            return true;
        const s64 rows = (s64)y1 - y0 + 1;
        const s64 cells = ((s64)x1 - x0 + 1) * rows;
        if (skip >= cells) {
            skip -= cells;
            return true;
        }
        const f32 originX = (f32)_part.ix * extentX;
        const f32 originY = (f32)_part.iy * extentY;
        // Columns outside, rows inside: the order of CollectTileTriangles.
        for (s64 k = skip; k < cells; ++k) {
            if (written == room) {
                _cell += written;
                return false;
            }
            WriteCell(*this, *_part.tile, x0 + (s32)(k / rows), y0 + (s32)(k % rows), originX, originY,
                      _buffer + 2 * written);
            ++written;
        }
        skip = 0;
        return true;
    });
    if (finished)
        _cell = -1;
    return 2 * written;
}

void MRT_Terrain::CollectTileTriangles(s32 _x0, s32 _x1, s32 _y0, s32 _y1, f32 _originX, f32 _originY,
                                       MAT_Triangle* _buffer, const MRT_TileData& _tile, s32& _count) const
{
    // Cells outside the tile write nothing; clamping first keeps the order of the others and
    // bounds the loops whatever the rectangle.
    s32 x0 = _x0, x1 = _x1, y0 = _y0, y1 = _y1;
    ClampCells(_tile, x0, x1, y0, y1);
    for (s32 x = x0; x <= x1; ++x) {
        for (s32 y = y0; y <= y1; ++y) {
            WriteCell(*this, _tile, x, y, _originX, _originY, _buffer + _count);
            _count += 2;
        }
    }
}
