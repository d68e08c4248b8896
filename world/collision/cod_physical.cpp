#include "cod_physical.h"

#include <new>

#include "cod_owner.h"
#include "cos_contacttest.h"
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "des_file.h"
#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "nod_node.h"
#include "os_fatal.h"

RTI_IMPLEMENT_CLASS(COD_Physical, "RTI_Class")

namespace
{
constexpr f32 EQUAL_RADII = 1.1920929e-7f;

// The longest tree name a description may give, with room to spare: the cache judges it.
constexpr u32 TREE_NAME_BUFFER = 260;

COS_CollisionTreeCounters s_ownCounters;
COS_CollisionTreeCounters* s_counters = &s_ownCounters;

enum Response : s32
{
    RESPOND_FIXED = 0,
    RESPOND_MOVING = 1,
    RESPOND_TWO_BODY = 2,
};

template <class T>
T* AllocPlain(s32 _count, const char* _where)
{
    return _count > 0 ? (T*)MEM_AllocOrDie((u32)_count * (u32)sizeof(T), _where) : nullptr;
}

// A negative capacity from a description file counts as none.
s32 Capacity(s32 _value) { return _value < 0 ? 0 : _value; }

COS_OBBS_Tree_Cache& TreeCache(const char* _where)
{
    COS_OBBS_Tree_Cache* cache = COS_OBBS_Tree_Cache::GetCurrent();
    if (cache == nullptr)
        OS_Fatal(_where, "no collision tree cache");
    return *cache;
}

COS_OBBS_Tree* ReadTree(DES_Section* _section, const char* _where)
{
    char name[TREE_NAME_BUFFER];
    _section->GetString("CollisionDescription", name, sizeof(name));
    return TreeCache(_where).AllocateTree(name);
}

// Gives back a tree reference the description holds; a cache that is already gone took its
// trees with it.
void ReleaseTree(COS_OBBS_Tree*& _tree, s32& _owns)
{
    if (_tree != nullptr && _owns != 0 && COS_OBBS_Tree_Cache::GetCurrent() != nullptr)
        COS_OBBS_Tree_Cache::GetCurrent()->ReleaseTree(_tree);
    _tree = nullptr;
    _owns = 0;
}

COS_OBBS_Tree* ShareTree(COS_OBBS_Tree* _tree)
{
    if (_tree != nullptr && COS_OBBS_Tree_Cache::GetCurrent() != nullptr)
        COS_OBBS_Tree_Cache::GetCurrent()->AddRef(_tree);
    return _tree;
}

NOD_Node* Target(const RTI_Pointer& _pointer) { return static_cast<NOD_Node*>(_pointer.Get()); }

// What a bullet or torpedo can hit: bodies with trees, never bullets or the camera.
bool IsShotTarget(s32 _kind)
{
    return _kind == COD_KIND_PLAYER || _kind == COD_KIND_FREE_BODY || _kind == COD_KIND_GROUND_BODY ||
           _kind == COD_KIND_GENERIC || _kind == COD_KIND_TORPEDO;
}

MAT_Vector3 Divide(const MAT_Vector3& _v, f32 _s) { return MAT_Vector3(_v.x / _s, _v.y / _s, _v.z / _s); }

// The contact vector of body _a against the tree of _other; 0 without contact.
s32 ContactWith(const COS_OBBS_Tree* _a, const MAT_Matrix34* _frameA, COD_Physical& _other, f32 _margin,
                MAT_Vector3& _d, MAT_Vector3& _n)
{
    const COS_OBBS_Tree* b = _other.GetCollisionTree();
    const MAT_Matrix34* frameB = _other.GetTransform();
    if (_a == nullptr || _frameA == nullptr || b == nullptr || frameB == nullptr)
        return 0;
    MAT_AABox box;
    if (!COS_ContactTest(*_a, *b, *_frameA, *frameB, _margin, box, COD_Physical::GetCounters()))
        return 0;
    COS_ContactVector(box, _d, _n);
    return 1;
}

// The path of a bullet or torpedo against the tree of _other; 1 with where it hit.
s32 PathHits(const MAT_Segment& _segment, COD_Physical& _other, s32& _triangle, MAT_Vector3& _point, f32& _fraction)
{
    const COS_OBBS_Tree* tree = _other.GetCollisionTree();
    const MAT_Matrix34* frame = _other.GetTransform();
    if (tree == nullptr || frame == nullptr)
        return 0;
    return tree->IntersectSegment(_segment, *frame, _triangle, _point, _fraction, COD_Physical::GetCounters());
}

// The path against the ground, taken only when it meets the ground before _nearest; no
// terrain loaded yet is no ground.
s32 GroundHitBefore(const MRT_TerrainCell* _cell, const MAT_Segment& _segment, f32 _nearest, MAT_Vector3& _point,
                    MAT_Triangle& _triangle)
{
    if (_cell == nullptr || _cell->terrain == nullptr)
        return 0;
    f32 fraction = 0.0f;
    MAT_Triangle triangle;
    if (!_cell->terrain->IntersectSegment(_segment.m_origin, _segment.m_end, fraction, triangle) ||
        !(fraction < _nearest))
        return 0;
    _point = _segment.m_origin + _segment.m_delta * fraction;
    _triangle = triangle;
    return 1;
}

// A tree against the ground with a fresh box; 1 with the contact vector.
s32 GroundContact(const COS_OBBS_Tree* _tree, const MAT_Matrix34* _frame, const MRT_TerrainCell* _cell,
                  MAT_Triangle* _triangles, s32 _capacity, f32 _margin, MAT_Vector3& _d, MAT_Vector3& _n)
{
    if (_tree == nullptr || _frame == nullptr || _cell == nullptr || _triangles == nullptr || _capacity <= 0)
        return 0;
    MAT_AABox box;
    const s32 capacity = _capacity;
    const f32 margin = _margin;
    if (!_tree->CollideTerrain(_cell, *_frame, &capacity, _triangles, &margin, box, COD_Physical::GetCounters()))
        return 0;
    COS_ContactVector(box, _d, _n);
    return 1;
}
}  // namespace

s32 COD_NearestHit::Note(const MAT_Segment& _segment, COD_Physical* _other)
{
    s32 hitTriangle = -1;
    MAT_Vector3 hitPoint;
    f32 hitFraction = 0.0f;
    if (!PathHits(_segment, *_other, hitTriangle, hitPoint, hitFraction))
        return 0;
    if (hitFraction < fraction) {
        description = _other;
        fraction = hitFraction;
        point = hitPoint;
        triangle = hitTriangle;
    }
    return 1;
}

void COD_NearestHit::RecordShot(NOD_Node* _shooter) const
{
    COD_PhysicalShotHits* hits = description->GetShotHits();
    if (hits != nullptr && hits->Record(fraction, _shooter, point, triangle))
        description->m_contactFlag = 1;
}

// ---------------------------------------------------------------------------------------------
// Contact and shot-hit lists

void COD_PhysicalContacts::Allocate(s32 _capacity)
{
    Free();
    capacity = Capacity(_capacity);
    bodies = capacity > 0 ? new RTI_Pointer[(size_t)capacity] : nullptr;
}

void COD_PhysicalContacts::Free()
{
    delete[] bodies;
    bodies = nullptr;
    count = 0;
    capacity = 0;
}

void COD_PhysicalContacts::Append(NOD_Node* _body) { bodies[count++].Set(_body); }

void COD_PhysicalShotHits::Allocate(s32 _capacity)
{
    Free();
    capacity = Capacity(_capacity);
    points = AllocPlain<MAT_Vector3>(capacity, "COD_PhysicalShotHits::Allocate()");
    for (s32 i = 0; i < capacity; ++i)
        new (&points[i]) MAT_Vector3();
    triangles = AllocPlain<s32>(capacity, "COD_PhysicalShotHits::Allocate()");
    fractions = AllocPlain<f32>(capacity, "COD_PhysicalShotHits::Allocate()");
    shooters = capacity > 0 ? new RTI_Pointer[(size_t)capacity] : nullptr;
}

void COD_PhysicalShotHits::Free()
{
    delete[] shooters;
    MEM_Free(fractions);
    MEM_Free(triangles);
    MEM_Free(points);
    shooters = nullptr;
    fractions = nullptr;
    triangles = nullptr;
    points = nullptr;
    count = 0;
    capacity = 0;
}

s32 COD_PhysicalShotHits::Record(f32 _fraction, NOD_Node* _shooter, const MAT_Vector3& _point, s32 _triangle)
{
    if (count >= capacity)
        return 0;
    fractions[count] = _fraction;
    shooters[count].Set(_shooter);
    points[count] = _point;
    triangles[count] = _triangle;
    ++count;
    return 1;
}

// ---------------------------------------------------------------------------------------------
// The base

COD_Physical::~COD_Physical() = default;

void COD_Physical::Collide(COD_Physical*, const SIM_Clock&) {}

void COD_Physical::EndStep() {}

void COD_Physical::BeginStep() {}

void COD_Physical::CollideTerrain(MRT_TerrainCell*, MAT_Triangle*, s32, const SIM_Clock&) {}

COS_OBBS_Tree* COD_Physical::GetCollisionTree() const { return nullptr; }

const MAT_Matrix34* COD_Physical::GetTransform() const { return nullptr; }

COD_PhysicalContacts* COD_Physical::GetContacts() { return nullptr; }

COD_PhysicalShotHits* COD_Physical::GetShotHits() { return nullptr; }

COD_Physical_Vessel* COD_Physical::GetVessel() { return nullptr; }

void COD_Physical::CopyFrom(const COD_Physical& _source)
{
    m_kind = _source.m_kind;
    m_owner = _source.m_owner;
    m_active = _source.m_active;
    m_activeFlag = _source.m_activeFlag;
    m_restitution = _source.m_restitution;
    m_contactFlag = _source.m_contactFlag;
    m_endStepDone = _source.m_endStepDone;
}

void COD_Physical::SetCollisionSwitch(u32 _kind, u32 _on)
{
    if (_kind == 0)
        m_active = _on != 0 ? 1 : 0;
    else
        m_activeFlag = (s32)_on;
}

void COD_Physical::SetCounters(COS_CollisionTreeCounters* _counters)
{
    s_counters = _counters != nullptr ? _counters : &s_ownCounters;
}

COS_CollisionTreeCounters& COD_Physical::GetCounters() { return *s_counters; }

// ---------------------------------------------------------------------------------------------
// Vessels

COD_Physical_Vessel::COD_Physical_Vessel() { m_kind = COD_KIND_FREE_BODY; }

COD_Physical_Vessel::~COD_Physical_Vessel()
{
    m_contacts.Free();
    m_shotHits.Free();
    ReleaseTree(m_tree, m_ownsTree);
}

void COD_Physical_Vessel::Parse(DES_Section* _section, f32 _margin)
{
    _section->GetS32("Active", &m_active);
    m_activeFlag = m_active != 0 ? 1 : 0;
    _section->GetFloat("Restitution", &m_restitution);
    _section->GetFloat("Mass", &m_mass);
    s32 collisions = 0;
    s32 shotHits = 0;
    _section->GetS32("MaxNumOfCollisions", &collisions);
    _section->GetS32("MaxNumOfShotHits", &shotHits);
    COS_OBBS_Tree* tree = ReadTree(_section, "COD_Physical_Vessel::Parse()");
    ReleaseTree(m_tree, m_ownsTree);
    m_tree = tree;
    m_ownsTree = 1;
    m_maxCollisions = Capacity(collisions);
    m_maxShotHits = Capacity(shotHits);
    m_contacts.Allocate(m_maxCollisions);
    m_shotHits.Allocate(m_maxShotHits);
    m_margin = _margin;
}

void COD_Physical_Vessel::Clone(const COD_Physical_Vessel& _source)
{
    CopyFrom(_source);
    m_transform = _source.m_transform;
    m_velocity = _source.m_velocity;
    m_mass = _source.m_mass;
    m_margin = _source.m_margin;
    m_ignore.Set(nullptr);
    m_collisionVelocity = _source.m_collisionVelocity;
    m_collisionDisplacement = _source.m_collisionDisplacement;
    m_terrainContact = _source.m_terrainContact;
    ReleaseTree(m_tree, m_ownsTree);
    m_tree = ShareTree(_source.m_tree);
    m_ownsTree = m_tree != nullptr ? 1 : 0;
    m_maxShotHits = _source.m_maxShotHits;
    m_maxCollisions = _source.m_maxCollisions;
    m_contacts.Allocate(m_maxCollisions);
    m_shotHits.Allocate(m_maxShotHits);
    m_velocityBox = _source.m_velocityBox;
    m_displacementBox = _source.m_displacementBox;
}

f32 COD_Physical_Vessel::GetRootRadius() const
{
    return m_tree != nullptr && m_tree->nodeCount > 0 ? m_tree->nodes[0].sphere.m_radius : 0.0f;
}

bool COD_Physical_Vessel::MayTouch(COD_Physical& _other) const
{
    if (!CollidesWithObjects() || !_other.CollidesWithObjects())
        return false;
    if (COD_HasBodyAncestor(_other.m_owner, Target(m_ignore)))
        return false;
    const COD_Physical_Vessel* other = _other.GetVessel();
    return other == nullptr || !COD_HasBodyAncestor(m_owner, Target(other->m_ignore));
}

bool COD_Physical_Vessel::RespondsBefore(const COD_Physical& _other) const
{
    // The list position is unique among registered descriptions and the same in every run.
    return m_listPosition < _other.m_listPosition;
}

void COD_Physical_Vessel::Touch(COD_Physical& _other, f32 _margin, s32 _response)
{
    MAT_Vector3 d;
    MAT_Vector3 n;
    if (!ContactWith(m_tree, m_transform, _other, _margin, d, n))
        return;
    COD_PhysicalContacts* others = _other.GetContacts();
    if (!m_contacts.HasRoom() || others == nullptr || !others->HasRoom())
        return;
    m_contactFlag = 1;
    _other.m_contactFlag = 1;
    m_contacts.Append(_other.m_owner);
    others->Append(m_owner);
    COD_Physical_Vessel* vessel = _other.GetVessel();
    if (_response == RESPOND_FIXED || vessel == nullptr)
        RespondFixed(d, n);
    else if (_response == RESPOND_MOVING)
        RespondMoving(*vessel, d, n);
    else
        RespondTwoBody(*vessel, d, n);
}

void COD_Physical_Vessel::Collide(COD_Physical* _other, const SIM_Clock&)
{
    if (!MayTouch(*_other))
        return;
    const COD_Physical_Vessel* vessel = _other->GetVessel();
    switch (_other->m_kind) {
    case COD_KIND_FREE_BODY: {
        if (m_kind != COD_KIND_FREE_BODY || vessel == nullptr)
            return;
        const f32 difference = GetRootRadius() - vessel->GetRootRadius();
        const bool responds =
            (difference <= EQUAL_RADII && difference >= -EQUAL_RADII) ? RespondsBefore(*_other) : difference < 0.0f;
        if (responds)
            Touch(*_other, m_margin + vessel->m_margin, RESPOND_TWO_BODY);
        return;
    }
    case COD_KIND_GROUND_BODY:
        if (vessel == nullptr)
            return;
        if (m_kind == COD_KIND_FREE_BODY)
            Touch(*_other, m_margin + vessel->m_margin, RESPOND_MOVING);
        else if (m_kind == COD_KIND_GROUND_BODY && GetRootRadius() - vessel->GetRootRadius() <= EQUAL_RADII)
            Touch(*_other, m_margin + vessel->m_margin, RESPOND_TWO_BODY);
        return;
    case COD_KIND_GENERIC:
        Touch(*_other, m_margin, RESPOND_FIXED);
        return;
    default:
        return;
    }
}

void COD_Physical_Player::Collide(COD_Physical* _other, const SIM_Clock&)
{
    if (_other->m_kind == COD_KIND_CAMERA || !MayTouch(*_other))
        return;
    const COD_Physical_Vessel* vessel = _other->GetVessel();
    switch (_other->m_kind) {
    case COD_KIND_PLAYER: {
        if (vessel == nullptr)
            return;
        const f32 difference = GetRootRadius() - vessel->GetRootRadius();
        const bool responds =
            (difference <= EQUAL_RADII && difference >= -EQUAL_RADII) ? RespondsBefore(*_other) : difference < 0.0f;
        if (responds)
            Touch(*_other, m_margin + vessel->m_margin, RESPOND_TWO_BODY);
        return;
    }
    case COD_KIND_FREE_BODY:
        if (vessel != nullptr)
            Touch(*_other, m_margin + vessel->m_margin, RESPOND_TWO_BODY);
        return;
    case COD_KIND_GROUND_BODY:
        if (vessel != nullptr)
            Touch(*_other, m_margin + vessel->m_margin, RESPOND_MOVING);
        return;
    case COD_KIND_GENERIC:
        Touch(*_other, m_margin, RESPOND_FIXED);
        return;
    default:
        return;
    }
}

void COD_Physical_Vessel::RespondFixed(const MAT_Vector3& _d, const MAT_Vector3& _n)
{
    const MAT_Vector3 v = GetVelocity();
    const f32 s = (1.0f + m_restitution) * v.Dot(_n);
    m_velocityBox.Extend(v - _n * s);
    m_displacementBox.Extend(_d);
}

void COD_Physical_Vessel::RespondMoving(COD_Physical_Vessel& _other, const MAT_Vector3& _d, const MAT_Vector3& _n)
{
    const MAT_Vector3 vB = _other.GetVelocity();
    const MAT_Vector3 relative = GetVelocity() - vB;
    const f32 s = (1.0f + m_restitution) * relative.Dot(_n);
    m_velocityBox.Extend(vB + relative - _n * s);
    m_displacementBox.Extend(_d);
}

void COD_Physical_Vessel::RespondTwoBody(COD_Physical_Vessel& _other, const MAT_Vector3& _d, const MAT_Vector3& _n)
{
    f32 mA = m_mass;
    f32 mB = _other.m_mass;
    f32 total = mA + mB;
    if (!(total > 0.0f)) {
        // Two massless bodies (decoys answer 0.0): share like two equal light bodies rather
        // than divide by zero.
        mA = 1.0f;
        mB = 1.0f;
        total = 2.0f;
    }
    const MAT_Vector3 vA = GetVelocity();
    const MAT_Vector3 vB = _other.GetVelocity();
    const MAT_Vector3 momentum = vA * mA + vB * mB;
    const MAT_Vector3 relative = vA - vB;
    const f32 s = (1.0f + m_restitution) * relative.Dot(_n);
    const MAT_Vector3 t = relative - _n * s;
    m_velocityBox.Extend(Divide(momentum + t * mB, total));
    m_displacementBox.Extend(_d * (mB / total));
    _other.m_velocityBox.Extend(Divide(momentum - t * mA, total));
    _other.m_displacementBox.Extend(_d * -(mA / total));
}

void COD_Physical_Vessel::CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle* _triangles, s32 _capacity,
                                         const SIM_Clock&)
{
    if (!CollidesWithGround() || m_kind == COD_KIND_GROUND_BODY)
        return;
    MAT_Vector3 d;
    MAT_Vector3 n;
    if (!GroundContact(m_tree, m_transform, _cell, _triangles, _capacity, m_margin, d, n))
        return;
    m_contactFlag = 1;
    m_terrainContact = 1;
    RespondFixed(d, n);
}

void COD_Physical_Vessel::EndStep()
{
    if (m_endStepDone != 0)
        return;
    m_endStepDone = 1;
    m_collisionVelocity = m_velocityBox.m_min + m_velocityBox.m_max;
    m_collisionDisplacement = m_displacementBox.m_min + m_displacementBox.m_max;
}

void COD_Physical_Vessel::BeginStep()
{
    m_contactFlag = 0;
    m_endStepDone = 0;
    m_contacts.count = 0;
    m_shotHits.count = 0;
    m_terrainContact = 0;
    m_velocityBox = MAT_AABox();
    m_displacementBox = MAT_AABox();
}

// ---------------------------------------------------------------------------------------------
// Generic objects

COD_Physical_Generic::COD_Physical_Generic()
{
    m_kind = COD_KIND_GENERIC;
    m_active = 1;
    m_activeFlag = 1;
}

COD_Physical_Generic::~COD_Physical_Generic()
{
    m_contacts.Free();
    m_shotHits.Free();
    ReleaseTree(m_tree, m_ownsTree);
}

void COD_Physical_Generic::Parse(DES_Section* _section)
{
    _section->GetS32("Active", &m_active);
    m_activeFlag = m_active != 0 ? 1 : 0;
    s32 collisions = 0;
    s32 shotHits = 0;
    _section->GetS32("MaxNumOfCollisions", &collisions);
    _section->GetS32("MaxNumOfShotHits", &shotHits);
    COS_OBBS_Tree* tree = ReadTree(_section, "COD_Physical_Generic::Parse()");
    ReleaseTree(m_tree, m_ownsTree);
    m_tree = tree;
    m_ownsTree = 1;
    m_maxCollisions = Capacity(collisions);
    m_maxShotHits = Capacity(shotHits);
    m_contacts.Allocate(m_maxCollisions);
    m_shotHits.Allocate(m_maxShotHits);
}

void COD_Physical_Generic::BeginStep()
{
    m_contactFlag = 0;
    m_endStepDone = 0;
    m_contacts.count = 0;
    m_shotHits.count = 0;
}

// ---------------------------------------------------------------------------------------------
// Bullets

COD_Physical_Bullet::COD_Physical_Bullet()
{
    m_kind = COD_KIND_BULLET;
    m_active = 1;
    m_activeFlag = 1;
    m_restitution = 0.0f;
}

void COD_Physical_Bullet::Parse(DES_Section* _section)
{
    _section->GetS32("Active", &m_active);
    m_activeFlag = m_active == 1 ? 1 : 0;
}

void COD_Physical_Bullet::Collide(COD_Physical* _other, const SIM_Clock&)
{
    // A bullet takes part only with "Active" exactly 1.
    if (m_active != 1 || !_other->CollidesWithObjects() || !IsShotTarget(_other->m_kind))
        return;
    if (m_nearest.Note(m_segment, _other))
        m_contactFlag = 1;
}

void COD_Physical_Bullet::CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle*, s32, const SIM_Clock&)
{
    if (!CollidesWithGround())
        return;
    if (!GroundHitBefore(_cell, m_segment, m_nearest.fraction, m_hitPoint, m_hitTriangle))
        return;
    m_terrainHit = 1;
    m_contactFlag = 1;
}

void COD_Physical_Bullet::EndStep()
{
    if (m_endStepDone != 0)
        return;
    m_endStepDone = 1;
    if (m_terrainHit != 0 || m_contactFlag == 0 || m_nearest.description == nullptr)
        return;
    m_hitPoint = m_nearest.point;
    m_hitTriangleIndex = m_nearest.triangle;
    m_nearest.RecordShot(m_owner);
    // The bullet reports what it hit even when the target's list is full.
    const COS_OBBS_Tree* tree = m_nearest.description->GetCollisionTree();
    m_hitMesh = tree != nullptr ? tree->mesh : nullptr;
    if (m_hitMesh != nullptr && m_nearest.triangle >= 0 && m_nearest.triangle < m_hitMesh->triangleCount) {
        const COS_MeshTriangle& source = m_hitMesh->triangles[m_nearest.triangle];
        m_hitTriangle.m_a = m_hitMesh->vertices[source.a];
        m_hitTriangle.m_b = m_hitMesh->vertices[source.b];
        m_hitTriangle.m_c = m_hitMesh->vertices[source.c];
        m_hitTriangle.m_normal = source.normal;
        m_hitTriangle.m_d = source.d;
    }
}

void COD_Physical_Bullet::BeginStep()
{
    m_contactFlag = 0;
    m_terrainHit = 0;
    m_endStepDone = 0;
    m_nearest.Clear();
}

// ---------------------------------------------------------------------------------------------
// Torpedoes

COD_PhysicalTorpedo::COD_PhysicalTorpedo()
{
    m_kind = COD_KIND_TORPEDO;
    m_shotHits.Allocate(COD_TORPEDO_SHOT_HITS);
}

COD_PhysicalTorpedo::~COD_PhysicalTorpedo()
{
    m_shotHits.Free();
    ReleaseTree(m_tree, m_ownsTree);
}

void COD_PhysicalTorpedo::Parse(DES_Section* _section)
{
    _section->GetS32("Active", &m_active);
    m_activeFlag = m_active != 0 ? 1 : 0;
    COS_OBBS_Tree* tree = ReadTree(_section, "COD_PhysicalTorpedo::Parse()");
    ReleaseTree(m_tree, m_ownsTree);
    m_tree = tree;
    m_ownsTree = 1;
}

void COD_PhysicalTorpedo::Clone(const COD_PhysicalTorpedo& _source)
{
    CopyFrom(_source);
    m_segment = _source.m_segment;
    m_transform = _source.m_transform;
    m_ignore.Set(nullptr);
    m_shotHits.Allocate(COD_TORPEDO_SHOT_HITS);
    m_terrainHit = _source.m_terrainHit;
    m_hitPoint = _source.m_hitPoint;
    m_bodyHit = _source.m_bodyHit;
    m_hitTriangle = _source.m_hitTriangle;
    m_nearest = _source.m_nearest;
    ReleaseTree(m_tree, m_ownsTree);
    m_tree = ShareTree(_source.m_tree);
    m_ownsTree = m_tree != nullptr ? 1 : 0;
}

void COD_PhysicalTorpedo::Collide(COD_Physical* _other, const SIM_Clock&)
{
    if (!CollidesWithObjects() || !_other->CollidesWithObjects() || !IsShotTarget(_other->m_kind))
        return;
    if (_other->m_owner != nullptr && _other->m_owner == Target(m_ignore))
        return;
    if (m_nearest.Note(m_segment, _other))
        m_bodyHit = 1;
}

void COD_PhysicalTorpedo::CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle*, s32, const SIM_Clock&)
{
    if (!CollidesWithGround())
        return;
    if (!GroundHitBefore(_cell, m_segment, m_nearest.fraction, m_hitPoint, m_hitTriangle))
        return;
    m_terrainHit = 1;
    m_contactFlag = 1;
}

void COD_PhysicalTorpedo::EndStep()
{
    if (m_endStepDone != 0)
        return;
    m_endStepDone = 1;
    if (m_terrainHit != 0 || m_bodyHit == 0 || m_nearest.description == nullptr)
        return;
    m_hitPoint = m_nearest.point;
    m_nearest.RecordShot(m_owner);
}

void COD_PhysicalTorpedo::BeginStep()
{
    m_contactFlag = 0;
    m_bodyHit = 0;
    m_terrainHit = 0;
    m_endStepDone = 0;
    m_nearest.Clear();
    m_shotHits.count = 0;
}

// ---------------------------------------------------------------------------------------------
// The camera

COD_Physical_Camera::COD_Physical_Camera()
{
    m_kind = COD_KIND_CAMERA;
    m_active = 1;
    m_activeFlag = 1;
    m_sphere = new COS_OBBS_Tree;
    m_sphere->SetSphere(COD_CAMERA_RADIUS);
}

COD_Physical_Camera::~COD_Physical_Camera() { delete m_sphere; }

void COD_Physical_Camera::Collide(COD_Physical* _other, const SIM_Clock&)
{
    if (!CollidesWithObjects() || !_other->CollidesWithObjects())
        return;
    f32 margin = 0.0f;
    if (_other->m_kind == COD_KIND_FREE_BODY || _other->m_kind == COD_KIND_GROUND_BODY) {
        const COD_Physical_Vessel* vessel = _other->GetVessel();
        if (vessel == nullptr)
            return;
        margin = vessel->m_margin;
    } else if (_other->m_kind != COD_KIND_GENERIC) {
        return;
    }
    MAT_Vector3 d;
    MAT_Vector3 n;
    if (!ContactWith(m_sphere, m_transform, *_other, margin, d, n))
        return;
    m_contactFlag = 1;
    m_pushOutBox.Extend(d);
}

void COD_Physical_Camera::CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle* _triangles, s32 _capacity,
                                         const SIM_Clock&)
{
    if (!CollidesWithGround())
        return;
    MAT_Vector3 d;
    MAT_Vector3 n;
    if (!GroundContact(m_sphere, m_transform, _cell, _triangles, _capacity, 0.0f, d, n))
        return;
    m_contactFlag = 1;
    m_pushOutBox.Extend(d);
}

void COD_Physical_Camera::EndStep()
{
    if (m_endStepDone != 0)
        return;
    m_endStepDone = 1;
    m_pushOut = m_pushOutBox.m_min + m_pushOutBox.m_max;
}

void COD_Physical_Camera::BeginStep()
{
    m_contactFlag = 0;
    m_endStepDone = 0;
    m_pushOutBox = MAT_AABox();
}
