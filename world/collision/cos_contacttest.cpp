#include "cos_contacttest.h"

#include "cos_obbs_tree.h"

namespace
{
struct ContactWalk
{
    MAT_Matrix34 aToB;  // A's tree frame into B's tree frame
    MAT_Matrix33 bToWorld;
    const COS_CollisionMesh* mesh;
    f32 margin;
    MAT_AABox* box;
    COS_CollisionTreeCounters* counters;

    s32 Leaf(const MAT_Sphere& _sphere, const COS_OBBS_TreeNode& _b) const
    {
        if (mesh == nullptr)
            return 0;
        const MAT_Vector3 c = _sphere.m_centre;
        const f32 r = _sphere.m_radius;
        s32 touched = 0;
        for (s32 position = _b.first; position <= _b.last; ++position) {
            const MAT_Triangle triangle = mesh->GetTriangle(position);
            const MAT_Vector3& p = triangle.m_a;
            const MAT_Vector3& q = triangle.m_b;
            const MAT_Vector3& s = triangle.m_c;
            if ((p.x > c.x + r && q.x > c.x + r && s.x > c.x + r) ||
                (p.x < c.x - r && q.x < c.x - r && s.x < c.x - r) ||
                (p.y > c.y + r && q.y > c.y + r && s.y > c.y + r) ||
                (p.y < c.y - r && q.y < c.y - r && s.y < c.y - r) ||
                (p.z > c.z + r && q.z > c.z + r && s.z > c.z + r) || (p.z < c.z - r && q.z < c.z - r && s.z < c.z - r))
                continue;
            ++counters->triangles;
            if (!MAT_TestSphereTriangle(_sphere, triangle))
                continue;
            MAT_Contact contact;
            MAT_ContactSphereTriangle(_sphere, triangle, contact);
            box->Extend(bToWorld.Transform(contact.m_normal) * contact.m_depth);
            touched = 1;
        }
        return touched;
    }

    s32 Nodes(const COS_OBBS_TreeNode& _a, const COS_OBBS_TreeNode& _b, s32 _depth) const
    {
        ++counters->treePairs;
        MAT_Sphere sphere = _a.sphere;
        sphere.m_centre = aToB.TransformPoint(_a.sphere.m_centre);
        const MAT_Vector3 offset = sphere.m_centre - _b.boxCentre;
        const f32 halfExtents[3] = {_b.halfExtents.x, _b.halfExtents.y, _b.halfExtents.z};
        for (s32 axis = 0; axis < 3; ++axis) {
            const f32 along = offset.Dot(_b.axes[axis]);
            const f32 reach = halfExtents[axis] + sphere.m_radius;
            if (!(along <= reach && along >= -reach))
                return 0;
        }
        const COS_OBBS_TreeNode* a1 = _a.firstChild;
        const COS_OBBS_TreeNode* a2 = _a.secondChild;
        const COS_OBBS_TreeNode* b1 = _b.firstChild;
        const COS_OBBS_TreeNode* b2 = _b.secondChild;
        if (_depth > 0 && a1 != nullptr && a1->sphere.m_radius > margin && a2->sphere.m_radius > margin) {
            s32 touched = 0;
            if (b1 != nullptr) {
                touched |= Nodes(*a2, *b2, _depth - 1);
                touched |= Nodes(*a2, *b1, _depth - 1);
                touched |= Nodes(*a1, *b2, _depth - 1);
                touched |= Nodes(*a1, *b1, _depth - 1);
            } else {
                touched |= Nodes(*a2, _b, _depth - 1);
                touched |= Nodes(*a1, _b, _depth - 1);
            }
            return touched;
        }
        if (b1 != nullptr) {
            s32 touched = Nodes(_a, *b2, _depth - 1);
            touched |= Nodes(_a, *b1, _depth - 1);
            return touched;
        }
        return Leaf(sphere, _b);
    }
};
}  // namespace

s32 COS_ContactTest(const COS_OBBS_Tree& _a, const COS_OBBS_Tree& _b, const MAT_Matrix34& _frameA,
                    const MAT_Matrix34& _frameB, f32 _margin, MAT_AABox& _box, COS_CollisionTreeCounters& _counters)
{
    if (_a.nodeCount == 0 || _b.nodeCount == 0)
        return 0;
    const COS_OBBS_TreeNode& rootA = _a.nodes[0];
    const COS_OBBS_TreeNode& rootB = _b.nodes[0];
    const MAT_Vector3 centreA = _frameA.TransformPoint(rootA.boxCentre);
    const MAT_Vector3 centreB = _frameB.TransformPoint(rootB.sphere.m_centre);
    const f32 reach = rootB.halfExtents.Length() + rootA.sphere.m_radius;
    if (!((centreA - centreB).Length() <= reach))
        return 0;

    ContactWalk walk;
    walk.aToB = _frameB.InvertRigid().Compose(_frameA);
    walk.bToWorld = _frameB.r;
    walk.mesh = _b.mesh;
    walk.margin = _margin;
    walk.box = &_box;
    walk.counters = &_counters;
    return walk.Nodes(rootA, rootB, _a.maxDescend);
}

void COS_ContactVector(const MAT_AABox& _box, MAT_Vector3& _d, MAT_Vector3& _n)
{
    _d = _box.m_min + _box.m_max;
    const f32 length = _d.Length();
    _n = length != 0.0f ? MAT_Vector3(_d.x / length, _d.y / length, _d.z / length) : _d;
}
