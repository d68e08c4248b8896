#include "cod_activeavoid.h"

#include <cstring>

#include "cod_owner.h"
#include "cos_obbs_tree.h"
#include "des_file.h"
#include "mat_angle.h"
#include "mat_matrix.h"
#include "mat_swept.h"
#include "mem_alloc.h"
#include "mrt_terrain.h"
#include "nod_node.h"
#include "os_fatal.h"

namespace
{
// An obstacle farther than this many times its size plus the avoider's radius is not swept.
constexpr f32 NEAR_FACTOR = 5.0f;
// A correction that pushes against one already taken by more than this blocks the way.
constexpr f32 OPPOSED_PRODUCT = -0.05f;
// The way found round a cluster is checked with a slightly thinner body, so that it does not
// graze the boxes it was built to pass.
constexpr f32 CHECK_RADIUS = 0.95f;
// Ground avoiders look ahead over at most this many root-sphere radii of their own tree.
constexpr f32 GROUND_REACH = 4.0f;
// Ground avoiders steer only sideways; so does the retry of free avoiders.
constexpr f32 FLAT_RATIO = -1.0f;
constexpr f32 RETRY_WEIGHT = 1.0f;

struct AvoiderClass
{
    const char* name;
    s32 sizeClass;
    s32 avoided[COD_SIZE_CLASS_COUNT];
    s32 avoidedCount;
    s32 ground;
};

// Larger vessels only give way to their peers and to what is larger still.
const AvoiderClass AVOIDER_CLASSES[] = {
    {"SmallVessel",
     COD_SIZE_SMALL_VESSEL,
     {COD_SIZE_SMALL_VESSEL, COD_SIZE_MEDIUM_VESSEL, COD_SIZE_LARGE_VESSEL, COD_SIZE_VEHICLE, COD_SIZE_BUILDING},
     5,
     0},
    {"MediumVessel", COD_SIZE_MEDIUM_VESSEL, {COD_SIZE_MEDIUM_VESSEL, COD_SIZE_LARGE_VESSEL, COD_SIZE_BUILDING}, 3, 0},
    {"LargeVessel", COD_SIZE_LARGE_VESSEL, {COD_SIZE_LARGE_VESSEL, COD_SIZE_BUILDING}, 2, 0},
    {"Vehicle",
     COD_SIZE_VEHICLE,
     {COD_SIZE_MEDIUM_VESSEL, COD_SIZE_LARGE_VESSEL, COD_SIZE_VEHICLE, COD_SIZE_BUILDING},
     4,
     1},
};

// lo below lo (and for NaN), hi above hi.
f32 Clamp(f32 _value, f32 _lo, f32 _hi)
{
    if (!(_value >= _lo))
        return _lo;
    return _value <= _hi ? _value : _hi;
}

// The segment from _start along _direction scaled to _length; a direction too short to scale
// is taken as it is.
MAT_Segment Along(const MAT_Vector3& _start, const MAT_Vector3& _direction, f32 _length)
{
    MAT_Vector3 step = _direction;
    const f32 lengthSquared = step.LengthSquared();
    if (lengthSquared > MAT_EPSILON)
        step = step * (_length / std::sqrt(lengthSquared));
    MAT_Segment segment;
    segment.Set(_start, _start + step);
    return segment;
}

// A segment without length has no direction; it meets nothing.
bool HasLength(const MAT_Segment& _segment) { return _segment.m_length > MAT_EPSILON; }

bool Opposes(const MAT_Vector3& _a, const MAT_Vector3& _b, f32 _below)
{
    return _a.x * _b.x < _below || _a.y * _b.y < _below || _a.z * _b.z < _below;
}

// E with its largest component set to 0: the cross-section the body shows when moving along
// its longest axis.
MAT_Vector3 CrossSection(const MAT_Vector3& _e)
{
    MAT_Vector3 e = _e;
    if (e.x >= e.y && e.x >= e.z)
        e.x = 0.0f;
    else if (e.y > e.z)
        e.y = 0.0f;
    else
        e.z = 0.0f;
    return e;
}

const COS_OBBS_TreeNode* Root(const COS_OBBS_Tree* _tree)
{
    return _tree != nullptr && _tree->nodes != nullptr && _tree->nodeCount > 0 ? &_tree->nodes[0] : nullptr;
}

s32 ProbeLowered(const MRT_Terrain* _terrain, const MAT_Segment& _segment, f32 _offset, f32 _distance, f32 _weight,
                 MAT_Vector3& _vector)
{
    if (_terrain == nullptr)
        return 0;
    return _terrain->ProbeLowered(_segment, &_offset, _distance, _vector, nullptr, _weight);
}

s32 ProbeRaised(const MRT_Terrain* _terrain, const MAT_Segment& _segment, f32 _offset, f32 _distance, f32 _limit,
                MAT_Vector3& _vector)
{
    if (_terrain == nullptr)
        return 0;
    return _terrain->ProbeRaised(_segment, &_offset, _distance, _vector, nullptr, _limit);
}
}  // namespace

COD_ActiveAvoid::~COD_ActiveAvoid() { FreeObstacles(); }

void COD_ActiveAvoid::FreeObstacles()
{
    MEM_Free(m_obstacleTransforms);
    MEM_Free(m_obstacleTrees);
    m_obstacleTransforms = nullptr;
    m_obstacleTrees = nullptr;
    m_maxObstacles = 0;
    m_notedCount = 0;
}

void COD_ActiveAvoid::AllocateObstacles(s32 _capacity)
{
    FreeObstacles();
    if (_capacity <= 0)
        return;
    // Two pointer arrays of the capacity must fit one allocation size each.
    const u64 bytes = (u64)_capacity * sizeof(void*);
    if (bytes > 0x7FFFFFFFu)
        OS_Fatal("COD_ActiveAvoid::Parse", "out of memory");
    m_obstacleTransforms = (const MAT_Matrix34**)MEM_AllocOrDie((u32)bytes, "COD_ActiveAvoid::Parse");
    m_obstacleTrees = (COS_OBBS_Tree**)MEM_AllocOrDie((u32)bytes, "COD_ActiveAvoid::Parse");
    m_maxObstacles = _capacity;
}

void COD_ActiveAvoid::Parse(DES_Section* _section)
{
    m_ignore.Set(nullptr);

    char description[64];
    _section->GetString("Description", description, sizeof(description));
    const AvoiderClass* avoider = nullptr;
    for (const AvoiderClass& entry : AVOIDER_CLASSES) {
        if (strcmp(description, entry.name) == 0)
            avoider = &entry;
    }
    if (avoider == nullptr)
        OS_Fatal("COD_ActiveAvoid::Parse", "Illegal Description Type");
    m_sizeClass = avoider->sizeClass;
    m_avoidedClassCount = avoider->avoidedCount;
    for (s32 i = 0; i < COD_SIZE_CLASS_COUNT; ++i)
        m_avoidedClasses[i] = i < avoider->avoidedCount ? avoider->avoided[i] : 0;
    m_ground = avoider->ground;

    s32 capacity = 0;
    _section->GetS32("NumOfMaximalAvoidanceObjects", &capacity);
    s32 objects = 0;
    _section->GetS32("ObjectAvoidanceActive", &objects);
    s32 terrain = 0;
    _section->GetS32("TerrainAvoidanceActive", &terrain);
    f32 lookAhead = 0.0f;
    _section->GetFloat("LookAheadDistance", &lookAhead);
    f32 radius = 0.0f;
    _section->GetFloat("AvoidanceRadius", &radius);
    f32 ratio = 0.0f;
    _section->GetFloat("AvoidanceRatio", &ratio);
    f32 climb = 0.0f;
    _section->GetFloat("MaxClimbeAngle", &climb);

    m_avoidanceFlags = 0;
    if (objects != 0)
        m_avoidanceFlags |= COD_AVOID_OBJECTS;
    if (terrain != 0)
        m_avoidanceFlags |= COD_AVOID_TERRAIN;
    m_lookAheadDistance = Clamp(lookAhead, 0.0f, COD_AVOID_MAX_LOOK_AHEAD);
    m_avoidanceRadius = radius >= 0.0f ? radius : 0.0f;
    m_avoidanceRatio = Clamp(ratio, -COD_AVOID_MAX_RATIO, COD_AVOID_MAX_RATIO);
    const f32 angle = Clamp(climb, 0.0f, 90.0f);
    f32 cosine = 0.0f;
    MAT_SinCos((90.0f - angle) * MAT_PI / 180.0f, m_climbLimit, cosine);

    // A negative capacity from a file is no list at all.
    AllocateObstacles(capacity > 0 ? capacity : 0);
}

void COD_ActiveAvoid::Clone(const COD_ActiveAvoid& _source)
{
    m_type = _source.m_type;
    m_transform = _source.m_transform;
    m_tree = _source.m_tree;
    m_owner = _source.m_owner;
    m_sizeClass = _source.m_sizeClass;
    m_entryId = -1;
    m_goal = _source.m_goal;
    m_ignore.Set(nullptr);
    m_correctedGoal = _source.m_correctedGoal;
    m_resultFlag = _source.m_resultFlag;
    m_avoidanceFlags = _source.m_avoidanceFlags;
    m_lookAheadDistance = _source.m_lookAheadDistance;
    m_avoidanceRadius = _source.m_avoidanceRadius;
    m_avoidanceRatio = _source.m_avoidanceRatio;
    AllocateObstacles(_source.m_maxObstacles);
    for (s32 i = 0; i < COD_SIZE_CLASS_COUNT; ++i)
        m_avoidedClasses[i] = _source.m_avoidedClasses[i];
    m_avoidedClassCount = _source.m_avoidedClassCount;
    m_listPosition = -1;  // a copied position would let the handler mistake the copy for the source
    m_ground = _source.m_ground;
    m_climbLimit = _source.m_climbLimit;
}

void COD_ActiveAvoid::GetBox(MAT_AABox& _box) const
{
    _box.m_min.SetAll(-m_lookAheadDistance);
    _box.m_max.SetAll(m_lookAheadDistance);
}

void COD_ActiveAvoid::NoteObstacle(COD_PassiveAvoid* _obstacle)
{
    const NOD_Node* ignored = static_cast<const NOD_Node*>(m_ignore.Get());
    if (ignored != nullptr && COD_HasBodyAncestor(_obstacle->m_owner, ignored))
        return;
    bool avoided = false;
    for (s32 i = 0; i < m_avoidedClassCount; ++i)
        avoided = avoided || m_avoidedClasses[i] == _obstacle->m_sizeClass;
    if (!avoided || m_notedCount >= m_maxObstacles)
        return;
    m_obstacleTransforms[m_notedCount] = _obstacle->m_transform;
    m_obstacleTrees[m_notedCount] = _obstacle->m_tree;
    ++m_notedCount;
}

void COD_ActiveAvoid::ClearResults() { m_notedCount = 0; }

s32 COD_ActiveAvoid::PlaceObstacle(s32 _index, const MAT_Vector3& _position, f32 _radius, MAT_Matrix34& _frame,
                                   MAT_Vector3& _halfExtents) const
{
    const MAT_Matrix34* transform = m_obstacleTransforms[_index];
    const COS_OBBS_TreeNode* root = Root(m_obstacleTrees[_index]);
    if (transform == nullptr || root == nullptr)
        return 0;
    if ((transform->t - _position).Length() > NEAR_FACTOR * (root->halfExtents.Length() + _radius))
        return 0;
    MAT_Matrix34 box;
    box.SetFromVectors(root->boxCentre, root->axes[0], root->axes[1], root->axes[2]);
    _frame = transform->Compose(box);
    _halfExtents = root->halfExtents;
    return 1;
}

s32 COD_ActiveAvoid::AvoidObjects(const MAT_Vector3& _position, f32 _length, f32 _distance, f32 _radius, f32 _ratio,
                                  MAT_Vector3& _correction) const
{
    _correction = MAT_Vector3();
    const MAT_Segment first = Along(_position, m_goal - _position, _length);
    if (!HasLength(first))
        return 0;

    // Every obstacle hit so far, as one oriented box.
    bool clustered = false;
    MAT_Matrix34 clusterFrame;
    MAT_Vector3 clusterExtents;

    MAT_Segment segment = first;
    MAT_AABox corrections;
    MAT_Vector3 v;
    s32 hit = 0;
    for (s32 iteration = 0; iteration < COD_AVOID_MAX_ITERATIONS; ++iteration) {
        corrections.m_min = MAT_Vector3();
        corrections.m_max = MAT_Vector3();
        v = MAT_Vector3();
        bool blocked = false;
        hit = 0;

        MAT_SweptResult result;
        if (clustered && MAT_SweptBoxTest(first, _radius, _distance, clusterFrame, clusterExtents, _ratio, result)) {
            v = result.m_direction * result.m_value;
            hit = 1;
            segment = Along(_position, (m_goal + v) - _position, _length);
        }

        for (s32 i = 0; i < m_notedCount && !blocked; ++i) {
            MAT_Matrix34 frame;
            MAT_Vector3 halfExtents;
            if (!PlaceObstacle(i, _position, _radius, frame, halfExtents))
                continue;
            if (!HasLength(segment) || !MAT_SweptBoxTest(segment, _radius, _length, frame, halfExtents, _ratio, result))
                continue;
            const MAT_Vector3 k = result.m_direction * result.m_value;
            // A push against one already taken: no way round on this side.
            if (Opposes(k, corrections.m_min, OPPOSED_PRODUCT) || Opposes(k, corrections.m_max, OPPOSED_PRODUCT) ||
                Opposes(k, v, OPPOSED_PRODUCT))
                blocked = true;
            else
                corrections.Extend(k);
            if (clustered) {
                MAT_SweptOrientedBoxTest(clusterFrame, clusterExtents, frame, halfExtents, clusterFrame,
                                         clusterExtents);
            } else {
                clusterFrame = frame;
                clusterExtents = halfExtents;
                clustered = true;
            }
            hit = 1;
        }

        if (hit && !blocked) {
            const MAT_Vector3 goal = ((m_goal + v) + corrections.m_min) + corrections.m_max;
            segment = Along(_position, goal - _position, _length);
            for (s32 i = 0; i < m_notedCount && !blocked && HasLength(segment); ++i) {
                MAT_Matrix34 frame;
                MAT_Vector3 halfExtents;
                if (PlaceObstacle(i, _position, _radius, frame, halfExtents) &&
                    MAT_SweptSphereBoxTest(segment, CHECK_RADIUS * _radius, frame, halfExtents))
                    blocked = true;
            }
        }
        if (!blocked)
            break;
    }
    _correction = (v + corrections.m_min) + corrections.m_max;
    return hit;
}

s32 COD_ActiveAvoid::Predict(MRT_TerrainCell* _cell)
{
    if (m_transform == nullptr) {
        m_resultFlag = 0;
        m_notedCount = 0;
        return 0;
    }
    const MAT_Vector3 position = m_transform->t;
    const f32 distance = (position - m_goal).Length();
    const f32 length = m_lookAheadDistance < distance ? m_lookAheadDistance : distance;
    if (m_ground && distance <= MAT_EPSILON) {
        // Standing at its goal: nothing to steer for.
        m_resultFlag = 0;
        m_notedCount = 0;
        return 0;
    }

    const COS_OBBS_TreeNode* root = Root(m_tree);
    const f32 radius = m_avoidanceRadius * (root != nullptr ? CrossSection(root->halfExtents).Length() : 0.0f);
    const MRT_Terrain* terrain = _cell != nullptr ? _cell->terrain : nullptr;
    const bool objects = (m_avoidanceFlags & COD_AVOID_OBJECTS) != 0;
    const bool ground = (m_avoidanceFlags & COD_AVOID_TERRAIN) != 0;

    MAT_Vector3 a;
    s32 objectHit = 0;
    if (objects)
        objectHit = AvoidObjects(position, length, distance, radius, m_ground ? FLAT_RATIO : m_avoidanceRatio, a);

    MAT_Vector3 b;
    s32 terrainHit = 0;
    if (ground && !m_ground) {
        const MAT_Segment probe = Along(position, (m_goal - position) + a, length);
        terrainHit = ProbeLowered(terrain, probe, radius, distance, m_avoidanceRatio, b);
    } else if (ground && !objectHit) {
        const f32 reach = GROUND_REACH * (root != nullptr ? root->sphere.m_radius : 0.0f);
        const MAT_Segment probe = Along(position, (m_goal - position) + a, length < reach ? length : reach);
        terrainHit = ProbeRaised(terrain, probe, radius, distance, m_climbLimit, b);
    }

    // Obstacles and ground pulling opposite ways would cancel out: go round the obstacles
    // sideways only and straight up over the ground instead.
    if (!m_ground && objects && ground && Opposes(a, b, 0.0f)) {
        a = MAT_Vector3();
        b = MAT_Vector3();
        objectHit = AvoidObjects(position, length, distance, radius, FLAT_RATIO, a);
        const MAT_Segment probe = Along(position, (m_goal - position) + a, length);
        terrainHit = ProbeLowered(terrain, probe, radius, distance, RETRY_WEIGHT, b);
    }

    m_correctedGoal = (m_goal + b) + a;
    m_resultFlag = objectHit || terrainHit ? 1 : 0;
    m_notedCount = 0;
    return m_resultFlag;
}
