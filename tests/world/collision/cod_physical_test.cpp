// Physical contact: the contact test and the kinds' responses on fixture trees, the bullets'
// and torpedoes' nearest hits against bodies and a small real terrain, the camera's push-out,
// and the "Collision" keys.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "cod_owner.h"
#include "cod_physical.h"
#include "cos_contacttest.h"
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "cos_world_fixture.h"
#include "des_file.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_node.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_obbs.h"
#include "tools_sections.h"

namespace
{
const SIM_Clock s_clock;

// A square plate of half size _s in the y-z plane of its frame (x = 0), both triangles
// spanning the whole square, so every push it gives or takes runs along x.
TOOL_ObbsTree Plate(f32 _s)
{
    TOOL_ObbsTree tree =
        TOOL_ObbsBuild({{0.0f, -_s, -_s}, {0.0f, _s, -_s}, {0.0f, _s, _s}, {0.0f, -_s, _s}}, {{0, 1, 2}, {0, 2, 3}}, 1);
    tree.maxDescend = 8;
    return tree;
}

MAT_Matrix34 At(const MAT_Vector3& _position)
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = _position;
    return frame;
}

// One owner with its frame and velocity, as a body's contact aggregate keeps them.
template <class D>
struct Body
{
    NOD_Node owner;
    MAT_Matrix34 frame = At({});
    MAT_Vector3 velocity;
    std::unique_ptr<D> d = std::make_unique<D>();

    Body()
    {
        d->m_owner = &owner;
        if constexpr (requires { d->m_velocity; })
            d->m_velocity = &velocity;
        if constexpr (requires { d->m_transform; })
            d->m_transform = &frame;
    }
};

class PhysicalContact : public testing::Test
{
protected:
    void SetUp() override
    {
        m_cache.SetPath("col\\");
        COS_OBBS_Tree_Cache::SetCurrent(&m_cache);
        COD_Physical::SetCounters(&m_counters);
        m_dir.Write("col/plate1", TOOL_ObbsText(Plate(1.0f)));
        m_dir.Write("col/plate15", TOOL_ObbsText(Plate(1.5f)));
        m_dir.Write("col/plate2", TOOL_ObbsText(Plate(2.0f)));
    }
    void TearDown() override
    {
        COD_Physical::SetCounters(nullptr);
        COS_OBBS_Tree_Cache::SetCurrent(nullptr);
    }

    // Runs _read on the "Collision" section of a description holding _text.
    template <class F>
    void WithSection(const std::string& _text, F _read)
    {
        m_dir.Write("obj.des", _text);
        DES_File file;
        DES_Section root;
        DES_Section section;
        file.Open(&root, "obj.des");
        ASSERT_TRUE(root.FindSection(&section, "Collision"));
        _read(&section);
    }

    TOOL_CollisionSection Keys(const char* _tree, f32 _restitution = 0.0f, f32 _mass = 1.0f, s32 _lists = 4) const
    {
        TOOL_CollisionSection keys;
        keys.collisionDescription = _tree;
        keys.restitution = _restitution;
        keys.mass = _mass;
        keys.maxNumOfCollisions = _lists;
        keys.maxNumOfShotHits = _lists;
        return keys;
    }

    template <class D>
    void ParseVessel(Body<D>& _body, s32 _kind, const TOOL_CollisionSection& _keys, f32 _margin = 0.0f)
    {
        WithSection(TOOL_CollisionSectionText(_keys, TOOL_COLLISION_VESSEL),
                    [&](DES_Section* _section) { _body.d->Parse(_section, _margin); });
        _body.d->m_kind = _kind;
    }

    void ParseGeneric(Body<COD_Physical_Generic>& _body, const TOOL_CollisionSection& _keys)
    {
        WithSection(TOOL_CollisionSectionText(_keys, TOOL_COLLISION_GENERIC),
                    [&](DES_Section* _section) { _body.d->Parse(_section); });
    }

    void ParseTorpedo(Body<COD_PhysicalTorpedo>& _body, const char* _tree)
    {
        WithSection(TOOL_CollisionSectionText(Keys(_tree), TOOL_COLLISION_TORPEDO),
                    [&](DES_Section* _section) { _body.d->Parse(_section); });
    }

    f32 LeafRadius(const char* _tree)
    {
        COS_OBBS_Tree* tree = m_cache.AllocateTree(_tree);
        const f32 radius = tree->nodes[1].sphere.m_radius;
        m_cache.ReleaseTree(tree);
        return radius;
    }

    TST_TempDir m_dir;
    COS_OBBS_Tree_Cache m_cache;
    COS_CollisionTreeCounters m_counters;
};

// Both calls of a pair, then the end of the pass, as COH_Physical runs them.
void Pass(COD_Physical& _a, COD_Physical& _b)
{
    _a.BeginStep();
    _b.BeginStep();
    _a.Collide(&_b, s_clock);
    _b.Collide(&_a, s_clock);
    _a.EndStep();
    _b.EndStep();
}

void ExpectVector(const MAT_Vector3& _expected, const MAT_Vector3& _actual, const char* _what)
{
    EXPECT_NEAR(_expected.x, _actual.x, 1e-5f) << _what;
    EXPECT_NEAR(_expected.y, _actual.y, 1e-5f) << _what;
    EXPECT_NEAR(_expected.z, _actual.z, 1e-5f) << _what;
}
}  // namespace

// --- the contact test ---------------------------------------------------------------------------

TEST_F(PhysicalContact, ContactVectorPushesTheRespondingTreeOutAndCountsItsWork)
{
    COS_OBBS_Tree* plate = m_cache.AllocateTree("plate1");
    const f32 r = plate->nodes[1].sphere.m_radius;
    for (f32 x : {0.5f, -0.5f}) {
        MAT_AABox box;
        COS_CollisionTreeCounters counters;
        ASSERT_EQ(1, COS_ContactTest(*plate, *plate, At({}), At({x, 0.0f, 0.0f}), 0.0f, box, counters)) << x;
        MAT_Vector3 d;
        MAT_Vector3 n;
        COS_ContactVector(box, d, n);
        // B in front of A pushes A back by the depth of A's leaf spheres into B's plate.
        ExpectVector({x > 0.0f ? -(r - 0.5f) : r - 0.5f, 0.0f, 0.0f}, d, "d");
        ExpectVector({x > 0.0f ? -1.0f : 1.0f, 0.0f, 0.0f}, n, "n");
        EXPECT_GT(counters.treePairs, 1u);
        EXPECT_GT(counters.triangles, 0u);
    }
    // Out of reach: the pre-test fails at once.
    MAT_AABox box;
    COS_CollisionTreeCounters counters;
    EXPECT_EQ(0, COS_ContactTest(*plate, *plate, At({}), At({3.0f, 0.0f, 0.0f}), 0.0f, box, counters));
    EXPECT_EQ(0u, counters.treePairs);
    m_cache.ReleaseTree(plate);
}

TEST_F(PhysicalContact, TreeTestFindsExactlyThePlainTestsContacts)
{
    // A box hull of 24 triangles in leaves of 2, turned and placed at random: with margin 0
    // the tree test must reach the same leaf-sphere-against-triangle contacts as testing every
    // leaf sphere against every triangle, so the pruning on the way down loses nothing and the
    // contact vector comes out bit for bit the same.
    std::vector<std::array<f32, 3>> vertices;
    std::vector<std::array<s32, 3>> triangles;
    for (s32 i = 0; i < 8; ++i)
        vertices.push_back({(i & 1) ? 4.0f : -4.0f, (i & 2) ? 1.5f : -1.5f, (i & 4) ? 1.0f : -1.0f});
    const s32 faces[6][4] = {{0, 1, 3, 2}, {4, 6, 7, 5}, {0, 4, 5, 1}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 5, 7, 3}};
    for (const auto& f : faces) {
        // Each face as four triangles around its centre, so leaves are small against the hull.
        const s32 centre = (s32)vertices.size();
        std::array<f32, 3> c = {};
        for (s32 k = 0; k < 4; ++k)
            for (s32 axis = 0; axis < 3; ++axis)
                c[axis] += 0.25f * vertices[f[k]][axis];
        vertices.push_back(c);
        for (s32 k = 0; k < 4; ++k)
            triangles.push_back({f[k], f[(k + 1) % 4], centre});
    }
    TOOL_ObbsTree hull = TOOL_ObbsBuild(vertices, triangles, 2);
    hull.maxDescend = 16;
    // The builder's spheres hold their children's, so pruning on the way down loses nothing.
    m_dir.Write("col/hull", TOOL_ObbsText(hull));
    COS_OBBS_Tree* tree = m_cache.AllocateTree("hull");

    u32 state = 99u;
    auto next = [&state]() {
        state = state * 1664525u + 1013904223u;
        return (f32)(state >> 8) / 16777216.0f;
    };
    s32 touching = 0;
    for (s32 round = 0; round < 400; ++round) {
        const f32 heading = next() * 6.2831853f;
        MAT_Matrix34 frameB;
        frameB.SetFromVectors({(next() - 0.5f) * 24.0f, (next() - 0.5f) * 14.0f, (next() - 0.5f) * 8.0f},
                              {std::cos(heading), std::sin(heading), 0.0f},
                              {-std::sin(heading), std::cos(heading), 0.0f}, {0.0f, 0.0f, 1.0f});
        const MAT_Matrix34 frameA = At({});
        MAT_AABox treeBox;
        COS_CollisionTreeCounters counters;
        const s32 treeResult = COS_ContactTest(*tree, *tree, frameA, frameB, 0.0f, treeBox, counters);

        MAT_AABox plainBox;
        s32 plainResult = 0;
        const MAT_Matrix34 aToB = frameB.InvertRigid().Compose(frameA);
        for (s32 n = 0; n < tree->nodeCount; ++n) {
            if (tree->nodes[n].firstChild != nullptr)
                continue;
            MAT_Sphere sphere = tree->nodes[n].sphere;
            sphere.m_centre = aToB.TransformPoint(sphere.m_centre);
            for (s32 t = 0; t < tree->mesh->triangleListCount; ++t) {
                const MAT_Triangle triangle = tree->mesh->GetTriangle(t);
                if (!MAT_TestSphereTriangle(sphere, triangle))
                    continue;
                MAT_Contact contact;
                MAT_ContactSphereTriangle(sphere, triangle, contact);
                plainBox.Extend(frameB.RotateVector(contact.m_normal) * contact.m_depth);
                plainResult = 1;
            }
        }
        ASSERT_EQ(plainResult, treeResult) << round;
        EXPECT_EQ(plainBox.m_min, treeBox.m_min) << round;
        EXPECT_EQ(plainBox.m_max, treeBox.m_max) << round;
        touching += treeResult;
    }
    EXPECT_GT(touching, 50);
    EXPECT_LT(touching, 390);
    m_cache.ReleaseTree(tree);
}

// --- two vessels ----------------------------------------------------------------------------------

TEST_F(PhysicalContact, TwoFreeVesselsHeadOnGiveTheSameResultWhicheverResponds)
{
    // Mass 1 each, A moving at (1, 0, 0) into B at rest: e = 1 swaps the velocities, e = 0 leaves
    // both at 0.5; equal radii, so the list positions decide who responds, and either way
    // the results match and momentum is kept. Mass 0 (two decoys) shares like equal masses.
    struct Case
    {
        f32 restitution;
        f32 mass;
        f32 velocityA;
        f32 velocityB;
    };
    const Case cases[] = {
        {1.0f, 1.0f, 0.0f, 1.0f}, {0.0f, 1.0f, 0.5f, 0.5f}, {1.0f, 0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 0.5f, 0.5f}};
    const f32 r = LeafRadius("plate1");
    for (const Case& c : cases)
        for (u16 firstA : {0, 1}) {
            Body<COD_Physical_Vessel> a;
            Body<COD_Physical_Vessel> b;
            ParseVessel(a, COD_KIND_FREE_BODY, Keys("plate1", c.restitution, c.mass));
            ParseVessel(b, COD_KIND_FREE_BODY, Keys("plate1", c.restitution, c.mass));
            a.velocity = {1.0f, 0.0f, 0.0f};
            b.frame = At({0.5f, 0.0f, 0.0f});
            a.d->m_listPosition = firstA ? 0 : 1;
            b.d->m_listPosition = firstA ? 1 : 0;
            // Exactly the one at the lower list position responds, whatever the addresses.
            a.d->BeginStep();
            b.d->BeginStep();
            a.d->Collide(b.d.get(), s_clock);
            EXPECT_EQ(firstA ? 1 : 0, a.d->m_contactFlag);
            b.d->BeginStep();
            a.d->BeginStep();
            b.d->Collide(a.d.get(), s_clock);
            EXPECT_EQ(firstA ? 0 : 1, b.d->m_contactFlag);

            Pass(*a.d, *b.d);
            const std::string what = "e " + std::to_string(c.restitution) + " mass " + std::to_string(c.mass) +
                                     (firstA ? " A responds" : " B responds");
            ExpectVector({c.velocityA, 0.0f, 0.0f}, a.d->m_collisionVelocity, what.c_str());
            ExpectVector({c.velocityB, 0.0f, 0.0f}, b.d->m_collisionVelocity, what.c_str());
            // Half the push each, away from the other.
            ExpectVector({-(r - 0.5f) * 0.5f, 0.0f, 0.0f}, a.d->m_collisionDisplacement, what.c_str());
            ExpectVector({(r - 0.5f) * 0.5f, 0.0f, 0.0f}, b.d->m_collisionDisplacement, what.c_str());
            EXPECT_EQ(1, a.d->m_contacts.count) << what;
            EXPECT_EQ(&b.owner, a.d->m_contacts.bodies[0].Get()) << what;
            EXPECT_EQ(&a.owner, b.d->m_contacts.bodies[0].Get()) << what;
            EXPECT_TRUE(std::isfinite(a.d->m_collisionVelocity.x)) << what;
        }
}

TEST_F(PhysicalContact, UnequalMassesKeepMomentum)
{
    Body<COD_Physical_Vessel> a;
    Body<COD_Physical_Vessel> b;
    ParseVessel(a, COD_KIND_FREE_BODY, Keys("plate1", 0.5f, 3.0f));
    ParseVessel(b, COD_KIND_FREE_BODY, Keys("plate15", 0.5f, 5.0f));
    a.velocity = {2.0f, 1.0f, 0.0f};
    b.velocity = {-1.0f, 0.0f, 0.5f};
    b.frame = At({0.5f, 0.0f, 0.0f});
    Pass(*a.d, *b.d);
    ASSERT_EQ(1, a.d->m_contactFlag);
    const MAT_Vector3 before = a.velocity * 3.0f + b.velocity * 5.0f;
    // Components that stay zero in a box's sum are the unchanged ones; compare the x axis,
    // the only one a push along x changes.
    const f32 after = a.d->m_collisionVelocity.x * 3.0f + b.d->m_collisionVelocity.x * 5.0f;
    EXPECT_NEAR(before.x, after, 1e-4f);
    EXPECT_NEAR(0.0f, a.d->m_collisionDisplacement.x * 3.0f + b.d->m_collisionDisplacement.x * 5.0f, 1e-5f);
}

// --- the kind table -------------------------------------------------------------------------------

TEST_F(PhysicalContact, KindTableDecidesWhoResponds)
{
    enum Other
    {
        PLAYER,
        FREE,
        GROUND,
        GENERIC,
        TORPEDO,
        CAMERA,
    };
    struct Case
    {
        bool player;  // A is the player, else a vessel of kind aKind
        s32 aKind;
        const char* aTree;
        Other other;
        const char* bTree;
        bool responds;
    };
    const Case cases[] = {
        {false, 1, "plate1", FREE, "plate15", true},    {false, 1, "plate15", FREE, "plate1", false},
        {false, 1, "plate15", GROUND, "plate1", true},  {false, 2, "plate1", GROUND, "plate15", true},
        {false, 2, "plate15", GROUND, "plate1", false}, {false, 2, "plate1", GROUND, "plate1", true},
        {false, 2, "plate1", FREE, "plate15", false},   {false, 1, "plate1", GENERIC, "plate1", true},
        {false, 2, "plate1", GENERIC, "plate1", true},  {false, 1, "plate1", PLAYER, "plate15", false},
        {false, 1, "plate1", TORPEDO, "plate1", false}, {false, 1, "plate1", CAMERA, "plate1", false},
        {true, 0, "plate15", FREE, "plate1", true},     {true, 0, "plate15", GROUND, "plate1", true},
        {true, 0, "plate1", GENERIC, "plate1", true},   {true, 0, "plate1", PLAYER, "plate15", true},
        {true, 0, "plate15", PLAYER, "plate1", false},  {true, 0, "plate1", TORPEDO, "plate1", false},
        {true, 0, "plate1", CAMERA, "plate1", false},
    };
    for (const Case& c : cases) {
        Body<COD_Physical_Vessel> vessel;
        Body<COD_Physical_Player> player;
        COD_Physical_Vessel& a = c.player ? *player.d : *vessel.d;
        if (c.player)
            ParseVessel(player, COD_KIND_PLAYER, Keys(c.aTree));
        else
            ParseVessel(vessel, c.aKind, Keys(c.aTree));
        a.m_listPosition = 0;

        Body<COD_Physical_Vessel> otherVessel;
        Body<COD_Physical_Player> otherPlayer;
        Body<COD_Physical_Generic> generic;
        Body<COD_PhysicalTorpedo> torpedo;
        Body<COD_Physical_Camera> camera;
        COD_Physical* b = nullptr;
        switch (c.other) {
        case PLAYER:
            ParseVessel(otherPlayer, COD_KIND_PLAYER, Keys(c.bTree));
            b = otherPlayer.d.get();
            break;
        case FREE:
            ParseVessel(otherVessel, COD_KIND_FREE_BODY, Keys(c.bTree));
            b = otherVessel.d.get();
            break;
        case GROUND:
            ParseVessel(otherVessel, COD_KIND_GROUND_BODY, Keys(c.bTree));
            b = otherVessel.d.get();
            break;
        case GENERIC:
            ParseGeneric(generic, Keys(c.bTree));
            b = generic.d.get();
            break;
        case TORPEDO:
            ParseTorpedo(torpedo, c.bTree);
            b = torpedo.d.get();
            break;
        case CAMERA:
            b = camera.d.get();
            break;
        }
        otherVessel.frame = otherPlayer.frame = generic.frame = torpedo.frame = camera.frame = At({0.5f, 0.0f, 0.0f});
        b->m_listPosition = 1;
        a.BeginStep();
        b->BeginStep();
        a.Collide(b, s_clock);
        EXPECT_EQ(c.responds ? 1 : 0, a.m_contactFlag) << (c.player ? "player" : "vessel " + std::to_string(c.aKind))
                                                       << " " << c.aTree << " against " << c.other << " " << c.bTree;
    }
}

TEST_F(PhysicalContact, OneSidedResponsesLeaveTheOtherBodyAlone)
{
    // A vessel against a ground vehicle: only the vessel moves, both lists name each other.
    Body<COD_Physical_Vessel> vessel;
    Body<COD_Physical_Vessel> vehicle;
    ParseVessel(vessel, COD_KIND_FREE_BODY, Keys("plate15", 0.0f));
    ParseVessel(vehicle, COD_KIND_GROUND_BODY, Keys("plate1", 0.0f));
    vessel.velocity = {1.0f, 2.0f, 0.0f};
    vehicle.velocity = {0.25f, 0.0f, 0.0f};
    vehicle.frame = At({0.5f, 0.0f, 0.0f});
    Pass(*vessel.d, *vehicle.d);
    // Relative velocity loses its normal part: the vessel keeps pace with the vehicle along x.
    ExpectVector({0.25f, 2.0f, 0.0f}, vessel.d->m_collisionVelocity, "vessel");
    ExpectVector({}, vehicle.d->m_collisionVelocity, "vehicle velocity");
    ExpectVector({}, vehicle.d->m_collisionDisplacement, "vehicle displacement");
    EXPECT_EQ(&vehicle.owner, vessel.d->m_contacts.bodies[0].Get());
    EXPECT_EQ(&vessel.owner, vehicle.d->m_contacts.bodies[0].Get());
    EXPECT_EQ(1, vehicle.d->m_contactFlag);

    // A generic obstacle, restitution 0: the normal component goes, the displacement is D.
    Body<COD_Physical_Vessel> a;
    Body<COD_Physical_Generic> wall;
    ParseVessel(a, COD_KIND_FREE_BODY, Keys("plate1", 0.0f));
    ParseGeneric(wall, Keys("plate1"));
    a.velocity = {1.0f, 2.0f, 0.0f};
    wall.frame = At({0.5f, 0.0f, 0.0f});
    Pass(*a.d, *wall.d);
    ExpectVector({0.0f, 2.0f, 0.0f}, a.d->m_collisionVelocity, "against the wall");
    ExpectVector({-(LeafRadius("plate1") - 0.5f), 0.0f, 0.0f}, a.d->m_collisionDisplacement, "pushed back");
    EXPECT_EQ(&a.owner, wall.d->m_contacts.bodies[0].Get());
}

TEST_F(PhysicalContact, PushesEachWayCombineAsTheLargestOfEach)
{
    // Walls on both sides, pushing by +1 and -2 (the -2 one twice): the displacement is -1.
    const f32 r = LeafRadius("plate2");
    Body<COD_Physical_Vessel> a;
    Body<COD_Physical_Generic> walls[3];
    ParseVessel(a, COD_KIND_FREE_BODY, Keys("plate2"));
    const f32 places[] = {-(r - 1.0f), r - 2.0f, r - 2.0f};
    a.d->BeginStep();
    for (s32 i = 0; i < 3; ++i) {
        ParseGeneric(walls[i], Keys("plate2"));
        walls[i].frame = At({places[i], 0.0f, 0.0f});
        walls[i].d->BeginStep();
        a.d->Collide(walls[i].d.get(), s_clock);
    }
    a.d->EndStep();
    EXPECT_NEAR(-1.0f, a.d->m_collisionDisplacement.x, 1e-5f);
    EXPECT_EQ(3, a.d->m_contacts.count);
    // A second EndStep in the pass changes nothing.
    a.d->m_displacementBox = MAT_AABox();
    a.d->EndStep();
    EXPECT_NEAR(-1.0f, a.d->m_collisionDisplacement.x, 1e-5f);
}

TEST_F(PhysicalContact, IgnoreReferencesOnEitherSideAndItsBodyDescendants)
{
    // A child -> father table stands in for the body core's compound bodies.
    static std::map<const NOD_Node*, const NOD_Node*> fathers;
    COD_SetHasBodyAncestorTest([](const NOD_Node* _body, const NOD_Node* _node) {
        for (const NOD_Node* n = _body; n != nullptr; n = fathers.count(n) ? fathers[n] : nullptr)
            if (n == _node)
                return true;
        return false;
    });
    NOD_Node carrier;
    for (s32 variant = 0; variant < 4; ++variant) {
        Body<COD_Physical_Vessel> a;
        Body<COD_Physical_Vessel> b;
        ParseVessel(a, COD_KIND_FREE_BODY, Keys("plate1"));
        ParseVessel(b, COD_KIND_GROUND_BODY, Keys("plate1"));
        b.frame = At({0.5f, 0.0f, 0.0f});
        fathers.clear();
        if (variant == 0)
            a.d->m_ignore.Set(&b.owner);
        if (variant == 1) {
            fathers[&b.owner] = &carrier;  // B is a part of the ignored carrier
            a.d->m_ignore.Set(&carrier);
        }
        if (variant == 2)
            b.d->m_ignore.Set(&a.owner);
        Pass(*a.d, *b.d);
        EXPECT_EQ(variant == 3 ? 1 : 0, a.d->m_contactFlag) << variant;
        EXPECT_EQ(variant == 3 ? 1 : 0, b.d->m_contacts.count) << variant;
    }
    COD_SetHasBodyAncestorTest(nullptr);
    fathers.clear();
}

TEST_F(PhysicalContact, AFullListOnEitherSideDropsTheContact)
{
    struct Case
    {
        s32 listA;
        s32 listB;
        bool touches;
    };
    // Negative capacities from a file count as none.
    for (const Case& c :
         {Case{0, 4, false}, Case{4, 0, false}, Case{-3, 4, false}, Case{4, -3, false}, Case{1, 1, true}}) {
        Body<COD_Physical_Vessel> a;
        Body<COD_Physical_Generic> wall;
        ParseVessel(a, COD_KIND_FREE_BODY, Keys("plate1", 0.0f, 1.0f, c.listA));
        ParseGeneric(wall, Keys("plate1", 0.0f, 1.0f, c.listB));
        wall.frame = At({0.5f, 0.0f, 0.0f});
        a.velocity = {1.0f, 0.0f, 0.0f};
        Pass(*a.d, *wall.d);
        EXPECT_EQ(c.touches ? 1 : 0, a.d->m_contactFlag) << c.listA << " " << c.listB;
        EXPECT_EQ(c.touches ? 1 : 0, wall.d->m_contactFlag) << c.listA << " " << c.listB;
        EXPECT_EQ(c.touches, a.d->m_collisionDisplacement.x < 0.0f) << c.listA << " " << c.listB;
        EXPECT_GE(a.d->m_contacts.capacity, 0);
        EXPECT_GE(wall.d->m_shotHits.capacity, 0);
    }
}

// --- the terrain ----------------------------------------------------------------------------------

class PhysicalTerrain : public PhysicalContact
{
protected:
    void SetUp() override
    {
        PhysicalContact::SetUp();
        // Flat ground at z = 0 over x, y in -8 .. 8.
        TST_BuildTerrain(m_terrain, 2, 9, {-8.0f, -8.0f, 0.0f}, {1.0f, 1.0f, 1.0f}, [](s32, s32) { return (u16)0; });
        m_cell.terrain = &m_terrain;
    }

    void Terrain(COD_Physical& _d, MRT_TerrainCell* _cell) { _d.CollideTerrain(_cell, m_triangles, 1024, s_clock); }

    MRT_Terrain m_terrain;
    MRT_TerrainCell m_cell;
    MAT_Triangle m_triangles[1024];
};

TEST_F(PhysicalTerrain, FreeBodiesAndThePlayerTouchTheGroundGroundBodiesDoNot)
{
    struct Case
    {
        s32 kind;
        s32 active;
        bool touches;
    };
    for (const Case& c : {Case{COD_KIND_FREE_BODY, 1, true}, Case{COD_KIND_PLAYER, 1, true},
                          Case{COD_KIND_GROUND_BODY, 1, false}, Case{COD_KIND_FREE_BODY, 0, false}}) {
        Body<COD_Physical_Vessel> vessel;
        Body<COD_Physical_Player> player;
        TOOL_CollisionSection keys = Keys("plate1", 0.0f, 1.0f, 0);  // no body contacts: terrain still
        keys.active = c.active;
        if (c.kind == COD_KIND_PLAYER)
            ParseVessel(player, COD_KIND_PLAYER, keys);
        else
            ParseVessel(vessel, c.kind, keys);
        COD_Physical_Vessel& d = c.kind == COD_KIND_PLAYER ? *player.d : *vessel.d;
        vessel.frame = player.frame = At({0.0f, 0.0f, 1.0f});
        vessel.velocity = player.velocity = {1.0f, 0.0f, -1.0f};
        d.BeginStep();
        Terrain(d, &m_cell);
        d.EndStep();
        EXPECT_EQ(c.touches ? 1 : 0, d.m_terrainContact) << c.kind << " " << c.active;
        EXPECT_EQ(c.touches ? 1 : 0, d.m_contactFlag) << c.kind << " " << c.active;
        if (c.touches) {
            EXPECT_GT(d.m_collisionDisplacement.z, 0.0f);
            EXPECT_NEAR(1.0f, d.m_collisionVelocity.x, 1e-5f);  // the downward part is gone
            EXPECT_NEAR(0.0f, d.m_collisionVelocity.z, 1e-5f);
        }
        // No terrain loaded yet: no ground.
        MRT_TerrainCell empty;
        d.BeginStep();
        Terrain(d, &empty);
        EXPECT_EQ(0, d.m_terrainContact);
    }
}

TEST_F(PhysicalTerrain, BulletReportsWhicheverItHitsFirst)
{
    // A plate of 1 standing at x = 0 from z = 0 to 2; the ground at z = 0.
    struct Case
    {
        MAT_Vector3 from;
        MAT_Vector3 to;
        bool body;
    };
    const Case cases[] = {
        {{-4.0f, 0.0f, 1.5f}, {4.0f, 0.0f, -0.5f}, true},   // plate at 0.5, ground at 0.75
        {{-4.0f, 0.0f, 0.5f}, {4.0f, 0.0f, -3.5f}, false},  // ground at 0.125, plate at 0.5
    };
    for (const Case& c : cases) {
        Body<COD_Physical_Vessel> target;
        ParseVessel(target, COD_KIND_FREE_BODY, Keys("plate1"));
        target.frame = At({0.0f, 0.0f, 1.0f});
        Body<COD_Physical_Bullet> bullet;
        bullet.d->SetSegment(c.from, c.to);
        bullet.d->BeginStep();
        target.d->BeginStep();
        bullet.d->Collide(target.d.get(), s_clock);
        Terrain(*bullet.d, &m_cell);
        bullet.d->EndStep();
        EXPECT_EQ(1, bullet.d->m_contactFlag);
        EXPECT_EQ(c.body ? 0 : 1, bullet.d->m_terrainHit);
        EXPECT_EQ(c.body ? 1 : 0, target.d->m_shotHits.count);
        if (c.body) {
            ExpectVector({0.0f, 0.0f, 0.5f}, bullet.d->m_hitPoint, "body hit");
            EXPECT_EQ(target.d.get(), bullet.d->m_nearest.description);
            EXPECT_EQ(&bullet.owner, target.d->m_shotHits.shooters[0].Get());
            EXPECT_NEAR(0.5f, target.d->m_shotHits.fractions[0], 1e-5f);
            EXPECT_EQ(1, target.d->m_contactFlag);
            // The triangle hit, from the mesh as it is stored.
            const COS_CollisionMesh* mesh = target.d->m_tree->mesh;
            EXPECT_EQ(mesh, bullet.d->m_hitMesh);
            const COS_MeshTriangle& hit = mesh->triangles[bullet.d->m_hitTriangleIndex];
            EXPECT_EQ(mesh->vertices[hit.a], bullet.d->m_hitTriangle.m_a);
            EXPECT_EQ(mesh->vertices[hit.c], bullet.d->m_hitTriangle.m_c);
            EXPECT_EQ(hit.normal, bullet.d->m_hitTriangle.m_normal);
        } else {
            ExpectVector({-3.0f, 0.0f, 0.0f}, bullet.d->m_hitPoint, "ground hit");
            EXPECT_NEAR(1.0f, std::fabs(bullet.d->m_hitTriangle.m_normal.z), 1e-5f);
        }
        // Without a terrain the body still counts; the ground is simply not there.
        MRT_TerrainCell empty;
        bullet.d->BeginStep();
        bullet.d->Collide(target.d.get(), s_clock);
        Terrain(*bullet.d, &empty);
        EXPECT_EQ(0, bullet.d->m_terrainHit);
    }
}

TEST_F(PhysicalTerrain, AFullShotHitListRecordsNothingButTheBulletStillReports)
{
    Body<COD_Physical_Vessel> target;
    ParseVessel(target, COD_KIND_FREE_BODY, Keys("plate1", 0.0f, 1.0f, 1));
    target.frame = At({0.0f, 0.0f, 1.0f});
    target.d->BeginStep();
    Body<COD_Physical_Bullet> bullets[2];
    for (Body<COD_Physical_Bullet>& bullet : bullets) {
        bullet.d->SetSegment({-4.0f, 0.0f, 1.0f}, {4.0f, 0.0f, 1.0f});
        bullet.d->BeginStep();
        bullet.d->Collide(target.d.get(), s_clock);
        bullet.d->EndStep();
        ExpectVector({0.0f, 0.0f, 1.0f}, bullet.d->m_hitPoint, "hit point");
    }
    EXPECT_EQ(1, target.d->m_shotHits.count);
    EXPECT_EQ(&bullets[0].owner, target.d->m_shotHits.shooters[0].Get());
    // A bullet whose "Active" is not exactly 1 hits nothing.
    Body<COD_Physical_Bullet> inactive;
    TOOL_CollisionSection keys;
    keys.active = 2;
    WithSection(TOOL_CollisionSectionText(keys, TOOL_COLLISION_BULLET),
                [&](DES_Section* _section) { inactive.d->Parse(_section); });
    inactive.d->SetSegment({-4.0f, 0.0f, 1.0f}, {4.0f, 0.0f, 1.0f});
    inactive.d->BeginStep();
    inactive.d->Collide(target.d.get(), s_clock);
    EXPECT_EQ(0, inactive.d->m_contactFlag);
}

TEST_F(PhysicalTerrain, TorpedoSkipsItsIgnoreReferenceAndRecordsItsHit)
{
    for (bool ignored : {true, false}) {
        Body<COD_Physical_Vessel> launcher;
        Body<COD_Physical_Generic> wall;
        ParseVessel(launcher, COD_KIND_FREE_BODY, Keys("plate1"));
        ParseGeneric(wall, Keys("plate1"));
        launcher.frame = At({-2.0f, 0.0f, 1.0f});
        wall.frame = At({2.0f, 0.0f, 1.0f});
        Body<COD_PhysicalTorpedo> torpedo;
        ParseTorpedo(torpedo, "plate1");
        torpedo.d->SetSegment({-4.0f, 0.0f, 1.0f}, {4.0f, 0.0f, 1.0f});
        if (ignored)
            torpedo.d->m_ignore.Set(&launcher.owner);
        for (COD_Physical* d :
             {(COD_Physical*)launcher.d.get(), (COD_Physical*)wall.d.get(), (COD_Physical*)torpedo.d.get()})
            d->BeginStep();
        torpedo.d->Collide(launcher.d.get(), s_clock);
        torpedo.d->Collide(wall.d.get(), s_clock);
        Terrain(*torpedo.d, &m_cell);
        torpedo.d->EndStep();
        EXPECT_EQ(1, torpedo.d->m_bodyHit);
        EXPECT_EQ(0, torpedo.d->m_terrainHit);
        COD_Physical_Vessel* launcherD = launcher.d.get();
        EXPECT_EQ(ignored ? (COD_Physical*)wall.d.get() : (COD_Physical*)launcherD, torpedo.d->m_nearest.description);
        EXPECT_EQ(ignored ? 0 : 1, launcher.d->m_shotHits.count);
        EXPECT_EQ(ignored ? 1 : 0, wall.d->m_shotHits.count);
    }
}

TEST_F(PhysicalTerrain, CameraIsPushedOutOfBodiesAndGroundNeverOutOfThePlayer)
{
    Body<COD_Physical_Player> player;
    Body<COD_Physical_Vessel> vessel;
    Body<COD_Physical_Camera> camera;
    ParseVessel(player, COD_KIND_PLAYER, Keys("plate1"));
    ParseVessel(vessel, COD_KIND_GROUND_BODY, Keys("plate1"));
    // The camera's sphere of 10 reaches both plates 5 ahead of it, and the ground 2 below.
    camera.frame = At({-5.0f, 0.0f, 20.0f});
    player.frame = vessel.frame = At({0.0f, 0.0f, 20.0f});
    camera.d->BeginStep();
    player.d->BeginStep();
    camera.d->Collide(player.d.get(), s_clock);
    player.d->Collide(camera.d.get(), s_clock);
    camera.d->EndStep();
    EXPECT_EQ(0, camera.d->m_contactFlag);
    EXPECT_EQ(0, player.d->m_contactFlag);
    ExpectVector({}, camera.d->m_pushOut, "player");

    camera.d->BeginStep();
    camera.d->Collide(vessel.d.get(), s_clock);
    camera.d->EndStep();
    EXPECT_EQ(1, camera.d->m_contactFlag);
    ExpectVector({-5.0f, 0.0f, 0.0f}, camera.d->m_pushOut, "vessel");

    camera.frame = At({0.0f, 0.0f, 8.0f});
    camera.d->BeginStep();
    Terrain(*camera.d, &m_cell);
    camera.d->EndStep();
    EXPECT_EQ(1, camera.d->m_contactFlag);
    EXPECT_NEAR(2.0f, camera.d->m_pushOut.z, 1e-4f);
}

// --- the collision switches ---------------------------------------------------------------------

TEST_F(PhysicalContact, ObjectAndGroundSwitchesEachGovernTheirOwnTests)
{
    // Flat ground at z = 0 (x, y from -64 to 192) under lanes of bodies and shots, registered
    // with the collision system as a run registers them, so one pass runs the real pair and
    // terrain callbacks. The switched descriptions are the vessel and the four shots; the
    // others stay on.
    MRT_Terrain terrain;
    TST_BuildTerrain(terrain, 4, 9, {-64.0f, -64.0f, 0.0f}, {8.0f, 8.0f, 1.0f}, [](s32, s32) { return (u16)0; });
    struct Case
    {
        u32 objects;
        u32 ground;
    };
    for (const Case& c : {Case{1, 1}, Case{1, 0}, Case{0, 1}, Case{0, 0}}) {
        const std::string what = "objects " + std::to_string(c.objects) + " ground " + std::to_string(c.ground);
        // Lane y = 0: the vessel stands in the ground beside a wall it touches, and a shot that
        // stays on ends between the two.
        Body<COD_Physical_Vessel> vessel;
        Body<COD_Physical_Generic> wall;
        Body<COD_Physical_Bullet> shotAtVessel;
        ParseVessel(vessel, COD_KIND_FREE_BODY, Keys("plate1"));
        ParseGeneric(wall, Keys("plate1"));
        vessel.frame = At({0.0f, 0.0f, 0.5f});
        wall.frame = At({0.5f, 0.0f, 0.5f});
        shotAtVessel.d->SetSegment({-4.0f, 0.0f, 1.2f}, {0.25f, 0.0f, 1.2f});
        // Lanes y = 20 and 40: a switched bullet and torpedo through a target that stays on.
        Body<COD_Physical_Generic> bulletTarget;
        Body<COD_Physical_Bullet> bullet;
        ParseGeneric(bulletTarget, Keys("plate1"));
        bulletTarget.frame = At({0.0f, 20.0f, 5.0f});
        bullet.d->SetSegment({-4.0f, 20.0f, 5.0f}, {4.0f, 20.0f, 5.0f});
        Body<COD_Physical_Generic> torpedoTarget;
        Body<COD_PhysicalTorpedo> torpedo;
        ParseGeneric(torpedoTarget, Keys("plate1"));
        ParseTorpedo(torpedo, "plate1");
        torpedoTarget.frame = At({0.0f, 40.0f, 5.0f});
        torpedo.frame = At({-30.0f, 40.0f, 5.0f});
        torpedo.d->SetSegment({-4.0f, 40.0f, 5.0f}, {4.0f, 40.0f, 5.0f});
        // Lanes y = 60 and 80: a switched bullet and torpedo down into the ground, halfway.
        Body<COD_Physical_Bullet> bulletDown;
        Body<COD_PhysicalTorpedo> torpedoDown;
        ParseTorpedo(torpedoDown, "plate1");
        torpedoDown.frame = At({-30.0f, 80.0f, 5.0f});
        bulletDown.d->SetSegment({0.0f, 60.0f, 2.0f}, {0.0f, 64.0f, -2.0f});
        torpedoDown.d->SetSegment({0.0f, 80.0f, 2.0f}, {0.0f, 84.0f, -2.0f});

        TST_CollisionWorld world;
        world.cell.terrain = &terrain;
        auto add = [&](COD_Physical& _d, NOD_Node& _owner, const MAT_Vector3& _low, const MAT_Vector3& _high) {
            const f32 box[6] = {_low.x - 1.5f,  _low.y - 1.5f,  _low.z - 1.5f,
                                _high.x + 1.5f, _high.y + 1.5f, _high.z + 1.5f};
            world.physical.Insert(&_d, box, &_owner);
        };
        add(*vessel.d, vessel.owner, vessel.frame.t, vessel.frame.t);
        add(*wall.d, wall.owner, wall.frame.t, wall.frame.t);
        add(*shotAtVessel.d, shotAtVessel.owner, {-4.0f, 0.0f, 1.2f}, {0.25f, 0.0f, 1.2f});
        add(*bulletTarget.d, bulletTarget.owner, bulletTarget.frame.t, bulletTarget.frame.t);
        add(*bullet.d, bullet.owner, {-4.0f, 20.0f, 5.0f}, {4.0f, 20.0f, 5.0f});
        add(*torpedoTarget.d, torpedoTarget.owner, torpedoTarget.frame.t, torpedoTarget.frame.t);
        add(*torpedo.d, torpedo.owner, {-4.0f, 40.0f, 5.0f}, {4.0f, 40.0f, 5.0f});
        add(*bulletDown.d, bulletDown.owner, {0.0f, 60.0f, -2.0f}, {0.0f, 64.0f, 2.0f});
        add(*torpedoDown.d, torpedoDown.owner, {0.0f, 80.0f, -2.0f}, {0.0f, 84.0f, 2.0f});
        for (COD_Physical* d :
             {(COD_Physical*)vessel.d.get(), (COD_Physical*)bullet.d.get(), (COD_Physical*)torpedo.d.get(),
              (COD_Physical*)bulletDown.d.get(), (COD_Physical*)torpedoDown.d.get()}) {
            d->SetCollisionSwitch(0, c.objects);
            d->SetCollisionSwitch(1, c.ground);
        }
        world.system.Process(world.clock);

        const s32 objects = c.objects != 0 ? 1 : 0;
        const s32 ground = c.ground != 0 ? 1 : 0;
        // Body against body, and a shot on the switched body.
        EXPECT_EQ(objects, vessel.d->m_contacts.count) << what;
        EXPECT_EQ(objects, wall.d->m_contacts.count) << what;
        EXPECT_EQ(objects, vessel.d->m_shotHits.count) << what;
        EXPECT_EQ(objects ? (COD_Physical*)vessel.d.get() : nullptr, shotAtVessel.d->m_nearest.description) << what;
        // The switched shots against bodies.
        EXPECT_EQ(objects, bulletTarget.d->m_shotHits.count) << what;
        EXPECT_EQ(objects, bullet.d->m_contactFlag) << what;
        EXPECT_EQ(objects, torpedoTarget.d->m_shotHits.count) << what;
        EXPECT_EQ(objects, torpedo.d->m_bodyHit) << what;
        // The ground.
        EXPECT_EQ(ground, vessel.d->m_terrainContact) << what;
        EXPECT_EQ(ground, vessel.d->m_collisionDisplacement.z > 0.0f ? 1 : 0) << what;
        EXPECT_EQ(ground, bulletDown.d->m_terrainHit) << what;
        EXPECT_EQ(ground, torpedoDown.d->m_terrainHit) << what;
        if (ground)
            ExpectVector({0.0f, 62.0f, 0.0f}, bulletDown.d->m_hitPoint, what.c_str());
    }
}

// --- copies and keys ------------------------------------------------------------------------------

TEST_F(PhysicalContact, ClonesShareTheTreeAndStartWithFreshLists)
{
    Body<COD_Physical_Vessel> prototype;
    ParseVessel(prototype, COD_KIND_GROUND_BODY, Keys("plate1", 0.25f, 7.0f, 3), 12.0f);
    NOD_Node someone;
    prototype.d->m_ignore.Set(&someone);
    prototype.d->m_contacts.Append(&someone);
    COD_Physical_Vessel clone;
    clone.Clone(*prototype.d);
    EXPECT_EQ(prototype.d->m_tree, clone.m_tree);
    EXPECT_EQ(2, m_cache.GetEntry(0).referenceCount);
    EXPECT_EQ(COD_KIND_GROUND_BODY, clone.m_kind);
    EXPECT_EQ(0.25f, clone.m_restitution);
    EXPECT_EQ(7.0f, clone.m_mass);
    EXPECT_EQ(12.0f, clone.m_margin);
    EXPECT_EQ(3, clone.m_contacts.capacity);
    EXPECT_EQ(0, clone.m_contacts.count);
    EXPECT_NE(prototype.d->m_contacts.bodies, clone.m_contacts.bodies);
    EXPECT_EQ(nullptr, clone.m_ignore.Get());
    EXPECT_EQ(COD_PHYSICAL_UNLISTED, clone.m_listPosition);

    Body<COD_PhysicalTorpedo> torpedo;
    ParseTorpedo(torpedo, "plate15");
    COD_PhysicalTorpedo torpedoClone;
    torpedoClone.Clone(*torpedo.d);
    EXPECT_EQ(torpedo.d->m_tree, torpedoClone.m_tree);
    EXPECT_EQ(COD_TORPEDO_SHOT_HITS, torpedoClone.m_shotHits.capacity);
    prototype.d.reset();
    EXPECT_EQ(1, m_cache.GetEntry(0).referenceCount);
}

TEST_F(PhysicalContact, EveryCollisionKeyIsMandatory)
{
    struct Case
    {
        TOOL_CollisionReader reader;
        bool TOOL_CollisionSection::*key;
    };
    const Case cases[] = {
        {TOOL_COLLISION_VESSEL, &TOOL_CollisionSection::writeActive},
        {TOOL_COLLISION_VESSEL, &TOOL_CollisionSection::writeRestitution},
        {TOOL_COLLISION_VESSEL, &TOOL_CollisionSection::writeMass},
        {TOOL_COLLISION_VESSEL, &TOOL_CollisionSection::writeMaxNumOfCollisions},
        {TOOL_COLLISION_VESSEL, &TOOL_CollisionSection::writeMaxNumOfShotHits},
        {TOOL_COLLISION_VESSEL, &TOOL_CollisionSection::writeCollisionDescription},
        {TOOL_COLLISION_GENERIC, &TOOL_CollisionSection::writeMaxNumOfShotHits},
        {TOOL_COLLISION_GENERIC, &TOOL_CollisionSection::writeCollisionDescription},
        {TOOL_COLLISION_BULLET, &TOOL_CollisionSection::writeActive},
        {TOOL_COLLISION_TORPEDO, &TOOL_CollisionSection::writeCollisionDescription},
    };
    for (const Case& c : cases) {
        TOOL_CollisionSection keys = Keys("plate1");
        keys.*c.key = false;
        const std::string text = TOOL_CollisionSectionText(keys, c.reader);
        bool fatal = false;
        try {
            WithSection(text, [&](DES_Section* _section) {
                switch (c.reader) {
                case TOOL_COLLISION_VESSEL:
                    COD_Physical_Vessel().Parse(_section, 0.0f);
                    break;
                case TOOL_COLLISION_GENERIC:
                    COD_Physical_Generic().Parse(_section);
                    break;
                case TOOL_COLLISION_BULLET:
                    COD_Physical_Bullet().Parse(_section);
                    break;
                case TOOL_COLLISION_TORPEDO:
                    COD_PhysicalTorpedo().Parse(_section);
                    break;
                }
            });
        } catch (const OS_FatalError& error) {
            fatal = true;
            EXPECT_STREQ("DesFile Error", error.Caption()) << text;
        }
        EXPECT_TRUE(fatal) << text;
    }
    // Nothing of a failed read stays in the cache.
    EXPECT_EQ(0, m_cache.GetEntryCount());
}
