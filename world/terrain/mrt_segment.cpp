// Segments against the terrain grid: the tile walk, the cut at tile borders and the two terrain
// probes of avoidance. Everything runs in sample space ((p - Offset) / Scale per axis), the
// walk itself tile-local, on the same triangles as the height query.
#include "mrt_segment.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#include "mat_round.h"
#include "mrt_terrain.h"
#include "mrt_tiledata.h"

// Corners (dx, dy) from the crossed edge's sample (i, j); see the header for the layout.
const s8 MRT_SegmentWalker::crossingTriangles[4][2][2][3][2] = {
    // Family 0, the edge from (i, j) to (i, j + 1).
    {{{{-1, 1}, {0, 1}, {0, 0}}, {{0, 1}, {1, 1}, {0, 0}}},   // i + j even
     {{{-1, 0}, {0, 1}, {0, 0}}, {{0, 1}, {1, 0}, {0, 0}}}},  // i + j odd
    // Family 1, the edge from (i, j) to (i + 1, j).
    {{{{1, 1}, {1, 0}, {0, 0}}, {{1, 0}, {1, -1}, {0, 0}}},   // even
     {{{0, 1}, {1, 0}, {0, 0}}, {{0, -1}, {0, 0}, {1, 0}}}},  // odd
    // Family 2, the diagonal of the even cell (i, j).
    {{{{0, 1}, {1, 1}, {0, 0}}, {{1, 1}, {1, 0}, {0, 0}}}, {{{0, 1}, {1, 1}, {0, 0}}, {{1, 1}, {1, 0}, {0, 0}}}},
    // Family 3, the diagonal of the odd cell (i, j).
    {{{{0, 1}, {1, 0}, {0, 0}}, {{0, 1}, {1, 1}, {1, 0}}}, {{{0, 1}, {1, 0}, {0, 0}}, {{0, 1}, {1, 1}, {1, 0}}}}};

namespace
{

bool HasSample(const MRT_TileData& _tile, s64 _x, s64 _y)
{
    const s64 size = _tile.GetSize();
    return _x >= 0 && _x < size && _y >= 0 && _y < size;
}

// The ground height at a sample for the crossing comparisons; samples off the tile count as 0.
f32 HeightOrZero(const MRT_TileData& _tile, s64 _x, s64 _y)
{
    return HasSample(_tile, _x, _y) ? (f32)_tile.Sample((s32)_x, (s32)_y) : 0.0f;
}

// Corner (x, y) of a tile-local triangle is (x, y, sample). False when a corner is off the tile.
bool BuildTriangle(const MRT_TileData& _tile, const s64 _corners[3][2], MAT_Triangle& _triangle)
{
    MAT_Vector3 points[3];
    for (s32 k = 0; k < 3; ++k) {
        const s64 x = _corners[k][0];
        const s64 y = _corners[k][1];
        if (!HasSample(_tile, x, y))
            return false;
        points[k] = {(f32)x, (f32)y, (f32)_tile.Sample((s32)x, (s32)y)};
    }
    _triangle.Set(points[0], points[1], points[2]);
    return true;
}

// The cell of a piece's end along one axis. A piece cut at a tile border may end a rounding step
// beyond the tile's first or last sample line; its end still lies in the border cell.
s64 CellOf(const MRT_TileData& _tile, f32 _v)
{
    return std::clamp<s64>(MAT_FloorByRounding(_v), 0, (s64)_tile.GetSize() - 2);
}

// Which triangle of a crossing's pair (see crossingTriangles) lies on the side the segment comes
// from: the table lists the lower-x side first (family 1: the upper-y side), the lower x - y
// side of a family 2 diagonal and the lower x + y side of a family 3 one.
s32 IncomingSide(s32 _family, const MAT_Vector3& _u)
{
    switch (_family) {
    case MRT_SegmentWalker::FAMILY_X:
        return _u.x < 0.0f ? 1 : 0;
    case MRT_SegmentWalker::FAMILY_Y:
        return _u.y > 0.0f ? 1 : 0;
    case MRT_SegmentWalker::FAMILY_DIFFERENCE:
        return _u.x - _u.y < 0.0f ? 1 : 0;
    default:
        return _u.x + _u.y < 0.0f ? 1 : 0;
    }
}

// The ray of the piece against one triangle; a hit lies within the piece, past its start.
s32 TestTriangle(const MAT_Ray& _ray, f32 _length, const MAT_Triangle& _candidate, f32& _fraction,
                 MAT_Triangle& _triangle)
{
    f32 t = 0.0f;
    if (!_ray.IntersectTriangle(_candidate, t))
        return 0;
    if (!(t > 0.0f && t <= _length))
        return 0;
    _fraction = t / _length;
    _triangle = _candidate;
    return 1;
}

// The two triangles of height cell (x, y): even cells (P00, P01, P11) and (P00, P11, P10), odd
// cells (P00, P01, P10) and (P01, P11, P10). Where both are hit, the segment went in through one
// and came back out through the other: the nearer hit is the way in.
s32 TestCell(const MRT_TileData& _tile, s64 _x, s64 _y, const MAT_Ray& _ray, f32 _length, f32& _fraction,
             MAT_Triangle& _triangle)
{
    const bool even = ((_x + _y) & 1) == 0;
    const s64 evenCell[2][3][2] = {{{_x, _y}, {_x, _y + 1}, {_x + 1, _y + 1}},
                                   {{_x, _y}, {_x + 1, _y + 1}, {_x + 1, _y}}};
    const s64 oddCell[2][3][2] = {{{_x, _y}, {_x, _y + 1}, {_x + 1, _y}},
                                  {{_x, _y + 1}, {_x + 1, _y + 1}, {_x + 1, _y}}};
    const s64(*cell)[3][2] = even ? evenCell : oddCell;
    s32 hit = 0;
    for (s32 k = 0; k < 2; ++k) {
        MAT_Triangle candidate;
        f32 fraction = 0.0f;
        MAT_Triangle triangle;
        if (BuildTriangle(_tile, cell[k], candidate) && TestTriangle(_ray, _length, candidate, fraction, triangle) &&
            (hit == 0 || fraction < _fraction)) {
            _fraction = fraction;
            _triangle = triangle;
            hit = 1;
        }
    }
    return hit;
}

}  // namespace

void MRT_SegmentWalker::Begin(const MAT_Vector3& _from, const MAT_Vector3& _to)
{
    const MAT_Vector3 delta = _to - _from;
    length = delta.Length();
    const MAT_Vector3 u(delta.x / length, delta.y / length, delta.z / length);

    // Families 0 and 1: one line per integer of x (y).
    const f32 along[2] = {u.x, u.y};
    const f32 start[2] = {_from.x, _from.y};
    for (s32 family = FAMILY_X; family <= FAMILY_Y; ++family) {
        const f32 component = along[family];
        if (std::fabs(component) <= MAT_EPSILON) {
            distances[family] = FLT_MAX;
            continue;
        }
        const f32 unit = std::fabs(component);
        steps[family] = MAT_Vector3(u.x / unit, u.y / unit, u.z / unit);
        stepLengths[family] = steps[family].Length();
        const f32 p = start[family];
        const f32 g = component > 0.0f ? std::ceil(p) - p : p - std::floor(p);
        const MAT_Vector3 offset = steps[family] * g;
        crossings[family] = _from + offset;
        distances[family] = offset.Length();
    }

    // Families 2 and 3: the diagonals, lines two units of x - y (x + y) apart.
    const s32 mx = MAT_FloorByRounding(_from.x * 0.5f);
    const s32 my = MAT_FloorByRounding(_from.y * 0.5f);
    for (s32 family = FAMILY_DIFFERENCE; family <= FAMILY_SUM; ++family) {
        f32 e;
        f32 f;
        if (family == FAMILY_DIFFERENCE) {
            e = u.x - u.y;
            f = (_from.x - _from.y) - 2.0f * (f32)((s64)mx - my);
        } else {
            e = u.x + u.y;
            f = (_from.x + _from.y) - 2.0f * (f32)((s64)mx + my) - 2.0f;
        }
        if (std::fabs(e) <= MAT_EPSILON) {
            distances[family] = FLT_MAX;
            continue;
        }
        const f32 scale = 2.0f / std::fabs(e);
        steps[family] = u * scale;
        stepLengths[family] = scale;
        f32 g;
        if (f <= 0.0f)
            g = e > 0.0f ? -f / e : (-2.0f - f) / e;
        else
            g = e > 0.0f ? (2.0f - f) / e : -f / e;
        crossings[family] = _from + u * g;
        distances[family] = g;
    }
}

s32 MRT_SegmentWalker::IntersectTile(const MAT_Vector3& _from, const MAT_Vector3& _to, const MRT_TileData* _tile,
                                     f32& _fraction, MAT_Triangle& _triangle)
{
    if (!_tile)
        return 0;
    const MAT_Vector3 delta = _to - _from;
    const f32 pieceLength = delta.Length();
    if (!(pieceLength >= MAT_EPSILON))
        return 0;
    MAT_Ray ray;
    ray.m_origin = _from;
    ray.m_direction = MAT_Vector3(delta.x / pieceLength, delta.y / pieceLength, delta.z / pieceLength);

    if (TestCell(*_tile, CellOf(*_tile, _from.x), CellOf(*_tile, _from.y), ray, pieceLength, _fraction, _triangle))
        return 1;

    Begin(_from, _to);
    for (s32 k = 0; k < 4; ++k) {
        // Insertion keeps equal distances in family order.
        s32 slot = k;
        while (slot > 0 && sortedDistances[slot - 1] > distances[k]) {
            order[slot] = order[slot - 1];
            sortedDistances[slot] = sortedDistances[slot - 1];
            --slot;
        }
        order[slot] = k;
        sortedDistances[slot] = distances[k];
    }

    const f32 outside = (f32)(_tile->GetSize() + 1);
    while (sortedDistances[0] <= length) {
        const s32 family = order[0];
        const MAT_Vector3& q = crossings[family];
        s64 i;
        s64 j;
        f32 ground;
        switch (family) {
        case FAMILY_X:
            i = MAT_FloorByRounding(q.x + 0.1f);
            j = MAT_FloorByRounding(q.y);
            ground = HeightOrZero(*_tile, i, j) +
                     (HeightOrZero(*_tile, i, j + 1) - HeightOrZero(*_tile, i, j)) * (q.y - (f32)j);
            break;
        case FAMILY_Y:
            i = MAT_FloorByRounding(q.x);
            j = MAT_FloorByRounding(q.y + 0.1f);
            ground = HeightOrZero(*_tile, i, j) +
                     (HeightOrZero(*_tile, i + 1, j) - HeightOrZero(*_tile, i, j)) * (q.x - (f32)i);
            break;
        case FAMILY_DIFFERENCE:
            i = MAT_FloorByRounding(q.x);
            j = MAT_FloorByRounding(q.y);
            ground = HeightOrZero(*_tile, i, j) +
                     (HeightOrZero(*_tile, i + 1, j + 1) - HeightOrZero(*_tile, i, j)) * (q.x - (f32)i);
            break;
        default:
            i = MAT_FloorByRounding(q.x);
            j = MAT_FloorByRounding(q.y);
            ground = HeightOrZero(*_tile, i, j + 1) +
                     (HeightOrZero(*_tile, i + 1, j) - HeightOrZero(*_tile, i, j + 1)) * (q.x - (f32)i);
            break;
        }

        // Past the tile by more than a cell and still moving away: no triangle further on can
        // be tested, so the walk can only end without a hit.
        if ((q.x > outside && ray.m_direction.x > 0.0f) || (q.x < -2.0f && ray.m_direction.x < 0.0f) ||
            (q.y > outside && ray.m_direction.y > 0.0f) || (q.y < -2.0f && ray.m_direction.y < 0.0f))
            return 0;

        if (q.z < ground) {
            // The segment went below the ground since the last crossing, so it went in through
            // the triangle on the side it came from. The other one is asked only when that one
            // cannot answer: a hit there would be the way back out.
            const s8(*pair)[3][2] = crossingTriangles[family][(i + j) & 1];
            const s32 incoming = IncomingSide(family, ray.m_direction);
            for (s32 k = 0; k < 2; ++k) {
                const s8(*corner)[2] = pair[k == 0 ? incoming : 1 - incoming];
                s64 corners[3][2];
                for (s32 c = 0; c < 3; ++c) {
                    corners[c][0] = i + corner[c][0];
                    corners[c][1] = j + corner[c][1];
                }
                MAT_Triangle candidate;
                if (BuildTriangle(*_tile, corners, candidate) &&
                    TestTriangle(ray, pieceLength, candidate, _fraction, _triangle))
                    return 1;
            }
            return 0;
        }

        // Advance the family and move it back behind every family that is not farther. A
        // distance that no longer grows (a piece far longer than any tile) ends the family.
        crossings[family] += steps[family];
        f32 next = distances[family] + stepLengths[family];
        if (!(next > distances[family]))
            next = FLT_MAX;
        distances[family] = next;
        s32 slot = 0;
        while (slot < 3 && sortedDistances[slot + 1] <= next) {
            order[slot] = order[slot + 1];
            sortedDistances[slot] = sortedDistances[slot + 1];
            ++slot;
        }
        order[slot] = family;
        sortedDistances[slot] = next;
    }

    return TestCell(*_tile, CellOf(*_tile, _to.x), CellOf(*_tile, _to.y), ray, pieceLength, _fraction, _triangle);
}

namespace
{

// The border fractions of one axis. The segment runs from tile a to tile b along the axis; border
// m (1 .. count) is the m-th tile border it crosses. Only borders next to a column (row) of the
// grid are kept: beyond them every piece lies off the grid anyway, and a segment from far away
// must not cost a piece per tile it passes.
struct BorderAxis
{
    s64 first = 1;  // the first border kept
    s64 last = 0;   // the last border kept; below first when none is
    s64 direction = 0;
    s64 count = 0;
    s64 startTile = 0;
    f32 localStart = 0.0f;  // a' and b' of this axis
    f32 localEnd = 0.0f;
    f32 span = 0.0f;  // S

    void Setup(s64 _startTile, s64 _endTile, f32 _localStart, f32 _localEnd, f32 _span, s64 _lines)
    {
        startTile = _startTile;
        localStart = _localStart;
        localEnd = _localEnd;
        span = _span;
        if (_endTile >= _startTile) {
            direction = 1;
            count = _endTile - _startTile;
            first = std::max<s64>(1, -_startTile);
            last = std::min<s64>(count, _lines - _startTile);
        } else {
            direction = -1;
            count = _startTile - _endTile;
            first = std::max<s64>(1, _startTile - _lines + 1);
            last = std::min<s64>(count, _startTile + 1);
        }
    }

    // The tile after crossing border m (before the first kept border: m = first - 1).
    s64 TileAfter(s64 _m) const { return startTile + direction * _m; }

    // With one border this is (S - a') / ((S - a') + b') going up and a' / ((S + a') - b')
    // going down; further borders add whole tile spans to both.
    f32 Fraction(s64 _m) const
    {
        const f32 spans = (f32)count * span;
        if (direction > 0)
            return ((f32)_m * span - localStart) / ((spans - localStart) + localEnd);
        const f32 numerator = _m == 1 ? localStart : localStart + (f32)(_m - 1) * span;
        return numerator / ((spans + localStart) - localEnd);
    }
};

}  // namespace

s32 MRT_Terrain::IntersectSegment(const MAT_Vector3& _from, const MAT_Vector3& _to, f32& _fraction,
                                  MAT_Triangle& _triangle) const
{
    if (NumOfTiles <= 0 || !tileTypes || tileTypes[0].GetSize() < 2)
        return 0;
    const f32 span = (f32)(tileTypes[0].GetSize() - 1);

    const MAT_Vector3 a((_from.x - Offset.x) / Scale.x, (_from.y - Offset.y) / Scale.y, (_from.z - Offset.z) / Scale.z);
    const MAT_Vector3 b((_to.x - Offset.x) / Scale.x, (_to.y - Offset.y) / Scale.y, (_to.z - Offset.z) / Scale.z);
    // Beyond 2^24 sample steps a float no longer tells one sample from the next, so nothing out
    // there can be placed on the grid (this also turns away NaN and infinite ends).
    const f32 farthest = 16777216.0f;
    if (!(std::fabs(a.x) <= farthest && std::fabs(a.y) <= farthest && std::fabs(b.x) <= farthest &&
          std::fabs(b.y) <= farthest))
        return 0;
    const MAT_Vector3 delta = b - a;

    const s32 ax = MAT_FloorByRounding(a.x / span);
    const s32 ay = MAT_FloorByRounding(a.y / span);
    const s32 bx = MAT_FloorByRounding(b.x / span);
    const s32 by = MAT_FloorByRounding(b.y / span);
    const MAT_Vector3 localA(a.x - (f32)ax * span, a.y - (f32)ay * span, a.z);
    const MAT_Vector3 localB(b.x - (f32)bx * span, b.y - (f32)by * span, b.z);

    const s64 lines = GetNumOfLines();
    BorderAxis axisX;
    BorderAxis axisY;
    axisX.Setup(ax, bx, localA.x, localB.x, span, lines);
    axisY.Setup(ay, by, localA.y, localB.y, span, lines);

    // Walk the pieces between consecutive borders in order; where a border of x and one of y
    // fall together the y border goes first.
    s64 mx = axisX.first;
    s64 my = axisY.first;
    s64 tx = axisX.TileAfter(mx - 1);
    s64 ty = axisY.TileAfter(my - 1);
    f32 begin = 0.0f;
    bool firstPiece = true;
    MRT_SegmentWalker walker;
    for (;;) {
        const bool moreX = mx <= axisX.last;
        const bool moreY = my <= axisY.last;
        const f32 fx = moreX ? axisX.Fraction(mx) : 0.0f;
        const f32 fy = moreY ? axisY.Fraction(my) : 0.0f;
        const bool last = !moreX && !moreY;
        const bool takeX = moreX && (!moreY || fx < fy);
        const f32 end = last ? 1.0f : (takeX ? fx : fy);

        const MRT_TileData* tile = tx >= 0 && tx < lines && ty >= 0 && ty < lines ? GetTile((s32)tx, (s32)ty) : nullptr;
        if (tile) {
            // Pieces are taken into their tile's frame from a' and b', so that a segment over
            // one or two tiles each way walks exactly the points it always did.
            const MAT_Vector3 shift((f32)((s64)ax - tx) * span, (f32)((s64)ay - ty) * span, 0.0f);
            MAT_Vector3 pieceFrom;
            MAT_Vector3 pieceTo;
            if (last) {
                pieceTo = localB;
                pieceFrom = firstPiece ? localA : localB - delta * (1.0f - begin);
            } else {
                pieceFrom = firstPiece ? localA : (localA + delta * begin) + shift;
                pieceTo = (localA + delta * end) + shift;
            }
            f32 t = 0.0f;
            MAT_Triangle local;
            if (walker.IntersectTile(pieceFrom, pieceTo, tile, t, local)) {
                _fraction = begin + (end - begin) * t;
                const MAT_Vector3 origin = Offset + MAT_Vector3((f32)tx * extentX, (f32)ty * extentY, 0.0f);
                _triangle.Set(origin + MAT_Vector3::MulComponents(local.m_a, Scale.x, Scale.y, Scale.z),
                              origin + MAT_Vector3::MulComponents(local.m_b, Scale.x, Scale.y, Scale.z),
                              origin + MAT_Vector3::MulComponents(local.m_c, Scale.x, Scale.y, Scale.z));
                return 1;
            }
        }
        if (last)
            return 0;
        if (takeX) {
            tx = axisX.TileAfter(mx);
            ++mx;
        } else {
            ty = axisY.TileAfter(my);
            ++my;
        }
        begin = end;
        firstPiece = false;
    }
}

void MRT_Terrain::AvoidanceVector(MAT_Vector3& _vector, const MAT_Segment& _segment, f32 _s, f32 _t, f32 _distance)
{
    const MAT_Vector3& u = _segment.m_direction;
    MAT_Vector3& v = _vector;
    // The normal mirrored across the plane perpendicular to the direction.
    v -= u * (2.0f * v.Dot(u));
    if (_s >= 0.0f) {
        v.x *= 1.0f - _s;
        v.y *= 1.0f - _s;
    } else {
        v.z *= 1.0f - _s;
    }
    if (_s > 0.99f) {
        v.Set(0.0f, 0.0f, 1.0f);
    } else if (_s < -0.99f) {
        // Ground avoiders stay on the ground: only the sideways part steers.
        const f32 k = v.x * u.x + v.y * u.y;
        v.x -= k * u.x;
        v.y -= k * u.y;
        v.z = 0.0f;
    } else {
        const f32 k = v.Dot(u);
        v.x -= k * u.x;
        v.y -= k * u.y;
        v.z = std::fabs(v.z - k * u.z) + 0.2f;
    }
    // As long as the part of the probe that lies beyond the hit.
    const f32 m = _distance - _t * _segment.m_length;
    const f32 lengthSquared = v.LengthSquared();
    if (lengthSquared > MAT_EPSILON) {
        const f32 size = std::sqrt(lengthSquared);
        v.Set(v.x * m / size, v.y * m / size, v.z * m / size);
    }
}

s32 MRT_Terrain::ProbeLowered(const MAT_Segment& _segment, const f32* _offset, f32 _distance, MAT_Vector3& _vector,
                              const void* /*_unused*/, f32 _s) const
{
    MAT_Segment probe = _segment;
    probe.m_origin.z -= *_offset;
    if (!(probe.m_length >= MAT_EPSILON))
        return 0;
    f32 fraction = 0.0f;
    MAT_Triangle triangle;
    if (!IntersectSegment(probe.m_origin, probe.m_end, fraction, triangle))
        return 0;
    _vector = triangle.m_normal;
    AvoidanceVector(_vector, probe, _s, fraction, _distance);
    return 1;
}

s32 MRT_Terrain::ProbeRaised(const MAT_Segment& _segment, const f32* _offset, f32 _distance, MAT_Vector3& _vector,
                             const void* /*_unused*/, f32 _limit) const
{
    MAT_Segment probe = _segment;
    probe.m_origin.z += *_offset;
    f32 fraction = 0.0f;
    MAT_Triangle triangle;
    if (!IntersectSegment(probe.m_origin, probe.m_end, fraction, triangle))
        return 0;
    _vector = triangle.m_normal;
    if (_vector.z < _limit) {
        // Steeper than the climb limit: a wall to steer around, weighted far above any other
        // steering vector.
        AvoidanceVector(_vector, probe, -1.0f, fraction, _distance);
        _vector *= 1e10f;
        return 1;
    }
    _vector.Set(0.0f, 0.0f, 0.0f);
    return 0;
}
