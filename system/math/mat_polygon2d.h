// Two-dimensional lines and the convex-hull builder of the plant placement.
//
// MAT_Polygon2D::Build is a quick-hull with a margin: points closer than the margin to a hull
// edge are dropped, which simplifies the outline. Its working storage is sized from the input
// (taken from the engine's pools for the duration of the call), so there is no limit on the
// number of points or of hull points.
#pragma once

#include "mat_point2d.h"

// The line from p0 to p1 with its unit normal turned a quarter left of the direction, so
// that normal.p + c is the signed distance, positive on the left of p0 -> p1.
struct MAT_Line2D
{
    MAT_Point2D m_p0;
    MAT_Point2D m_p1;
    f32 m_c = 0.0f;
    MAT_Point2D m_normal;

    void Set(const MAT_Point2D& _p0, const MAT_Point2D& _p1);
    f32 Distance(const MAT_Point2D& _p) const { return m_normal.x * _p.x + m_normal.y * _p.y + m_c; }
};

class MAT_Polygon2D
{
public:
    // Replaces the first points of the array by their convex hull and returns its point count:
    // clockwise with y up, starting at the first point of largest x (or of largest y when all
    // x are equal). 0 when fewer than two distinct extreme points exist. The margin's sign is
    // ignored. The rest of the array is left as it was.
    static s32 Build(MAT_Point2D* _points, s32 _count, f32 _margin);

private:
    // A line still to be processed with the points kept for it, m_work[m_first .. + m_count).
    struct Pending
    {
        MAT_Point2D m_start;
        MAT_Point2D m_end;
        s32 m_first = 0;
        s32 m_count = 0;
    };

    explicit MAT_Polygon2D(s32 _count, f32 _margin);
    ~MAT_Polygon2D();
    MAT_Polygon2D(const MAT_Polygon2D&) = delete;
    MAT_Polygon2D& operator=(const MAT_Polygon2D&) = delete;

    s32 Partition(s32 _first, s32 _count, const MAT_Line2D& _left, const MAT_Line2D& _right, s32& _rightCount);
    void Push(const MAT_Point2D& _start, const MAT_Point2D& _end, s32 _first, s32 _count);
    void AddOuterPoints();
    void SortHull();

    MAT_Point2D* m_hull = nullptr;
    s32 m_hullCount = 0;
    f32 m_margin = 0.0f;
    MAT_Point2D* m_work = nullptr;     // the points not yet on the hull, grouped per pending line
    MAT_Point2D* m_scratch = nullptr;  // partition buffer
    Pending* m_pending = nullptr;
    s32 m_pendingCount = 0;
    void* m_block = nullptr;
};
