#include "cos_obbs_tree.h"

#include <cmath>

#include "cos_obbs_local.h"
#include "des_file.h"
#include "os_fatal.h"

namespace
{
// The segment seen from the frame at _origin with the unit axes _axes: end point and delta are
// taken across and the origin follows from them, so the end stays exactly where it was.
MAT_Segment SegmentToFrame(const MAT_Segment& _segment, const MAT_Vector3& _origin, const MAT_Vector3& _a0,
                           const MAT_Vector3& _a1, const MAT_Vector3& _a2, f32 _length)
{
    const MAT_Vector3 end = _segment.m_end - _origin;
    MAT_Segment local;
    local.m_end = MAT_Vector3(end.Dot(_a0), end.Dot(_a1), end.Dot(_a2));
    local.m_delta = MAT_Vector3(_segment.m_delta.Dot(_a0), _segment.m_delta.Dot(_a1), _segment.m_delta.Dot(_a2));
    local.m_origin = local.m_end - local.m_delta;
    local.m_length = _length;
    local.m_direction = local.m_delta.Divide(_length);
    return local;
}

MAT_Segment SegmentToTree(const MAT_Segment& _segment, const MAT_Matrix34& _frame)
{
    const MAT_Vector3 a0 = _frame.r.GetAxis(0);
    const MAT_Vector3 a1 = _frame.r.GetAxis(1);
    const MAT_Vector3 a2 = _frame.r.GetAxis(2);
    const MAT_Vector3 delta(_segment.m_delta.Dot(a0), _segment.m_delta.Dot(a1), _segment.m_delta.Dot(a2));
    return SegmentToFrame(_segment, _frame.t, a0, a1, a2, delta.Length());
}

// What the loader learns about each node beyond its fields; freed on every way out, a fatal
// error included.
class NodeFlags
{
public:
    enum : u8
    {
        HAS_RANGE = 1,  // the section holds F
        IS_CHILD = 2,   // some node already names it as a child
    };
    explicit NodeFlags(s32 _count) : m_flags((u8*)MEM_AllocOrDie((u32)_count, "COS_OBBS_Tree::LoadFile"))
    {
        for (s32 i = 0; i < _count; ++i)
            m_flags[i] = 0;
    }
    ~NodeFlags() { MEM_Free(m_flags); }
    NodeFlags(const NodeFlags&) = delete;
    NodeFlags& operator=(const NodeFlags&) = delete;
    u8& operator[](s32 _index) { return m_flags[_index]; }

private:
    u8* m_flags;
};
}  // namespace

// ---------------------------------------------------------------------------------------------
// COS_OBBS_TreeNode

s32 COS_OBBS_TreeNode::LoadFile(DES_Section* _section)
{
    _section->GetFloat("SR", &sphere.m_radius);
    _section->GetFloat("SX", &sphere.m_centre.x);
    _section->GetFloat("SY", &sphere.m_centre.y);
    _section->GetFloat("SZ", &sphere.m_centre.z);
    _section->GetFloat("EX", &halfExtents.x);
    _section->GetFloat("EY", &halfExtents.y);
    _section->GetFloat("EZ", &halfExtents.z);
    _section->GetFloat("TX", &boxCentre.x);
    _section->GetFloat("TY", &boxCentre.y);
    _section->GetFloat("TZ", &boxCentre.z);
    _section->GetFloat("0X", &axes[0].x);
    _section->GetFloat("0Y", &axes[0].y);
    _section->GetFloat("0Z", &axes[0].z);
    _section->GetFloat("1X", &axes[1].x);
    _section->GetFloat("1Y", &axes[1].y);
    _section->GetFloat("1Z", &axes[1].z);
    _section->GetFloat("2X", &axes[2].x);
    _section->GetFloat("2Y", &axes[2].y);
    _section->GetFloat("2Z", &axes[2].z);
    sphere.m_radiusSquared = sphere.m_radius * sphere.m_radius;
    sphere.m_invRadius = 1.0f / sphere.m_radius;
    smallestHalfExtent = halfExtents.x;
    if (halfExtents.y < smallestHalfExtent)
        smallestHalfExtent = halfExtents.y;
    if (halfExtents.z < smallestHalfExtent)
        smallestHalfExtent = halfExtents.z;
    if (!_section->HasEntry("F"))
        return 0;
    _section->GetS32("F", &first);
    _section->GetS32("L", &last);
    return 1;
}

void COS_OBBS_TreeNode::SetSphere(f32 _r)
{
    sphere.m_centre = MAT_Vector3();
    sphere.m_radius = _r;
    sphere.m_radiusSquared = _r * _r;
    sphere.m_invRadius = 1.0f / _r;
    boxCentre = MAT_Vector3();
    axes[0] = MAT_Vector3(1.0f, 0.0f, 0.0f);
    axes[1] = MAT_Vector3(0.0f, 1.0f, 0.0f);
    axes[2] = MAT_Vector3(0.0f, 0.0f, 1.0f);
    halfExtents = MAT_Vector3();
    smallestHalfExtent = 0.0f;
    first = 2;
    last = 1;
}

s32 COS_OBBS_TreeNode::SegmentReachesBox(const MAT_Segment& _segment) const
{
    const MAT_Segment local = SegmentToFrame(_segment, boxCentre, axes[0], axes[1], axes[2], _segment.m_length);
    MAT_AABox box;
    box.m_min = -halfExtents;
    box.m_max = halfExtents;
    f32 entry = 0.0f;
    f32 exit = 0.0f;
    if (!local.IntersectBox(box, entry, exit))
        return 0;
    // With the origin inside the box (entry and exit on both sides of it) the box is reached.
    if (entry * exit >= 0.0f) {
        if (exit < 0.0f)
            return 0;
        if (entry > _segment.m_length)
            return 0;
    }
    return 1;
}

s32 COS_OBBS_TreeNode::IntersectSegment(const MAT_Segment& _segment, const COS_CollisionMesh* _mesh, s32& _triangle,
                                        f32& _nearest, COS_CollisionTreeCounters& _counters) const
{
    ++_counters.nearestHitNodes;
    if (!SegmentReachesBox(_segment))
        return 0;
    if (firstChild != nullptr) {
        // Both children always: the second may hold a nearer hit than the first found.
        const s32 firstHit = firstChild->IntersectSegment(_segment, _mesh, _triangle, _nearest, _counters);
        const s32 secondHit = secondChild->IntersectSegment(_segment, _mesh, _triangle, _nearest, _counters);
        return (firstHit || secondHit) ? 1 : 0;
    }
    if (_mesh == nullptr)
        return 0;
    s32 hit = 0;
    for (s32 i = first; i <= last; ++i) {
        ++_counters.triangles;
        const MAT_Triangle triangle = _mesh->GetTriangle(i);
        const f32 q = triangle.m_normal.Dot(_segment.m_direction);
        if (std::fabs(q) < MAT_EPSILON)
            continue;
        const f32 t = -(triangle.m_normal.Dot(_segment.m_origin) + triangle.m_d) / q;
        if (t >= 0.0f && t < _nearest && MAT_PointInTriangle(triangle, _segment.m_origin + _segment.m_direction * t)) {
            _nearest = t;
            _triangle = _mesh->triangleList[i];
            hit = 1;
        }
    }
    return hit;
}

s32 COS_OBBS_TreeNode::TestSegment(const MAT_Segment& _segment, const COS_CollisionMesh* _mesh,
                                   COS_CollisionTreeCounters& _counters) const
{
    ++_counters.anyHitNodes;
    if (!SegmentReachesBox(_segment))
        return 0;
    if (firstChild != nullptr) {
        if (firstChild->TestSegment(_segment, _mesh, _counters))
            return 1;
        return secondChild->TestSegment(_segment, _mesh, _counters);
    }
    if (_mesh == nullptr)
        return 0;
    for (s32 i = first; i <= last; ++i) {
        const MAT_Triangle triangle = _mesh->GetTriangle(i);
        ++_counters.triangles;
        const f32 d0 = triangle.m_normal.Dot(_segment.m_origin) + triangle.m_d;
        const f32 d1 = triangle.m_normal.Dot(_segment.m_end) + triangle.m_d;
        if (d0 > 0.0f && d1 < 0.0f &&
            MAT_PointInTriangle(triangle, _segment.m_origin + _segment.m_delta * (d0 / (d0 - d1))))
            return 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------------
// COS_OBBS_Tree

COS_OBBS_Tree::~COS_OBBS_Tree()
{
    delete mesh;
    delete[] nodes;
}

void COS_OBBS_Tree::LoadFile(DES_Section* _root)
{
    const char* fileName = _root->GetFile()->GetName();

    DES_Section meshSection;
    if (!_root->FindSection(&meshSection, "MeshTreeInterface"))
        DES_FatalSection("COS_OBBS_Tree::LoadFile", "MeshTreeInterface", fileName);
    if (mesh == nullptr)
        mesh = new COS_CollisionMesh;
    mesh->LoadFile(&meshSection);

    DES_Section treeSection;
    if (!_root->FindSection(&treeSection, "OBBS_Tree"))
        DES_FatalSection("COS_OBBS_Tree::LoadFile", "OBBS_Tree", fileName);
    treeSection.GetS32("MaxDescend", &maxDescend);
    const s32 count = COS_ReadCount(&treeSection, "NumOfOBBS_TreeNode", sizeof(COS_OBBS_TreeNode));
    // Every query and the bounding box start at the root.
    if (count == 0)
        COS_FatalTreeFile(&treeSection, "a tree without nodes");

    delete[] nodes;
    nodes = nullptr;
    nodeCount = 0;
    nodes = new COS_OBBS_TreeNode[count];
    nodeCount = count;
    NodeFlags flags(count);
    for (s32 i = 0; i < count; ++i) {
        DES_Section nodeSection;
        if (!treeSection.FindSectionIndexed(&nodeSection, "TN", (u32)i))
            DES_FatalSectionIndexed("COS_OBBS_Tree::LoadFile", "TN", (u32)i, fileName);
        if (nodes[i].LoadFile(&nodeSection))
            flags[i] |= NodeFlags::HAS_RANGE;
    }

    if (!treeSection.HasEntry("NumOfConnect"))
        DES_FatalKey("COS_OBBS_Tree::LoadFile", "NumOfConnect", fileName);
    s32 connections = 0;
    treeSection.GetS32("NumOfConnect", &connections);

    // Each node may be named as a child once and the root never: then every node below the
    // root has one parent, so the queries' recursion walks a proper tree and ends.
    for (s32 i = 0; i < count; ++i) {
        s32 children[2] = {0, 0};
        treeSection.GetS32Indexed("C", (u32)(2 * i), &children[0]);
        treeSection.GetS32Indexed("C", (u32)(2 * i + 1), &children[1]);
        if (children[0] == -1)
            continue;
        for (s32 child : children) {
            if (child < 0 || child >= count)
                COS_FatalTreeFile(&treeSection,
                                  OS_Format("node %d has child %d outside the %d nodes", i, child, count));
            if (child == 0)
                COS_FatalTreeFile(&treeSection, OS_Format("node %d has the root node 0 as its child", i));
            if (flags[child] & NodeFlags::IS_CHILD)
                COS_FatalTreeFile(&treeSection, OS_Format("node %d is a child twice (again of node %d)", child, i));
            flags[child] |= NodeFlags::IS_CHILD;
        }
        nodes[i].firstChild = &nodes[children[0]];
        nodes[i].secondChild = &nodes[children[1]];
    }

    // Only leaves read their range; an inner node's F and L play no part.
    for (s32 i = 0; i < count; ++i) {
        const COS_OBBS_TreeNode& node = nodes[i];
        if (node.firstChild != nullptr)
            continue;
        if (!(flags[i] & NodeFlags::HAS_RANGE))
            COS_FatalTreeFile(&treeSection, OS_Format("node %d has neither F nor children", i));
        if (node.first <= node.last && (node.first < 0 || node.last >= mesh->triangleListCount))
            COS_FatalTreeFile(&treeSection, OS_Format("node %d range F %d .. L %d lies outside the %d list entries", i,
                                                      node.first, node.last, mesh->triangleListCount));
    }

    ComputeBoundingBox();
}

void COS_OBBS_Tree::SetSphere(f32 _r)
{
    maxDescend = 0;
    delete mesh;
    mesh = nullptr;
    delete[] nodes;
    nodes = nullptr;
    nodeCount = 0;
    nodes = new COS_OBBS_TreeNode[1];
    nodeCount = 1;
    nodes[0].SetSphere(_r);
    ComputeBoundingBox();
}

void COS_OBBS_Tree::ComputeBoundingBox()
{
    box = MAT_AABox();
    if (nodeCount == 0)
        return;
    const COS_OBBS_TreeNode& root = nodes[0];
    const MAT_Vector3& s = root.sphere.m_centre;
    const f32 r = root.sphere.m_radius;
    box.m_min = s;
    box.m_max = s;
    box.Extend(s + MAT_Vector3(r, 0.0f, 0.0f));
    box.Extend(s - MAT_Vector3(r, 0.0f, 0.0f));
    box.Extend(s + MAT_Vector3(0.0f, r, 0.0f));
    box.Extend(s - MAT_Vector3(0.0f, r, 0.0f));
    box.Extend(s + MAT_Vector3(0.0f, 0.0f, r));
    box.Extend(s - MAT_Vector3(0.0f, 0.0f, r));
    const MAT_Vector3& e = root.halfExtents;
    for (u32 corner = 0; corner < 8; ++corner) {
        const f32 s0 = (corner & 1) ? e.x : -e.x;
        const f32 s1 = (corner & 2) ? e.y : -e.y;
        const f32 s2 = (corner & 4) ? e.z : -e.z;
        box.Extend(root.boxCentre + root.axes[0] * s0 + root.axes[1] * s1 + root.axes[2] * s2);
    }
}

s32 COS_OBBS_Tree::IntersectSegment(const MAT_Segment& _segment, const MAT_Matrix34& _frame, s32& _triangle,
                                    MAT_Vector3& _point, f32& _fraction, COS_CollisionTreeCounters& _counters) const
{
    if (nodeCount == 0)
        return 0;
    const MAT_Segment local = SegmentToTree(_segment, _frame);
    f32 nearest = local.m_length;
    if (!nodes[0].IntersectSegment(local, mesh, _triangle, nearest, _counters))
        return 0;
    _point = _segment.m_origin + _segment.m_direction * nearest;
    _fraction = nearest / _segment.m_length;
    return 1;
}

s32 COS_OBBS_Tree::TestSegment(const MAT_Segment& _segment, const MAT_Matrix34& _frame,
                               COS_CollisionTreeCounters& _counters) const
{
    if (nodeCount == 0)
        return 0;
    const MAT_Segment local = SegmentToTree(_segment, _frame);
    return nodes[0].TestSegment(local, mesh, _counters);
}
