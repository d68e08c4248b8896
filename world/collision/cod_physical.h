// The physical description: the collision body of a game object (type 0).
//
// This base does nothing on contact; the description kinds (vessel, player, generic object,
// bullet, torpedo, camera) override the pass operations. The owner's contact aggregate owns
// the description and registers it with COH_Physical, which keeps both list positions.
// Results are valid between the end of one pass and the start of the next.
//
// Owners are reached as nodes; whether a node belongs to another's compound body goes through
// COD_HasBodyAncestor. Corrections of a pass are gathered in boxes that always hold the zero
// vector, so box minimum + maximum is the largest push each way and no pass allocates.
#pragma once

#include "cod_collidable.h"
#include "cos_collisiontreecounters.h"
#include "mat_geometry.h"
#include "os_types.h"
#include "rti_pointer.h"

class COS_OBBS_Tree;
class COS_CollisionMesh;
class DES_Section;
class NOD_Node;
struct MRT_TerrainCell;
struct SIM_Clock;
class COD_Physical_Vessel;

inline constexpr u16 COD_PHYSICAL_UNLISTED = 0xFFFF;
// The nearest-hit fraction of a bullet or torpedo before anything was hit.
inline constexpr f32 COD_NO_HIT_FRACTION = 3.4028235e38f;
inline constexpr s32 COD_TORPEDO_SHOT_HITS = 10;
inline constexpr f32 COD_CAMERA_RADIUS = 10.0f;

enum COD_PhysicalKind : s32
{
    COD_KIND_PLAYER = 0,
    COD_KIND_FREE_BODY = 1,
    COD_KIND_GROUND_BODY = 2,
    COD_KIND_GENERIC = 3,
    COD_KIND_BULLET = 4,
    COD_KIND_TORPEDO = 5,
    COD_KIND_CAMERA = 6,
};

// The bodies that touched a description in this pass; further contacts of a full list are
// dropped.
struct COD_PhysicalContacts
{
    s32 count = 0;
    s32 capacity = 0;
    RTI_Pointer* bodies = nullptr;  // [capacity], owned

    void Allocate(s32 _capacity);
    void Free();
    bool HasRoom() const { return count < capacity; }
    void Append(NOD_Node* _body);
};

// The shots that hit a description in this pass, each with where along its path, who fired
// and which triangle of the description's mesh it hit.
struct COD_PhysicalShotHits
{
    s32 count = 0;
    s32 capacity = 0;
    MAT_Vector3* points = nullptr;  // [capacity], owned
    s32* triangles = nullptr;
    RTI_Pointer* shooters = nullptr;
    f32* fractions = nullptr;

    void Allocate(s32 _capacity);
    void Free();
    // 0 and nothing recorded when the list is full.
    s32 Record(f32 _fraction, NOD_Node* _shooter, const MAT_Vector3& _point, s32 _triangle);
};

class COD_Physical : public COD_Collidable
{
    RTI_DECLARE_CLASS(COD_Physical)

public:
    COD_Physical() = default;
    ~COD_Physical() override;
    COD_Physical(const COD_Physical&) = delete;
    COD_Physical& operator=(const COD_Physical&) = delete;

    // Both descriptions of an overlapping pair get the call; each decides whether it responds.
    virtual void Collide(COD_Physical* _other, const SIM_Clock& _clock);
    // Once per pass after the pair and terrain passes; a second call in a pass does nothing.
    virtual void EndStep();
    // Clears the per-step contact state; also run when the description is unregistered.
    virtual void BeginStep();
    // _triangles is scratch space of _capacity records lent by the handler for this call.
    virtual void CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle* _triangles, s32 _capacity,
                                const SIM_Clock& _clock);
    // Null for descriptions without a tree of their own.
    virtual COS_OBBS_Tree* GetCollisionTree() const;

    // What the other descriptions of a pair read of this one; null when the kind has none.
    virtual const MAT_Matrix34* GetTransform() const;
    virtual COD_PhysicalContacts* GetContacts();
    virtual COD_PhysicalShotHits* GetShotHits();
    // Vessels and the player: the bodies that bounce.
    virtual COD_Physical_Vessel* GetVessel();

    // Copies the base fields, not the list positions.
    void CopyFrom(const COD_Physical& _source);

    // The two collision switches of a body (NOD_Body::SetCollision): kind 0 turns contacts and
    // shot hits between objects on or off, any other kind the ground. Either leaves the other
    // alone, so a body can ignore the ground and still be touched and hit.
    void SetCollisionSwitch(u32 _kind, u32 _on);
    bool CollidesWithObjects() const { return m_active != 0; }
    bool CollidesWithGround() const { return m_activeFlag != 0; }

    // The simulation's statistics record, which every contact and tree query adds to. Until
    // the simulation installs its own, a record of the module's counts.
    static void SetCounters(COS_CollisionTreeCounters* _counters);
    static COS_CollisionTreeCounters& GetCounters();

    s32 m_kind = COD_KIND_PLAYER;
    s32 m_terrainPosition = -1;  // in COH_Physical's terrain-test list, -1 = none
    NOD_Node* m_owner = nullptr;
    s32 m_active = 0;      // the "Active" value; the objects switch
    s32 m_activeFlag = 0;  // 1 when "Active" is non-zero; the ground switch
    f32 m_restitution = 0.0f;
    s32 m_contactFlag = 0;  // something touched the description in this pass
    s32 m_endStepDone = 0;
    u16 m_listPosition = COD_PHYSICAL_UNLISTED;  // in COH_Physical's object list
    u16 m_listPosition2 = COD_PHYSICAL_UNLISTED;
};

// Vessels, vehicles, turrets, buzzers, mines and wheels: kind 1 (free body) or 2 (ground
// body), as the creator chooses.
class COD_Physical_Vessel : public COD_Physical
{
public:
    COD_Physical_Vessel();
    ~COD_Physical_Vessel() override;

    // Reads the "Collision" keys; the creator multiplies the margin by the step length
    // afterwards and replaces the mass by its root body's.
    void Parse(DES_Section* _section, f32 _margin);
    // A description from the prototype: fields and tree shared, lists fresh and empty, no
    // ignore reference, not registered.
    void Clone(const COD_Physical_Vessel& _source);

    void Collide(COD_Physical* _other, const SIM_Clock& _clock) override;
    void EndStep() override;
    void BeginStep() override;
    void CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle* _triangles, s32 _capacity,
                        const SIM_Clock& _clock) override;
    COS_OBBS_Tree* GetCollisionTree() const override { return m_tree; }
    const MAT_Matrix34* GetTransform() const override { return m_transform; }
    COD_PhysicalContacts* GetContacts() override { return &m_contacts; }
    COD_PhysicalShotHits* GetShotHits() override { return &m_shotHits; }
    COD_Physical_Vessel* GetVessel() override { return this; }

    // The three responses to a contact vector _d (pushing this out of the other body) with
    // its direction _n.
    void RespondFixed(const MAT_Vector3& _d, const MAT_Vector3& _n);
    void RespondMoving(COD_Physical_Vessel& _other, const MAT_Vector3& _d, const MAT_Vector3& _n);
    void RespondTwoBody(COD_Physical_Vessel& _other, const MAT_Vector3& _d, const MAT_Vector3& _n);

    MAT_Vector3 GetVelocity() const { return m_velocity != nullptr ? *m_velocity : MAT_Vector3(); }
    f32 GetRootRadius() const;

    const MAT_Matrix34* m_transform = nullptr;  // the owner's, set by the creator
    const MAT_Vector3* m_velocity = nullptr;    // the owner's, set by the creator
    f32 m_mass = 0.0f;
    f32 m_margin = 0.0f;
    RTI_Pointer m_ignore;  // contacts with this node and its body descendants are ignored
    MAT_Vector3 m_collisionVelocity;
    COD_PhysicalContacts m_contacts;
    MAT_Vector3 m_collisionDisplacement;
    COD_PhysicalShotHits m_shotHits;
    s32 m_terrainContact = 0;
    COS_OBBS_Tree* m_tree = nullptr;
    s32 m_maxShotHits = 0;
    s32 m_maxCollisions = 0;
    MAT_AABox m_velocityBox;
    MAT_AABox m_displacementBox;
    s32 m_ownsTree = 0;

protected:
    // The ignore references of both sides and whether both take part at all.
    bool MayTouch(COD_Physical& _other) const;
    // Contact test against _other and, with room in both lists, the lists, flags and the
    // response chosen by _response (0 fixed, 1 against the other's motion, 2 two-body).
    void Touch(COD_Physical& _other, f32 _margin, s32 _response);
    // The equal-radius tie of two bodies that both could respond: a stable key, never the
    // address, so that runs repeat.
    bool RespondsBefore(const COD_Physical& _other) const;
};

// The player's vessel (kind 0): a vessel that answers contacts by its own table.
class COD_Physical_Player : public COD_Physical_Vessel
{
public:
    COD_Physical_Player() { m_kind = COD_KIND_PLAYER; }
    void Collide(COD_Physical* _other, const SIM_Clock& _clock) override;
};

// Generic scene objects (kind 3): static obstacles that only receive contacts and shot hits.
class COD_Physical_Generic : public COD_Physical
{
public:
    COD_Physical_Generic();
    ~COD_Physical_Generic() override;

    void Parse(DES_Section* _section);

    void BeginStep() override;
    COS_OBBS_Tree* GetCollisionTree() const override { return m_tree; }
    const MAT_Matrix34* GetTransform() const override { return m_transform; }
    COD_PhysicalContacts* GetContacts() override { return &m_contacts; }
    COD_PhysicalShotHits* GetShotHits() override { return &m_shotHits; }

    const MAT_Matrix34* m_transform = nullptr;
    COD_PhysicalContacts m_contacts;
    COD_PhysicalShotHits m_shotHits;
    COS_OBBS_Tree* m_tree = nullptr;
    s32 m_maxShotHits = 0;
    s32 m_maxCollisions = 0;
    s32 m_ownsTree = 0;
};

// The nearest body a bullet's or torpedo's path met in this step.
struct COD_NearestHit
{
    COD_Physical* description = nullptr;
    s32 triangle = -1;
    f32 fraction = COD_NO_HIT_FRACTION;
    MAT_Vector3 point;

    void Clear()
    {
        description = nullptr;
        fraction = COD_NO_HIT_FRACTION;
    }
    // The path against _other's tree, kept when nearer than what was met before; 1 on a hit.
    s32 Note(const MAT_Segment& _segment, COD_Physical* _other);
    // Enters the hit into the body's shot-hit list (room permitting) and marks its contact.
    void RecordShot(NOD_Node* _shooter) const;
};

// Bullets (kind 4): the path of this step against the bodies and the terrain, reporting the
// nearest hit.
class COD_Physical_Bullet : public COD_Physical
{
public:
    COD_Physical_Bullet();

    void Parse(DES_Section* _section);
    // The creator's step path: from the position to position + velocity x step length.
    void SetSegment(const MAT_Vector3& _start, const MAT_Vector3& _end) { m_segment.Set(_start, _end); }

    void Collide(COD_Physical* _other, const SIM_Clock& _clock) override;
    void EndStep() override;
    void BeginStep() override;
    void CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle* _triangles, s32 _capacity,
                        const SIM_Clock& _clock) override;

    MAT_Segment m_segment;
    s32 m_terrainHit = 0;
    MAT_Vector3 m_hitPoint;
    MAT_Triangle m_hitTriangle;  // the terrain's in the world, a body's in its mesh frame
    s32 m_hitTriangleIndex = -1;
    const COS_CollisionMesh* m_hitMesh = nullptr;
    COD_NearestHit m_nearest;
};

// Torpedoes (kind 5): as bullets, but with a tree of their own that others can hit, an ignore
// reference and a shot-hit list of 10.
class COD_PhysicalTorpedo : public COD_Physical
{
public:
    COD_PhysicalTorpedo();
    ~COD_PhysicalTorpedo() override;

    void Parse(DES_Section* _section);
    void Clone(const COD_PhysicalTorpedo& _source);
    void SetSegment(const MAT_Vector3& _start, const MAT_Vector3& _end) { m_segment.Set(_start, _end); }

    void Collide(COD_Physical* _other, const SIM_Clock& _clock) override;
    void EndStep() override;
    void BeginStep() override;
    void CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle* _triangles, s32 _capacity,
                        const SIM_Clock& _clock) override;
    COS_OBBS_Tree* GetCollisionTree() const override { return m_tree; }
    const MAT_Matrix34* GetTransform() const override { return m_transform; }
    COD_PhysicalShotHits* GetShotHits() override { return &m_shotHits; }

    MAT_Segment m_segment;
    const MAT_Matrix34* m_transform = nullptr;
    RTI_Pointer m_ignore;  // the node the torpedo must not hit (its launcher)
    COD_PhysicalShotHits m_shotHits;
    s32 m_terrainHit = 0;
    MAT_Vector3 m_hitPoint;
    s32 m_bodyHit = 0;
    MAT_Triangle m_hitTriangle;
    COD_NearestHit m_nearest;
    COS_OBBS_Tree* m_tree = nullptr;
    s32 m_ownsTree = 0;
};

// The camera (kind 6): a sphere of radius 10 pushed out of bodies and the terrain.
class COD_Physical_Camera : public COD_Physical
{
public:
    COD_Physical_Camera();
    ~COD_Physical_Camera() override;

    void Collide(COD_Physical* _other, const SIM_Clock& _clock) override;
    void EndStep() override;
    void BeginStep() override;
    void CollideTerrain(MRT_TerrainCell* _cell, MAT_Triangle* _triangles, s32 _capacity,
                        const SIM_Clock& _clock) override;
    const MAT_Matrix34* GetTransform() const override { return m_transform; }

    const MAT_Matrix34* m_transform = nullptr;
    MAT_Vector3 m_pushOut;
    MAT_AABox m_pushOutBox;
    COS_OBBS_Tree* m_sphere = nullptr;  // owned one-node tree
};
