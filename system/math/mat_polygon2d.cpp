// Quick-hull with a margin, for the outlines of the plant fields.
//
// The points kept for each line are grouped in one working array: a line's group is split in
// place into the groups of its two sub-lines (the points beyond neither are dropped), so the
// storage is three arrays of the input's size however deep the recursion goes, and the
// recursion runs on an explicit stack of pending lines that cannot outgrow the input either.
#include "mat_polygon2d.h"

#include <cmath>
#include <cstring>

#include "mem_alloc.h"

void MAT_Line2D::Set(const MAT_Point2D& _p0, const MAT_Point2D& _p1)
{
    m_p0 = _p0;
    m_p1 = _p1;
    const f32 nx = -(_p1.y - _p0.y);
    const f32 ny = _p1.x - _p0.x;
    const f32 scale = 1.0f / std::sqrt(nx * nx + ny * ny);
    m_normal = {nx * scale, ny * scale};
    m_c = -(m_normal.x * _p0.x + m_normal.y * _p0.y);
}

MAT_Polygon2D::MAT_Polygon2D(s32 _count, f32 _margin) : m_margin(_margin)
{
    const u32 n = (u32)_count;
    m_block = MEM_AllocOrDie(n * (3 * (u32)sizeof(MAT_Point2D) + (u32)sizeof(Pending)), "MAT_Polygon2D::Build()");
    m_hull = (MAT_Point2D*)m_block;
    m_work = m_hull + n;
    m_scratch = m_work + n;
    m_pending = (Pending*)(m_scratch + n);
}

MAT_Polygon2D::~MAT_Polygon2D() { MEM_Free(m_block); }

s32 MAT_Polygon2D::Build(MAT_Point2D* _points, s32 _count, f32 _margin)
{
    if (_count <= 0)
        return 0;
    // Three point arrays and the pending stack must fit one pool request.
    if ((u64)_count * (3 * sizeof(MAT_Point2D) + sizeof(Pending)) > 0x7FFFFFFFu)
        return 0;

    // Extremes by strict comparisons: the earliest point wins a tie.
    s32 low = 0;
    s32 high = 0;
    for (s32 i = 1; i < _count; ++i) {
        if (_points[i].x < _points[low].x)
            low = i;
        if (_points[i].x > _points[high].x)
            high = i;
    }
    if (low == high) {
        for (s32 i = 1; i < _count; ++i) {
            if (_points[i].y < _points[low].y)
                low = i;
            if (_points[i].y > _points[high].y)
                high = i;
        }
        if (low == high)
            return 0;
    }

    MAT_Polygon2D builder(_count, std::fabs(_margin));
    builder.m_hull[0] = _points[high];
    builder.m_hull[1] = _points[low];
    builder.m_hullCount = 2;

    // The two extremes leave the working set; the last points move into their places.
    std::memcpy(builder.m_work, _points, (size_t)_count * sizeof(MAT_Point2D));
    s32 remaining = _count;
    const s32 later = low > high ? low : high;
    const s32 earlier = low > high ? high : low;
    builder.m_work[later] = builder.m_work[--remaining];
    builder.m_work[earlier] = builder.m_work[--remaining];

    MAT_Line2D down;
    MAT_Line2D up;
    down.Set(builder.m_hull[0], builder.m_hull[1]);
    up.Set(builder.m_hull[1], builder.m_hull[0]);
    s32 upCount = 0;
    const s32 downCount = builder.Partition(0, remaining, down, up, upCount);
    // Last in, first out: the line from hull[0] to hull[1] is processed first.
    builder.Push(builder.m_hull[1], builder.m_hull[0], downCount, upCount);
    builder.Push(builder.m_hull[0], builder.m_hull[1], 0, downCount);
    builder.AddOuterPoints();
    builder.SortHull();

    std::memcpy(_points, builder.m_hull, (size_t)builder.m_hullCount * sizeof(MAT_Point2D));
    return builder.m_hullCount;
}

// Regroups m_work[_first .. + _count) into the points beyond _left by more than the margin,
// then those beyond _right; the others are dropped. Order within each group is kept. A point
// that rounding places beyond both lines goes with _left only, so no point can reach the hull
// twice. Returns the size of the first group.
s32 MAT_Polygon2D::Partition(s32 _first, s32 _count, const MAT_Line2D& _left, const MAT_Line2D& _right,
                             s32& _rightCount)
{
    MAT_Point2D* points = m_work + _first;
    s32 leftCount = 0;
    _rightCount = 0;
    for (s32 i = 0; i < _count; ++i) {
        const MAT_Point2D p = points[i];
        if (_left.Distance(p) > m_margin)
            points[leftCount++] = p;  // never overtakes i
        else if (_right.Distance(p) > m_margin)
            m_scratch[_rightCount++] = p;
    }
    std::memcpy(points + leftCount, m_scratch, (size_t)_rightCount * sizeof(MAT_Point2D));
    return leftCount;
}

void MAT_Polygon2D::Push(const MAT_Point2D& _start, const MAT_Point2D& _end, s32 _first, s32 _count)
{
    // A line with no point beyond it adds nothing. Every pushed group holds points of its own,
    // so the stack never holds more entries than there are points.
    if (_count == 0)
        return;
    Pending& pending = m_pending[m_pendingCount++];
    pending.m_start = _start;
    pending.m_end = _end;
    pending.m_first = _first;
    pending.m_count = _count;
}

void MAT_Polygon2D::AddOuterPoints()
{
    while (m_pendingCount > 0) {
        const Pending line = m_pending[--m_pendingCount];
        MAT_Line2D base;
        base.Set(line.m_start, line.m_end);

        MAT_Point2D* points = m_work + line.m_first;
        s32 farthest = 0;
        f32 farthestDistance = base.Distance(points[0]);
        for (s32 i = 1; i < line.m_count; ++i) {
            const f32 distance = base.Distance(points[i]);
            if (distance > farthestDistance) {
                farthest = i;
                farthestDistance = distance;
            }
        }
        const MAT_Point2D apex = points[farthest];
        m_hull[m_hullCount++] = apex;
        if (line.m_count < 2)
            continue;

        std::memmove(points + farthest, points + farthest + 1,
                     (size_t)(line.m_count - farthest - 1) * sizeof(MAT_Point2D));
        MAT_Line2D toApex;
        MAT_Line2D fromApex;
        toApex.Set(line.m_start, apex);
        fromApex.Set(apex, line.m_end);
        s32 fromCount = 0;
        const s32 toCount = Partition(line.m_first, line.m_count - 1, toApex, fromApex, fromCount);
        Push(apex, line.m_end, line.m_first + toCount, fromCount);
        Push(line.m_start, apex, line.m_first, toCount);
    }
}

// Neighbour swaps around hull[0] until a pass swaps nothing. For the points of a convex hull
// seen from one of its corners the order is consistent and this ends within a pass per point;
// the bound only guards against rounding making near-collinear points disagree forever.
void MAT_Polygon2D::SortHull()
{
    const MAT_Point2D origin = m_hull[0];
    for (s32 pass = 0; pass < m_hullCount; ++pass) {
        bool swapped = false;
        for (s32 i = 1; i + 1 < m_hullCount; ++i) {
            const f32 ax = m_hull[i].x - origin.x;
            const f32 ay = m_hull[i].y - origin.y;
            const f32 bx = m_hull[i + 1].x - origin.x;
            const f32 by = m_hull[i + 1].y - origin.y;
            if (ay * bx - by * ax < 0.0f) {
                const MAT_Point2D keep = m_hull[i];
                m_hull[i] = m_hull[i + 1];
                m_hull[i + 1] = keep;
                swapped = true;
            }
        }
        if (!swapped)
            break;
    }
}
