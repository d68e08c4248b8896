// Obstacles and avoiders: the "Avoidance" keys, which obstacles an avoider notes, and the
// prediction against real collision trees, the real swept tests and a real terrain.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "cod_activeavoid.h"
#include "cod_owner.h"
#include "cod_passiveavoid.h"
#include "coh_avoid.h"
#include "cos_collisionsystem.h"
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "des_file.h"
#include "mat_matrix.h"
#include "mat_swept.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_node.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_obbs.h"
#include "tools_sections.h"

namespace
{
MAT_Matrix34 At(const MAT_Vector3& _position)
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = _position;
    return frame;
}

// A point of the test course, which runs along +y but slightly askew to the grid and box
// axes: a direction exactly along a box axis makes the slab test treat that slab as passed
// whatever the offset, and a course exactly along a sample line can slip through the corner
// where the terrain walk's line families cross.
MAT_Vector3 OnPath(f32 _y, f32 _z) { return {0.3f + 0.01f * _y, _y, _z}; }

// The twelve triangles of a box of half extents h centred on the origin.
TOOL_ObbsTree BoxTree(f32 _hx, f32 _hy, f32 _hz)
{
    std::vector<std::array<f32, 3>> vertices;
    for (s32 i = 0; i < 8; ++i)
        vertices.push_back({(i & 1) ? _hx : -_hx, (i & 2) ? _hy : -_hy, (i & 4) ? _hz : -_hz});
    const std::vector<std::array<s32, 3>> triangles = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6},
                                                       {0, 1, 5}, {0, 5, 4}, {2, 6, 7}, {2, 7, 3},
                                                       {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
    return TOOL_ObbsBuild(vertices, triangles, 12);
}

class AvoidanceTest : public testing::Test
{
protected:
    AvoidanceTest()
    {
        m_cache.SetPath("vfx\\col\\");
        COS_OBBS_Tree_Cache::SetCurrent(&m_cache);
    }
    ~AvoidanceTest() override { COS_OBBS_Tree_Cache::SetCurrent(nullptr); }

    COS_OBBS_Tree* Tree(const std::string& _name, f32 _hx, f32 _hy, f32 _hz)
    {
        m_dir.Write("vfx/col/" + _name, TOOL_ObbsText(BoxTree(_hx, _hy, _hz)));
        return COS_OBBS_Tree_Cache::GetCurrent()->AllocateTree(_name.c_str());
    }

    // The section text in a file of its own, handed to the reader.
    template <class DESCRIPTION>
    void Parse(DESCRIPTION& _description, const std::string& _text)
    {
        m_dir.Write("avoid.des", _text);
        DES_File file;
        DES_Section root;
        ASSERT_EQ(1u, file.Open(&root, "avoid.des"));
        DES_Section section;
        ASSERT_EQ(1u, root.FindSection(&section, "Avoidance"));
        try {
            _description.Parse(&section);
        } catch (const OS_FatalError&) {
            file.Close();
            throw;
        }
        file.Close();
    }

    void ParseAvoider(COD_ActiveAvoid& _avoider, const TOOL_AvoidanceSection& _section)
    {
        Parse(_avoider, TOOL_AvoidanceSectionText(_section, TOOL_AVOIDANCE_AVOIDER));
    }

    // An avoider of the given class at _position, its own tree a small hull.
    void MakeAvoider(COD_ActiveAvoid& _avoider, const char* _class, const MAT_Matrix34& _frame,
                     TOOL_AvoidanceSection _section = {})
    {
        _section.description = _class;
        ParseAvoider(_avoider, _section);
        _avoider.m_transform = &_frame;
        _avoider.m_tree = Tree("hull", 1.0f, 2.0f, 0.5f);
    }

    void MakeObstacle(COD_PassiveAvoid& _obstacle, s32 _sizeClass, const MAT_Matrix34& _frame, COS_OBBS_Tree* _tree)
    {
        _obstacle.m_sizeClass = _sizeClass;
        _obstacle.m_transform = &_frame;
        _obstacle.m_tree = _tree;
    }

    TST_TempDir m_dir;
    COS_OBBS_Tree_Cache m_cache;
};

// ---- the "Avoidance" keys ------------------------------------------------------------------

TEST_F(AvoidanceTest, ClassTableDecidesWhichObstaclesAreNoted)
{
    struct Case
    {
        const char* description;
        s32 sizeClass;
        s32 ground;
        std::vector<s32> avoided;
    };
    const Case cases[] = {
        {"SmallVessel", 0, 0, {0, 1, 2, 3, 4}},
        {"MediumVessel", 1, 0, {1, 2, 4}},
        {"LargeVessel", 2, 0, {2, 4}},
        {"Vehicle", 3, 1, {1, 2, 3, 4}},
    };
    const MAT_Matrix34 frame = At({});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        COD_ActiveAvoid avoider;
        TOOL_AvoidanceSection section;
        section.description = c.description;
        ParseAvoider(avoider, section);
        EXPECT_EQ(c.sizeClass, avoider.m_sizeClass);
        EXPECT_EQ(c.ground, avoider.m_ground);

        COD_PassiveAvoid obstacles[COD_SIZE_CLASS_COUNT];
        std::vector<s32> noted;
        for (s32 k = 0; k < COD_SIZE_CLASS_COUNT; ++k) {
            MakeObstacle(obstacles[k], k, frame, nullptr);
            const s32 before = avoider.m_notedCount;
            avoider.NoteObstacle(&obstacles[k]);
            if (avoider.m_notedCount > before)
                noted.push_back(k);
        }
        EXPECT_EQ(c.avoided, noted);
    }
}

TEST_F(AvoidanceTest, ObstacleReadsEveryClassAndRefusesOthers)
{
    const char* names[] = {"SmallVessel", "MediumVessel", "LargeVessel", "Vehicle", "Building"};
    for (s32 k = 0; k < COD_SIZE_CLASS_COUNT; ++k) {
        COD_PassiveAvoid obstacle;
        TOOL_AvoidanceSection section;
        section.description = names[k];
        Parse(obstacle, TOOL_AvoidanceSectionText(section, TOOL_AVOIDANCE_OBSTACLE));
        EXPECT_EQ(k, obstacle.m_sizeClass) << names[k];
    }

    COD_PassiveAvoid obstacle;
    TOOL_AvoidanceSection section;
    section.description = "smallvessel";
    EXPECT_FATAL(Parse(obstacle, TOOL_AvoidanceSectionText(section, TOOL_AVOIDANCE_OBSTACLE)),
                 "COD_PassiveAvoid::Parse", "Illegal boject type in avoidance description");

    // A building is an obstacle only, never an avoider.
    for (const char* description : {"Building", "Submarine"}) {
        COD_ActiveAvoid avoider;
        section.description = description;
        EXPECT_FATAL(ParseAvoider(avoider, section), "COD_ActiveAvoid::Parse", "Illegal Description Type");
    }
}

TEST_F(AvoidanceTest, ParseClampsDistancesRatioAndClimbAngle)
{
    struct Case
    {
        f32 lookAhead, radius, ratio, angle;
        f32 expectedLookAhead, expectedRadius, expectedRatio, expectedLimit;
    };
    const Case cases[] = {
        {5000.0f, 2.5f, -2.0f, 120.0f, 1000.0f, 2.5f, -0.95f, 0.0f},
        {-5.0f, -3.0f, 2.0f, -10.0f, 0.0f, 0.0f, 0.95f, 1.0f},
        {250.0f, 0.0f, 0.5f, 60.0f, 250.0f, 0.0f, 0.5f, 0.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.lookAhead);
        COD_ActiveAvoid avoider;
        TOOL_AvoidanceSection section;
        section.lookAheadDistance = c.lookAhead;
        section.avoidanceRadius = c.radius;
        section.avoidanceRatio = c.ratio;
        section.maxClimbeAngle = c.angle;
        ParseAvoider(avoider, section);
        EXPECT_EQ(c.expectedLookAhead, avoider.m_lookAheadDistance);
        EXPECT_EQ(c.expectedRadius, avoider.m_avoidanceRadius);
        EXPECT_EQ(c.expectedRatio, avoider.m_avoidanceRatio);
        EXPECT_NEAR(c.expectedLimit, avoider.m_climbLimit, 1e-6f);

        MAT_AABox box;
        avoider.GetBox(box);
        EXPECT_EQ(MAT_Vector3(-c.expectedLookAhead, -c.expectedLookAhead, -c.expectedLookAhead), box.m_min);
        EXPECT_EQ(MAT_Vector3(c.expectedLookAhead, c.expectedLookAhead, c.expectedLookAhead), box.m_max);
    }
}

TEST_F(AvoidanceTest, SwitchesSetTheirOwnBitAndMissingKeysStopInTheReader)
{
    struct Case
    {
        s32 objects, terrain;
        u32 flags;
    };
    for (const Case& c : {Case{0, 0, 0u}, Case{7, 0, COD_AVOID_OBJECTS}, Case{0, -1, COD_AVOID_TERRAIN},
                          Case{1, 1, COD_AVOID_OBJECTS | COD_AVOID_TERRAIN}}) {
        COD_ActiveAvoid avoider;
        TOOL_AvoidanceSection section;
        section.objectAvoidanceActive = c.objects;
        section.terrainAvoidanceActive = c.terrain;
        ParseAvoider(avoider, section);
        EXPECT_EQ(c.flags, avoider.m_avoidanceFlags) << c.objects << " " << c.terrain;
    }

    COD_ActiveAvoid avoider;
    TOOL_AvoidanceSection section;
    section.writeMaxClimbeAngle = false;
    EXPECT_FATAL(ParseAvoider(avoider, section), "DesFile Error",
                 "data \"MaxClimbeAngle\" not found in file \"avoid.des\"");
    section = {};
    section.writeNumOfMaximalAvoidanceObjects = false;
    EXPECT_FATAL(ParseAvoider(avoider, section), "DesFile Error",
                 "data \"NumOfMaximalAvoidanceObjects\" not found in file \"avoid.des\"");
    EXPECT_FATAL(Parse(avoider, "[Avoidance]\n{\n    Description = \"Vehicle\"\n    NumOfMaximalAvoidanceObjects = "
                                "2.0\n}\n"),
                 "DesFile Error", "data \"NumOfMaximalAvoidanceObjects\" in file \"avoid.des\" has wrong type");
}

// ---- noting obstacles ----------------------------------------------------------------------

TEST_F(AvoidanceTest, ListKeepsTheFirstObstaclesAndANegativeCapacityIsNone)
{
    const MAT_Matrix34 frames[3] = {At({1, 0, 0}), At({2, 0, 0}), At({3, 0, 0})};
    COD_PassiveAvoid obstacles[3];
    for (s32 i = 0; i < 3; ++i)
        MakeObstacle(obstacles[i], COD_SIZE_BUILDING, frames[i], nullptr);

    COD_ActiveAvoid avoider;
    TOOL_AvoidanceSection section;
    section.numOfMaximalAvoidanceObjects = 2;
    ParseAvoider(avoider, section);
    for (COD_PassiveAvoid& obstacle : obstacles)
        avoider.NoteObstacle(&obstacle);
    ASSERT_EQ(2, avoider.m_notedCount);
    EXPECT_EQ(&frames[0], avoider.m_obstacleTransforms[0]);
    EXPECT_EQ(&frames[1], avoider.m_obstacleTransforms[1]);

    // Read again with a negative count: no list, and nothing is ever noted.
    for (s32 capacity : {-3, 0}) {
        section.numOfMaximalAvoidanceObjects = capacity;
        ParseAvoider(avoider, section);
        EXPECT_EQ(0, avoider.m_maxObstacles);
        EXPECT_EQ(nullptr, avoider.m_obstacleTransforms);
        EXPECT_EQ(nullptr, avoider.m_obstacleTrees);
        for (COD_PassiveAvoid& obstacle : obstacles)
            avoider.NoteObstacle(&obstacle);
        EXPECT_EQ(0, avoider.m_notedCount);
        EXPECT_EQ(0, avoider.Predict(nullptr));
    }
}

// The owners' body test of the body core: a node and the bodies below it.
bool IsBelowOrSame(const NOD_Node* _body, const NOD_Node* _node)
{
    for (const NOD_Node* n = _body; n != nullptr; n = n->GetFather())
        if (n == _node)
            return true;
    return false;
}

TEST_F(AvoidanceTest, IgnoredNodeAndItsDescendantsAreNotNoted)
{
    NOD_Node* ignored = new NOD_Node();
    NOD_Node* son = new NOD_Node();
    NOD_Node* stranger = new NOD_Node();
    ignored->AddSon(son);
    COD_SetHasBodyAncestorTest(IsBelowOrSame);

    const MAT_Matrix34 frame = At({});
    COD_PassiveAvoid ofIgnored, ofSon, ofStranger;
    MakeObstacle(ofIgnored, COD_SIZE_BUILDING, frame, nullptr);
    MakeObstacle(ofSon, COD_SIZE_BUILDING, frame, nullptr);
    MakeObstacle(ofStranger, COD_SIZE_BUILDING, frame, nullptr);
    ofIgnored.m_owner = ignored;
    ofSon.m_owner = son;
    ofStranger.m_owner = stranger;

    COD_ActiveAvoid avoider;
    ParseAvoider(avoider, {});
    avoider.m_ignore.Set(ignored);
    avoider.NoteObstacle(&ofIgnored);
    avoider.NoteObstacle(&ofSon);
    EXPECT_EQ(0, avoider.m_notedCount);
    avoider.NoteObstacle(&ofStranger);
    EXPECT_EQ(1, avoider.m_notedCount);

    // Once the ignored node is gone the reference reads null and everything counts again.
    delete ignored;
    avoider.NoteObstacle(&ofStranger);
    EXPECT_EQ(2, avoider.m_notedCount);
    COD_SetHasBodyAncestorTest(nullptr);
    delete stranger;
}

TEST_F(AvoidanceTest, ObstacleBesideAnAvoiderIsAvoidedAsItsClass)
{
    COD_ActiveAvoid large;
    TOOL_AvoidanceSection section;
    section.description = "LargeVessel";
    ParseAvoider(large, section);
    large.m_entryId = 17;

    COD_PassiveAvoid beside;
    beside.Assign(large);
    EXPECT_EQ(COD_SIZE_LARGE_VESSEL, beside.m_sizeClass);
    EXPECT_EQ(17, beside.m_entryId);

    // A medium vessel gives way to a large one.
    const MAT_Matrix34 frame = At({});
    beside.m_transform = &frame;
    COD_ActiveAvoid medium;
    section.description = "MediumVessel";
    ParseAvoider(medium, section);
    medium.NoteObstacle(&beside);
    EXPECT_EQ(1, medium.m_notedCount);
}

TEST_F(AvoidanceTest, PartsOfTheOwnBodyNeverReachTheAvoider)
{
    COS_CollisionSystem system(2, 512, 4096);
    MRT_TerrainCell cell;
    COH_PassiveAvoid passive(&system);
    COH_ActiveAvoid active(&system, 512, &cell);
    system.RegisterHandler(&passive, 4, 0);
    system.RegisterHandler(&active, 5, 16);

    const MAT_Matrix34 frame = At({});
    COD_ActiveAvoid avoider;
    MakeAvoider(avoider, "SmallVessel", frame);
    COD_PassiveAvoid own, other;
    COS_OBBS_Tree* tree = Tree("part", 1.0f, 1.0f, 1.0f);
    MakeObstacle(own, COD_SIZE_SMALL_VESSEL, frame, tree);
    MakeObstacle(other, COD_SIZE_SMALL_VESSEL, frame, tree);

    int body = 0, stranger = 0;
    const f32 box[6] = {-1, -1, -1, 1, 1, 1};
    active.Insert(&avoider, box, &body);
    passive.Insert(&own, box, &body);
    passive.Insert(&other, box, &stranger);

    // Predict runs inside the pass and empties the list, so watch what gets noted.
    struct Watcher : COD_ActiveAvoid
    {
        std::vector<COD_PassiveAvoid*> noted;
        void NoteObstacle(COD_PassiveAvoid* _obstacle) override
        {
            noted.push_back(_obstacle);
            COD_ActiveAvoid::NoteObstacle(_obstacle);
        }
    } watcher;
    MakeAvoider(watcher, "SmallVessel", frame);
    active.Insert(&watcher, box, &body);

    SIM_Clock clock;
    clock.Set(0.0f, SIM_STEP);
    system.Process(clock);
    EXPECT_EQ(std::vector<COD_PassiveAvoid*>{&other}, watcher.noted);
    EXPECT_EQ(0, watcher.m_notedCount);
    active.Remove(&watcher);
    active.Remove(&avoider);
    passive.Remove(&own);
    passive.Remove(&other);
}

TEST_F(AvoidanceTest, CloneHasItsOwnEmptyListAndNoIgnoreReference)
{
    NOD_Node* ignored = new NOD_Node();
    const MAT_Matrix34 frame = At({4, 5, 6});
    COD_ActiveAvoid source;
    TOOL_AvoidanceSection section;
    section.description = "Vehicle";
    section.numOfMaximalAvoidanceObjects = 3;
    section.lookAheadDistance = 70.0f;
    section.avoidanceRatio = 0.25f;
    MakeAvoider(source, "Vehicle", frame, section);
    source.m_ignore.Set(ignored);
    source.m_listPosition = 4;
    source.m_goal = {1, 2, 3};
    COD_PassiveAvoid obstacle;
    MakeObstacle(obstacle, COD_SIZE_BUILDING, frame, nullptr);
    source.NoteObstacle(&obstacle);

    COD_ActiveAvoid copy;
    copy.Clone(source);
    EXPECT_EQ(source.m_transform, copy.m_transform);
    EXPECT_EQ(source.m_tree, copy.m_tree);
    EXPECT_EQ(COD_SIZE_VEHICLE, copy.m_sizeClass);
    EXPECT_EQ(1, copy.m_ground);
    EXPECT_EQ(70.0f, copy.m_lookAheadDistance);
    EXPECT_EQ(0.25f, copy.m_avoidanceRatio);
    EXPECT_EQ(source.m_climbLimit, copy.m_climbLimit);
    EXPECT_EQ(source.m_avoidanceFlags, copy.m_avoidanceFlags);
    EXPECT_EQ(MAT_Vector3(1, 2, 3), copy.m_goal);
    EXPECT_EQ(4, copy.m_avoidedClassCount);
    EXPECT_EQ(nullptr, copy.m_ignore.Get());
    EXPECT_EQ(-1, copy.m_listPosition);
    EXPECT_EQ(3, copy.m_maxObstacles);
    EXPECT_EQ(0, copy.m_notedCount);
    EXPECT_NE(source.m_obstacleTransforms, copy.m_obstacleTransforms);
    EXPECT_NE(source.m_obstacleTrees, copy.m_obstacleTrees);
    for (s32 i = 0; i < 3; ++i)
        copy.NoteObstacle(&obstacle);
    EXPECT_EQ(3, copy.m_notedCount);
    EXPECT_EQ(1, source.m_notedCount);
    delete ignored;
}

// ---- prediction against boxes --------------------------------------------------------------

// An avoider at the origin heading along +y to a goal 100 ahead, a box in the way.
class AvoidanceAheadTest : public AvoidanceTest
{
protected:
    void SetUp() override
    {
        section.lookAheadDistance = 50.0f;
        section.avoidanceRadius = 1.0f;
        section.avoidanceRatio = 0.0f;
        section.terrainAvoidanceActive = 0;
        boxTree = Tree("box", 5.0f, 5.0f, 5.0f);
    }

    // Whether a body of _radius moving from the avoider toward _goal over _length meets the box.
    bool PathMeetsBox(const MAT_Vector3& _goal, f32 _length, f32 _radius) const
    {
        MAT_Vector3 direction = _goal - self.t;
        direction = direction * (_length / direction.Length());
        MAT_Segment segment;
        segment.Set(self.t, self.t + direction);
        const COS_OBBS_TreeNode& root = boxTree->nodes[0];
        return MAT_SweptSphereBoxTest(segment, _radius, boxFrame, root.halfExtents) != 0;
    }

    TOOL_AvoidanceSection section;
    COS_OBBS_Tree* boxTree = nullptr;
    MAT_Matrix34 self = At(OnPath(0, 10));
    MAT_Matrix34 boxFrame = At(OnPath(30, 10) + MAT_Vector3(2, 0, 0));
    COD_PassiveAvoid box;
};

TEST_F(AvoidanceAheadTest, BoxAheadGivesASidewaysCorrectionThatClearsIt)
{
    for (const char* kind : {"SmallVessel", "Vehicle"}) {
        SCOPED_TRACE(kind);
        COD_ActiveAvoid avoider;
        MakeAvoider(avoider, kind, self, section);
        avoider.m_goal = OnPath(100, 10);
        MakeObstacle(box, COD_SIZE_BUILDING, boxFrame, boxTree);
        // The hull's cross-section across its longest axis (y).
        const MAT_Vector3 hull = avoider.m_tree->nodes[0].halfExtents;
        const f32 radius = std::sqrt(hull.x * hull.x + hull.z * hull.z);
        ASSERT_TRUE(PathMeetsBox(avoider.m_goal, 50.0f, radius));

        avoider.NoteObstacle(&box);
        EXPECT_EQ(1, avoider.Predict(nullptr));
        EXPECT_EQ(1, avoider.m_resultFlag);
        EXPECT_EQ(0, avoider.m_notedCount);
        const MAT_Vector3 corrected = avoider.m_correctedGoal;
        // The box stands a little to +x: the short way round is to -x, and the new course
        // passes it.
        EXPECT_LT(corrected.x, -1.0f);
        EXPECT_FALSE(PathMeetsBox(corrected, 50.0f, 0.95f * radius));
        if (avoider.m_ground) {
            EXPECT_EQ(10.0f, corrected.z);  // ground avoiders never steer up or down
        }

        // The answer stays until the next prediction, which has nothing noted.
        EXPECT_EQ(0, avoider.Predict(nullptr));
        EXPECT_EQ(avoider.m_goal, avoider.m_correctedGoal);
    }
}

TEST_F(AvoidanceAheadTest, NothingToAvoid)
{
    struct Case
    {
        const char* name;
        MAT_Vector3 boxAt;
        u32 flags;
        MAT_Vector3 goal;
    };
    const Case cases[] = {
        {"flags off", OnPath(30, 10) + MAT_Vector3(2, 0, 0), 0u, OnPath(100, 10)},
        {"beside the path", OnPath(30, 10) + MAT_Vector3(20, 0, 0), COD_AVOID_OBJECTS, OnPath(100, 10)},
        {"beyond the look-ahead", OnPath(70, 10), COD_AVOID_OBJECTS, OnPath(100, 10)},
        {"goal at the position", OnPath(0, 10), COD_AVOID_OBJECTS, OnPath(0, 10)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        COD_ActiveAvoid avoider;
        section.lookAheadDistance = 1000.0f;
        MakeAvoider(avoider, "SmallVessel", self, section);
        avoider.m_avoidanceFlags = c.flags;
        avoider.m_lookAheadDistance = c.name == std::string("beyond the look-ahead") ? 50.0f : 1000.0f;
        avoider.m_goal = c.goal;
        boxFrame = At(c.boxAt);
        MakeObstacle(box, COD_SIZE_BUILDING, boxFrame, boxTree);
        avoider.NoteObstacle(&box);
        EXPECT_EQ(0, avoider.Predict(nullptr));
        EXPECT_EQ(c.goal, avoider.m_correctedGoal);
        EXPECT_EQ(0, avoider.m_notedCount);
    }
}

TEST_F(AvoidanceAheadTest, ObstacleFarBeyondItsSizeIsNotSwept)
{
    // A box whose distance exceeds five times its size (plus the radius) is left alone even
    // when the look-ahead reaches through it; a big one at the same place is avoided.
    struct Case
    {
        f32 halfExtent;
        s32 flag;
    };
    for (const Case& c : {Case{2.0f, 0}, Case{15.0f, 1}}) {
        SCOPED_TRACE(c.halfExtent);
        COD_ActiveAvoid avoider;
        section.lookAheadDistance = 1000.0f;
        section.avoidanceRadius = 0.0f;
        MakeAvoider(avoider, "SmallVessel", self, section);
        avoider.m_goal = OnPath(200, 10);
        boxFrame = At(OnPath(120, 10) + MAT_Vector3(0.5f, 0, 0));
        MakeObstacle(box, COD_SIZE_BUILDING, boxFrame,
                     Tree("box" + std::to_string((s32)c.halfExtent), c.halfExtent, c.halfExtent, c.halfExtent));
        avoider.NoteObstacle(&box);
        EXPECT_EQ(c.flag, avoider.Predict(nullptr));
    }
}

TEST_F(AvoidanceAheadTest, ClosedGapStopsAfterItsIterationsWithTheFlagSet)
{
    // Two boxes touching across the path: every way round one leads into the other.
    COD_ActiveAvoid avoider;
    MakeAvoider(avoider, "Vehicle", self, section);
    avoider.m_goal = OnPath(100, 10);
    const MAT_Matrix34 left = At(OnPath(30, 10) + MAT_Vector3(-4, 0, 0));
    const MAT_Matrix34 right = At(OnPath(30, 10) + MAT_Vector3(4.5f, 0, 0));
    COD_PassiveAvoid a, b;
    MakeObstacle(a, COD_SIZE_BUILDING, left, boxTree);
    MakeObstacle(b, COD_SIZE_BUILDING, right, boxTree);
    avoider.NoteObstacle(&a);
    avoider.NoteObstacle(&b);
    EXPECT_EQ(1, avoider.Predict(nullptr));
    EXPECT_EQ(10.0f, avoider.m_correctedGoal.z);
}

TEST_F(AvoidanceAheadTest, GroundAvoiderAtItsGoalReportsNothing)
{
    COD_ActiveAvoid avoider;
    MakeAvoider(avoider, "Vehicle", self, section);
    avoider.m_goal = self.t;
    avoider.m_correctedGoal = {7, 7, 7};
    avoider.m_resultFlag = 1;
    // Standing inside a box, which would otherwise push it out.
    boxFrame = At(self.t);
    MakeObstacle(box, COD_SIZE_BUILDING, boxFrame, boxTree);
    avoider.NoteObstacle(&box);
    EXPECT_EQ(0, avoider.Predict(nullptr));
    EXPECT_EQ(0, avoider.m_resultFlag);
    EXPECT_EQ(MAT_Vector3(7, 7, 7), avoider.m_correctedGoal);
    EXPECT_EQ(0, avoider.m_notedCount);
}

// ---- prediction against the terrain --------------------------------------------------------

enum Ground
{
    FLAT,
    WALL,  // 40 m high, rising over y = 28 .. 32 at x = 0, slanting across the course
    RAMP,  // rising 1 m in 4 from y = 32 on
};

// 256 m square of ground from -128 to +128 in x and y, one sample every 4 m.
class AvoidanceTerrainTest : public AvoidanceTest
{
protected:
    void Build(Ground _ground)
    {
        TST_BuildTerrain(terrain, 1, 65, {-128.0f, -128.0f, 0.0f}, {4.0f, 4.0f, 1.0f}, [_ground](s32 _x, s32 _y) {
            if (_ground == WALL)
                return (u16)(_x + _y >= 72 ? 40 : 0);
            if (_ground == RAMP)
                return (u16)(_y >= 40 ? _y - 40 : 0);
            return (u16)0;
        });
        cell.terrain = &terrain;
    }

    MRT_Terrain terrain;
    MRT_TerrainCell cell;
    TOOL_AvoidanceSection section;
    MAT_Matrix34 self = At(OnPath(0, 10));
};

TEST_F(AvoidanceTerrainTest, FreeAvoiderRisesOverGroundAhead)
{
    struct Case
    {
        Ground ground;
        f32 lookAhead;
        s32 flag;
    };
    for (const Case& c : {Case{WALL, 50.0f, 1}, Case{WALL, 20.0f, 0}, Case{FLAT, 50.0f, 0}}) {
        SCOPED_TRACE(c.lookAhead);
        Build(c.ground);
        COD_ActiveAvoid avoider;
        section.objectAvoidanceActive = 0;
        section.lookAheadDistance = c.lookAhead;
        MakeAvoider(avoider, "SmallVessel", self, section);
        avoider.m_goal = OnPath(100, 10);
        EXPECT_EQ(c.flag, avoider.Predict(&cell));
        if (c.flag) {
            EXPECT_GT(avoider.m_correctedGoal.z, 10.0f);
        } else {
            EXPECT_EQ(avoider.m_goal, avoider.m_correctedGoal);
        }
    }
}

TEST_F(AvoidanceTerrainTest, GroundAvoiderTurnsAwayFromSlopesSteeperThanItsLimit)
{
    struct Case
    {
        Ground ground;
        s32 flag;
    };
    for (const Case& c : {Case{WALL, 1}, Case{RAMP, 0}, Case{FLAT, 0}}) {
        SCOPED_TRACE(c.ground);
        Build(c.ground);
        COD_ActiveAvoid avoider;
        section.objectAvoidanceActive = 0;
        section.maxClimbeAngle = 30.0f;
        const MAT_Matrix34 frame = At(OnPath(24, 0.2f));
        MakeAvoider(avoider, "Vehicle", frame, section);
        avoider.m_goal = OnPath(100, 0.2f);
        EXPECT_EQ(c.flag, avoider.Predict(&cell));
        const MAT_Vector3 corrected = avoider.m_correctedGoal;
        EXPECT_EQ(0.2f, corrected.z);
        if (c.flag) {
            // A wall is no way at all: its sideways push outweighs anything else.
            EXPECT_GT((corrected - avoider.m_goal).Length(), 1e9f);
        } else {
            EXPECT_EQ(avoider.m_goal, corrected);
        }
    }
}

TEST_F(AvoidanceTerrainTest, GroundAvoiderSteeringRoundAnObstacleIgnoresTheGround)
{
    Build(WALL);
    COS_OBBS_Tree* boxTree = Tree("box", 5.0f, 5.0f, 5.0f);
    const MAT_Matrix34 frame = At(OnPath(24, 0.2f));
    const MAT_Matrix34 boxFrame = At(OnPath(40, 0.2f) + MAT_Vector3(2, 0, 0));
    COD_PassiveAvoid box;
    MakeObstacle(box, COD_SIZE_BUILDING, boxFrame, boxTree);
    COD_ActiveAvoid avoider;
    MakeAvoider(avoider, "Vehicle", frame, section);
    avoider.m_goal = OnPath(100, 0.2f);
    avoider.NoteObstacle(&box);
    EXPECT_EQ(1, avoider.Predict(&cell));
    EXPECT_LT(avoider.m_correctedGoal.x, 0.0f);
    EXPECT_GT(avoider.m_correctedGoal.x, -1e6f);
}

TEST_F(AvoidanceTerrainTest, ObstacleAndGroundPullingApartAreAvoidedSidewaysAndOver)
{
    // A box hanging just into the path from above: the short way round it is below, into the
    // wall, which pushes up.
    Build(WALL);
    COS_OBBS_Tree* boxTree = Tree("box", 3.0f, 3.0f, 3.0f);
    const MAT_Matrix34 boxFrame = At(OnPath(15, 12.5f));
    COD_PassiveAvoid box;
    MakeObstacle(box, COD_SIZE_BUILDING, boxFrame, boxTree);
    section.lookAheadDistance = 50.0f;
    section.avoidanceRatio = 0.5f;

    auto predict = [&](u32 _flags, f32 _ratio, MAT_Vector3& _corrected) {
        COD_ActiveAvoid avoider;
        MakeAvoider(avoider, "SmallVessel", self, section);
        avoider.m_avoidanceFlags = _flags;
        avoider.m_avoidanceRatio = _ratio;
        avoider.m_goal = OnPath(100, 10);
        avoider.NoteObstacle(&box);
        const s32 flag = avoider.Predict(&cell);
        _corrected = avoider.m_correctedGoal;
        return flag;
    };
    MAT_Vector3 under, flat, both;
    ASSERT_EQ(1, predict(COD_AVOID_OBJECTS, 0.5f, under));
    ASSERT_LT(under.z, 10.0f);
    ASSERT_EQ(1, predict(COD_AVOID_OBJECTS, -1.0f, flat));
    ASSERT_EQ(10.0f, flat.z);
    ASSERT_NE(0.0f, flat.x);

    // Both: the obstacles' way round is taken flat, the ground's straight up.
    EXPECT_EQ(1, predict(COD_AVOID_OBJECTS | COD_AVOID_TERRAIN, 0.5f, both));
    EXPECT_EQ(flat.x, both.x);
    EXPECT_EQ(flat.y, both.y);
    EXPECT_GT(both.z, 10.0f);
}

TEST_F(AvoidanceTerrainTest, NoTerrainLoadedMeansNoGround)
{
    for (const char* kind : {"SmallVessel", "Vehicle"}) {
        SCOPED_TRACE(kind);
        COD_ActiveAvoid avoider;
        section.objectAvoidanceActive = 0;
        const MAT_Matrix34 frame = At(OnPath(24, 0.2f));
        MakeAvoider(avoider, kind, frame, section);
        avoider.m_goal = OnPath(100, -50);
        MRT_TerrainCell empty;
        EXPECT_EQ(0, avoider.Predict(&empty));
        EXPECT_EQ(avoider.m_goal, avoider.m_correctedGoal);
        EXPECT_EQ(0, avoider.Predict(nullptr));
        EXPECT_EQ(avoider.m_goal, avoider.m_correctedGoal);
    }
}

}  // namespace
