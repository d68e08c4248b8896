// Emitters, sensors and viewers: the "Emitter" section, the sensing pass (noting, terrain and
// blocker occlusion), direct queries, the sector and cone tests and the viewer's list, with
// real collision trees and a small real terrain.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "cod_emitter.h"
#include "cod_sensor.h"
#include "cod_viewer.h"
#include "coh_sense.h"
#include "cos_collisionsystem.h"
#include "cos_obbs_tree.h"
#include "cos_obbs_treecache.h"
#include "des_file.h"
#include "mat_matrix.h"
#include "mrt_terrain.h"
#include "mrt_terrain_fixture.h"
#include "nod_node.h"
#include "pcs_visibleobject.h"
#include "sim_clock.h"
#include "test_dir.h"
#include "tools_obbs.h"
#include "tools_sections.h"

namespace
{
const u32 ALL_SENSES = COD_SENSOR_ACTIVE | COD_SENSOR_SEEING | COD_SENSOR_HEARING | COD_SENSOR_PRESENCE;
const u32 EVERYTHING = COD_EMITTER_VISIBLE | COD_EMITTER_PRESENCE;

MAT_Matrix34 FrameAt(const MAT_Vector3& _position)
{
    MAT_Matrix34 frame;
    frame.r.SetDiagonal(1.0f);
    frame.t = _position;
    return frame;
}

void Place(COD_Emitter& _emitter, const char* _name, const MAT_Vector3& _position, u32 _flags,
           s32 _level = COD_SOUND_LOUD)
{
    _emitter.m_name = _name;
    _emitter.m_position[0] = _position.x;
    _emitter.m_position[1] = _position.y;
    _emitter.m_position[2] = _position.z;
    _emitter.m_flags = _flags;
    _emitter.m_soundLevel = _level;
}

struct Senses
{
    s32 seen = -1;
    s32 heard = -1;
    s32 present = -1;
};

Senses Sense(COD_Sensor& _sensor, COD_Emitter& _emitter)
{
    Senses out;
    _sensor.Sense(&_emitter, out.seen, out.heard, out.present);
    return out;
}

// A cube of half size _half about the origin whose faces are wound both ways, so that a line
// into it from any side crosses a face from its front.
TOOL_ObbsTree Cube(f32 _half)
{
    std::vector<std::array<f32, 3>> vertices;
    for (s32 i = 0; i < 8; ++i)
        vertices.push_back({(i & 1) ? _half : -_half, (i & 2) ? _half : -_half, (i & 4) ? _half : -_half});
    const s32 faces[6][4] = {{0, 1, 3, 2}, {4, 5, 7, 6}, {0, 1, 5, 4}, {2, 3, 7, 6}, {0, 2, 6, 4}, {1, 3, 7, 5}};
    std::vector<std::array<s32, 3>> triangles;
    for (const auto& f : faces) {
        triangles.push_back({f[0], f[1], f[2]});
        triangles.push_back({f[0], f[2], f[3]});
        triangles.push_back({f[0], f[2], f[1]});
        triangles.push_back({f[0], f[3], f[2]});
    }
    return TOOL_ObbsBuild(vertices, triangles, 4);
}

// A ridge along x at y = 80, 100 high, on flat ground 0 high; the grid covers 0..160 both ways.
void BuildRidge(MRT_Terrain& _terrain)
{
    TST_BuildTerrain(_terrain, 1, 17, {0.0f, 0.0f, 0.0f}, {10.0f, 10.0f, 1.0f},
                     [](s32, s32 _y) { return (u16)(_y == 8 ? 100 : 0); });
}

class CodSensesTest : public testing::Test
{
protected:
    CodSensesTest()
    {
        m_cache.SetPath("vfx\\col\\");
        m_sensor.m_transform = &m_frame;
        m_sensor.SetCapacities(8, 8, 8, 8);
        m_sensor.m_flags = ALL_SENSES;
        m_sensor.m_seeingRange = 1000.0f;
        m_sensor.m_hearingRange = 1000.0f;
        m_sensor.m_presenceRange = 1000.0f;
    }
    ~CodSensesTest() override
    {
        for (COS_OBBS_Tree* tree : m_trees)
            m_cache.ReleaseTree(tree);
    }

    // Makes _emitter a view blocker: a cube of half size 5 about its position.
    void MakeBlocker(COD_Emitter& _emitter, MAT_Matrix34& _frame)
    {
        if (m_trees.empty()) {
            m_dir.Write("vfx/col/cube", TOOL_ObbsText(Cube(5.0f)));
        }
        m_trees.push_back(m_cache.AllocateTree("cube"));
        _frame = FrameAt({_emitter.m_position[0], _emitter.m_position[1], _emitter.m_position[2]});
        _emitter.m_tree = m_trees.back();
        _emitter.m_transform = &_frame;
        _emitter.m_flags |= COD_EMITTER_VISIBILITY_BLOCKING;
    }

    std::vector<COD_Emitter*> Seen() const
    {
        std::vector<COD_Emitter*> out;
        for (s32 i = 0; i < m_sensor.m_seenCount; ++i)
            out.push_back(m_sensor.GetSeen(i));
        return out;
    }

    TST_TempDir m_dir;
    COS_OBBS_Tree_Cache m_cache;
    std::vector<COS_OBBS_Tree*> m_trees;
    MAT_Matrix34 m_frame = FrameAt({0.0f, 0.0f, 0.0f});
    COD_Sensor m_sensor;
};

// --- the "Emitter" section --------------------------------------------------------------------

class CodEmitterParseTest : public testing::Test
{
protected:
    // Parses the section into an emitter whose flags were all set before.
    void Parse(const TOOL_EmitterSection& _section, COD_Emitter& _emitter)
    {
        m_dir.Write("emitter.des", TOOL_EmitterSectionText(_section));
        DES_File file;
        DES_Section root;
        ASSERT_EQ(1u, file.Open(&root, "emitter.des"));
        DES_Section section;
        ASSERT_EQ(1u, root.FindSection(&section, "Emitter"));
        _emitter.m_flags = COD_EMITTER_VISIBLE | COD_EMITTER_VISIBILITY_BLOCKING | COD_EMITTER_PRESENCE;
        _emitter.Parse(&section);
    }

    TST_TempDir m_dir;
};

TEST_F(CodEmitterParseTest, OnlyExactlyOneSetsAFlagAndLevelsAreNamed)
{
    struct Case
    {
        s32 presence, visible, blocking;
        const char* level;
        u32 flags;
        s32 levelValue;
    } cases[] = {
        {2, 1, 1, "loud", COD_EMITTER_VISIBLE | COD_EMITTER_VISIBILITY_BLOCKING, 3},
        {1, 0, -1, "none", COD_EMITTER_PRESENCE, 0},
        {1, 1, 1, "silent", COD_EMITTER_PRESENCE | COD_EMITTER_VISIBLE | COD_EMITTER_VISIBILITY_BLOCKING, 1},
        {0, 257, 1, "medium", COD_EMITTER_VISIBILITY_BLOCKING, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        TOOL_EmitterSection section;
        section.presence = c.presence;
        section.visible = c.visible;
        section.visibilityBlocking = c.blocking;
        section.soundEmissionLevel = c.level;
        COD_Emitter emitter;
        Parse(section, emitter);
        EXPECT_EQ(c.flags, emitter.m_flags);
        EXPECT_EQ(c.levelValue, emitter.m_soundLevel);
    }
}

TEST_F(CodEmitterParseTest, UnknownLevelsAndBrokenKeysAreFatal)
{
    for (const char* level : {"Loud", "quiet", "", "loudest"}) {
        SCOPED_TRACE(level);
        TOOL_EmitterSection section;
        section.soundEmissionLevel = level;
        COD_Emitter emitter;
        EXPECT_FATAL(Parse(section, emitter), "COD_Emitter::Parse", "Unknown sound emission type");
    }

    TOOL_EmitterSection missing;
    missing.writeVisibilityBlocking = false;
    TOOL_EmitterSection mistyped;
    mistyped.soundEmissionLevel = "3";
    mistyped.levelQuoted = false;
    for (const TOOL_EmitterSection& section : {missing, mistyped}) {
        COD_Emitter emitter;
        try {
            Parse(section, emitter);
            ADD_FAILURE() << "expected a fatal error";
        } catch (const OS_FatalError& error) {
            EXPECT_STREQ("DesFile Error", error.Caption());
        }
    }
}

TEST(CodEmitterTest, StartsSilentAndTakesItsOwnersName)
{
    COD_Emitter emitter;
    EXPECT_EQ(0u, emitter.m_flags);
    EXPECT_EQ(COD_SOUND_NONE, emitter.m_soundLevel);
    EXPECT_EQ(-1, emitter.m_entryId);

    auto owner = std::make_unique<NOD_Node>();
    owner->SetName("Frigate");
    const MAT_Matrix34 frame = FrameAt({1.0f, 2.0f, 3.0f});
    emitter.SetOwner(owner.get(), nullptr, &frame);
    EXPECT_TRUE(emitter.m_name == "Frigate");
    EXPECT_EQ(owner.get(), emitter.m_owner.Get());
    EXPECT_EQ(&frame, emitter.m_transform);
    owner.reset();
    EXPECT_EQ(nullptr, emitter.m_owner.Get());
    EXPECT_TRUE(emitter.m_name == "Frigate");
}

// --- the sensing pass and direct queries ------------------------------------------------------

// The real pass with the two sense handlers: the sensor registers its range box at its
// position, emitters a box of 2 about theirs.
class CodSensingPassTest : public CodSensesTest
{
protected:
    CodSensingPassTest() : m_system(2, 512, 4096), m_emitters(&m_system), m_sensors(&m_system, 8)
    {
        m_system.RegisterHandler(&m_emitters, COS_TYPE_EMITTER, 0);
        m_system.RegisterHandler(&m_sensors, COS_TYPE_SENSOR, 1u << COS_TYPE_EMITTER);
        m_clock.Set(1.0f, SIM_STEP);
    }

    void Register(COD_Emitter& _emitter)
    {
        const f32* p = _emitter.m_position;
        const f32 box[6] = {p[0] - 1.0f, p[1] - 1.0f, p[2] - 1.0f, p[0] + 1.0f, p[1] + 1.0f, p[2] + 1.0f};
        m_emitters.Insert(&_emitter, box, &_emitter);
    }
    void RegisterSensor()
    {
        f32 box[6];
        m_sensor.GetRangeBox(box);
        for (s32 i = 0; i < 6; ++i)
            box[i] += i % 3 == 0 ? m_frame.t.x : (i % 3 == 1 ? m_frame.t.y : m_frame.t.z);
        m_sensors.Insert(&m_sensor, box, &m_sensor);
    }

    COS_CollisionSystem m_system;
    COH_Emitter m_emitters;
    COH_Sensor m_sensors;
    SIM_Clock m_clock;
};

TEST_F(CodSensingPassTest, AnEmitterOnTheRangeIsNotedButNotSensedDirectly)
{
    m_sensor.m_seeingRange = 100.0f;
    m_sensor.m_hearingRange = 100.0f;
    m_sensor.m_presenceRange = 100.0f;
    COD_Emitter edge, inside;
    Place(edge, "edge", {0.0f, 100.0f, 0.0f}, EVERYTHING);
    Place(inside, "inside", {-99.99f, 0.0f, 0.0f}, EVERYTHING);
    Register(edge);
    Register(inside);
    RegisterSensor();
    m_system.Process(m_clock);

    EXPECT_EQ(2, m_sensor.m_seenCount);
    EXPECT_EQ(2, m_sensor.m_heardCount);
    EXPECT_EQ(2, m_sensor.m_presentCount);
    EXPECT_NE(0u, m_sensor.m_flags & COD_SENSOR_VISIBILITY_TESTED);
    const Senses atEdge = Sense(m_sensor, edge);
    EXPECT_EQ(0, atEdge.seen);
    EXPECT_EQ(0, atEdge.heard);
    EXPECT_EQ(0, atEdge.present);
    const Senses within = Sense(m_sensor, inside);
    EXPECT_EQ(1, within.seen);
    EXPECT_EQ(1, within.heard);
    EXPECT_EQ(1, within.present);
}

TEST_F(CodSensingPassTest, AnEmitterBehindAHillDropsOutOnTheSamePass)
{
    MRT_Terrain terrain;
    BuildRidge(terrain);
    MRT_TerrainCell cell{&terrain};
    m_sensor.m_terrainCell = &cell;
    m_sensor.m_flags |= COD_SENSOR_OCCLUSION;
    m_frame = FrameAt({80.0f, 20.0f, 10.0f});
    COD_Emitter behind, before;
    Place(behind, "behind", {80.0f, 140.0f, 10.0f}, EVERYTHING);
    Place(before, "before", {80.0f, 50.0f, 10.0f}, EVERYTHING);
    Register(behind);
    Register(before);
    RegisterSensor();
    m_system.Process(m_clock);

    EXPECT_EQ(std::vector<COD_Emitter*>{&before}, Seen());
    EXPECT_EQ(2, m_sensor.m_heardCount);  // the ground hides only from sight
    EXPECT_EQ(0, Sense(m_sensor, behind).seen);
    EXPECT_EQ(1, Sense(m_sensor, behind).heard);
    EXPECT_EQ(1, Sense(m_sensor, before).seen);
}

TEST_F(CodSensesTest, TheConeIsStrictOnlyForDirectQueries)
{
    // An emitter straight ahead with a cone cosine of 1: its cosine equals the limit. The
    // sector test compares inclusively for both.
    m_sensor.m_coneCosine = 1.0f;
    m_sensor.m_minElevation = -1.0f;
    m_sensor.m_maxElevation = 1.0f;
    COD_Emitter ahead;
    Place(ahead, "ahead", {0.0f, 50.0f, 0.0f}, EVERYTHING);
    for (u32 sector : {0u, COD_SENSOR_SECTOR}) {
        SCOPED_TRACE(sector);
        m_sensor.m_flags = ALL_SENSES | sector;
        m_sensor.ClearResults();
        m_sensor.NoteEmitter(&ahead);
        EXPECT_EQ(1, m_sensor.m_seenCount);
        EXPECT_EQ(sector != 0 ? 1 : 0, Sense(m_sensor, ahead).seen);
    }
}

TEST_F(CodSensesTest, TheNameFilterWantsAFilterNameFollowedByMore)
{
    const SIM_Name filter[] = {SIM_Name("Ship"), SIM_Name("Tank")};
    m_sensor.SetNameFilter(filter, 2);
    struct Case
    {
        const char* name;
        u32 filterOn;
        s32 sensed;
    } cases[] = {
        {"Ship1", 1, 1}, {"Tank22", 1, 1}, {"Ship", 1, 0},  {"Shi", 1, 0},
        {"ship1", 1, 0}, {"Boat1", 1, 0},  {"Boat1", 0, 1}, {"Ship", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.name) + (c.filterOn ? " filtered" : " unfiltered"));
        m_sensor.m_flags = ALL_SENSES | (c.filterOn ? COD_SENSOR_NAME_FILTER : 0u);
        m_sensor.ClearResults();
        COD_Emitter emitter;
        Place(emitter, c.name, {0.0f, 10.0f, 0.0f}, EVERYTHING);
        m_sensor.NoteEmitter(&emitter);
        EXPECT_EQ(c.sensed, m_sensor.m_seenCount);
        EXPECT_EQ(c.sensed, m_sensor.m_heardCount);
        EXPECT_EQ(c.sensed, m_sensor.m_presentCount);
        const Senses direct = Sense(m_sensor, emitter);
        EXPECT_EQ(c.sensed, direct.seen);
        EXPECT_EQ(c.sensed, direct.heard);
        EXPECT_EQ(c.sensed, direct.present);
    }
    // A filter without names lets nothing through.
    m_sensor.SetNameFilter(nullptr, 0);
    m_sensor.m_flags = ALL_SENSES | COD_SENSOR_NAME_FILTER;
    COD_Emitter emitter;
    Place(emitter, "Ship1", {0.0f, 10.0f, 0.0f}, EVERYTHING);
    EXPECT_EQ(0, Sense(m_sensor, emitter).present);
}

TEST_F(CodSensesTest, EachSenseNeedsItsBitTheEmitterFlagAndTheLevel)
{
    m_sensor.m_minSoundLevel = COD_SOUND_MEDIUM;
    struct Case
    {
        u32 sensorFlags;
        u32 emitterFlags;
        s32 level;
        s32 seen, heard, present;
    } cases[] = {
        {ALL_SENSES, EVERYTHING, COD_SOUND_MEDIUM, 1, 1, 1},
        {ALL_SENSES, EVERYTHING, COD_SOUND_SILENT, 1, 0, 1},
        {ALL_SENSES, COD_EMITTER_PRESENCE, COD_SOUND_LOUD, 0, 1, 1},
        {ALL_SENSES, COD_EMITTER_VISIBLE, COD_SOUND_LOUD, 1, 1, 0},
        {ALL_SENSES & ~COD_SENSOR_SEEING, EVERYTHING, COD_SOUND_LOUD, 0, 1, 1},
        {ALL_SENSES & ~COD_SENSOR_HEARING, EVERYTHING, COD_SOUND_LOUD, 1, 0, 1},
        {ALL_SENSES & ~COD_SENSOR_PRESENCE, EVERYTHING, COD_SOUND_LOUD, 1, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.sensorFlags << " " << c.emitterFlags << " " << c.level);
        m_sensor.m_flags = c.sensorFlags;
        m_sensor.ClearResults();
        COD_Emitter emitter;
        Place(emitter, "e", {3.0f, 4.0f, 0.0f}, c.emitterFlags, c.level);
        m_sensor.NoteEmitter(&emitter);
        EXPECT_EQ(c.seen, m_sensor.m_seenCount);
        EXPECT_EQ(c.heard, m_sensor.m_heardCount);
        EXPECT_EQ(c.present, m_sensor.m_presentCount);
        const Senses direct = Sense(m_sensor, emitter);
        EXPECT_EQ(c.seen, direct.seen);
        EXPECT_EQ(c.heard, direct.heard);
        EXPECT_EQ(c.present, direct.present);
    }

    // An inactive sensor notes blockers and nothing else; full lists drop the rest.
    COD_Emitter emitters[3];
    m_sensor.SetCapacities(2, 1, 0, 8);
    m_sensor.m_flags = (ALL_SENSES & ~COD_SENSOR_ACTIVE) | COD_SENSOR_OCCLUSION;
    for (COD_Emitter& emitter : emitters) {
        Place(emitter, "e", {0.0f, 10.0f, 0.0f}, EVERYTHING | COD_EMITTER_VISIBILITY_BLOCKING);
        m_sensor.NoteEmitter(&emitter);
    }
    EXPECT_EQ(2, m_sensor.m_blockingCount);
    EXPECT_EQ(0, m_sensor.m_seenCount + m_sensor.m_heardCount + m_sensor.m_presentCount);
    m_sensor.m_flags |= COD_SENSOR_ACTIVE;
    m_sensor.ClearResults();
    for (COD_Emitter& emitter : emitters)
        m_sensor.NoteEmitter(&emitter);
    EXPECT_EQ(3, m_sensor.m_seenCount);
    EXPECT_EQ(1, m_sensor.m_heardCount);
    EXPECT_EQ(0, m_sensor.m_presentCount);
}

TEST_F(CodSensesTest, TerrainOcclusionExaminesTheEntryMovedIntoTheGap)
{
    // Noted in the order hidden, visible, hidden: removing the first moves the second hidden
    // one into its place, and it must go too.
    MRT_Terrain terrain;
    BuildRidge(terrain);
    MRT_TerrainCell cell{&terrain};
    m_sensor.m_terrainCell = &cell;
    m_sensor.m_flags |= COD_SENSOR_OCCLUSION;
    m_frame = FrameAt({80.0f, 20.0f, 10.0f});
    COD_Emitter a, b, c;
    Place(a, "a", {60.0f, 140.0f, 10.0f}, EVERYTHING);
    Place(b, "b", {140.0f, 20.0f, 10.0f}, EVERYTHING);
    Place(c, "c", {100.0f, 140.0f, 10.0f}, EVERYTHING);
    for (COD_Emitter* emitter : {&a, &b, &c})
        m_sensor.NoteEmitter(emitter);
    ASSERT_EQ(3, m_sensor.m_seenCount);
    m_sensor.CheckTerrainOcclusion();
    EXPECT_EQ(std::vector<COD_Emitter*>{&b}, Seen());
    EXPECT_EQ(3, m_sensor.m_heardCount);

    // Without the occlusion bit the ground hides nothing.
    m_sensor.m_flags &= ~COD_SENSOR_OCCLUSION;
    m_sensor.ClearResults();
    for (COD_Emitter* emitter : {&a, &b, &c})
        m_sensor.NoteEmitter(emitter);
    m_sensor.CheckTerrainOcclusion();
    EXPECT_EQ(3, m_sensor.m_seenCount);
    EXPECT_EQ(1, Sense(m_sensor, a).seen);
}

TEST_F(CodSensesTest, WithoutATerrainNothingIsHidden)
{
    // The simulation's cell is empty until the terrain node loads its terrain.
    MRT_TerrainCell empty;
    m_sensor.m_flags |= COD_SENSOR_OCCLUSION;
    m_frame = FrameAt({80.0f, 20.0f, 10.0f});
    COD_Emitter far;
    Place(far, "far", {80.0f, 140.0f, 10.0f}, EVERYTHING);
    for (MRT_TerrainCell* cell : {&empty, (MRT_TerrainCell*)nullptr}) {
        m_sensor.m_terrainCell = cell;
        m_sensor.ClearResults();
        m_sensor.NoteEmitter(&far);
        m_sensor.CheckTerrainOcclusion();
        m_sensor.CheckVisibility();
        EXPECT_EQ(std::vector<COD_Emitter*>{&far}, Seen());
        EXPECT_EQ(1, Sense(m_sensor, far).seen);
    }
}

TEST_F(CodSensesTest, ABlockerHidesWhatLiesBehindItButNeverItself)
{
    m_sensor.m_flags |= COD_SENSOR_OCCLUSION;
    COD_Emitter wall, behind, aside;
    MAT_Matrix34 wallFrame;
    Place(wall, "wall", {0.0f, 50.0f, 0.0f}, EVERYTHING);
    MakeBlocker(wall, wallFrame);
    Place(behind, "behind", {0.0f, 100.0f, 0.0f}, EVERYTHING);
    Place(aside, "aside", {30.0f, 50.0f, 0.0f}, EVERYTHING);
    for (COD_Emitter* emitter : {&wall, &behind, &aside})
        m_sensor.NoteEmitter(emitter);
    ASSERT_EQ(1, m_sensor.m_blockingCount);
    ASSERT_EQ(3, m_sensor.m_seenCount);

    // Direct queries use the blockers noted so far, as do later ones between sensing passes.
    EXPECT_EQ(1, Sense(m_sensor, wall).seen);
    EXPECT_EQ(0, Sense(m_sensor, behind).seen);
    EXPECT_EQ(1, Sense(m_sensor, behind).heard);
    EXPECT_EQ(1, Sense(m_sensor, aside).seen);

    m_sensor.CheckVisibility();
    EXPECT_EQ((std::vector<COD_Emitter*>{&wall, &aside}), Seen());

    // Behind a wall standing behind another: both hidden walls go, each checked against the
    // other and the front one.
    COD_Emitter second, third;
    MAT_Matrix34 secondFrame, thirdFrame;
    Place(second, "second", {0.0f, 100.0f, 0.0f}, EVERYTHING);
    MakeBlocker(second, secondFrame);
    Place(third, "third", {0.0f, 150.0f, 0.0f}, EVERYTHING);
    MakeBlocker(third, thirdFrame);
    m_sensor.ClearResults();
    for (COD_Emitter* emitter : {&wall, &second, &third})
        m_sensor.NoteEmitter(emitter);
    m_sensor.CheckVisibility();
    EXPECT_EQ(std::vector<COD_Emitter*>{&wall}, Seen());

    // Without room for blockers, or without the occlusion bit, nothing is hidden.
    m_sensor.SetCapacities(0, 8, 8, 8);
    for (COD_Emitter* emitter : {&wall, &behind})
        m_sensor.NoteEmitter(emitter);
    m_sensor.CheckVisibility();
    EXPECT_EQ(2, m_sensor.m_seenCount);
    m_sensor.SetCapacities(8, 8, 8, 8);
    m_sensor.m_flags &= ~COD_SENSOR_OCCLUSION;
    for (COD_Emitter* emitter : {&wall, &behind})
        m_sensor.NoteEmitter(emitter);
    EXPECT_EQ(0, m_sensor.m_blockingCount);
    EXPECT_EQ(1, Sense(m_sensor, behind).seen);
}

TEST_F(CodSensesTest, DeadEmittersAreSkipped)
{
    MRT_Terrain terrain;
    BuildRidge(terrain);
    MRT_TerrainCell cell{&terrain};
    m_sensor.m_terrainCell = &cell;
    m_sensor.m_flags |= COD_SENSOR_OCCLUSION;
    m_frame = FrameAt({80.0f, 20.0f, 10.0f});
    auto wall = std::make_unique<COD_Emitter>();
    MAT_Matrix34 wallFrame;
    Place(*wall, "wall", {80.0f, 50.0f, 10.0f}, EVERYTHING);
    MakeBlocker(*wall, wallFrame);
    auto hidden = std::make_unique<COD_Emitter>();
    Place(*hidden, "hidden", {80.0f, 140.0f, 10.0f}, EVERYTHING);
    COD_Emitter target;
    Place(target, "target", {80.0f, 70.0f, 10.0f}, EVERYTHING);
    for (COD_Emitter* emitter : {wall.get(), hidden.get(), &target})
        m_sensor.NoteEmitter(emitter);
    EXPECT_EQ(0, Sense(m_sensor, target).seen);

    wall.reset();
    hidden.reset();
    m_sensor.CheckTerrainOcclusion();
    m_sensor.CheckVisibility();
    EXPECT_EQ((std::vector<COD_Emitter*>{nullptr, nullptr, &target}), Seen());
    EXPECT_EQ(nullptr, m_sensor.GetBlocking(0));
    EXPECT_EQ(1, Sense(m_sensor, target).seen);
}

TEST_F(CodSensesTest, AnEmitterAtTheSensorIsSensed)
{
    // d = 0 has no direction: it is left as it is, so the cosine is 0, never NaN.
    COD_Emitter here;
    Place(here, "here", {0.0f, 0.0f, 0.0f}, EVERYTHING);
    struct Case
    {
        const char* mode;
        u32 flags;
        s32 oriented;
        f32 cone;
        s32 seen;
    } cases[] = {
        {"cone all around", 0, 0, -1.0f, 1},
        {"oriented cone", 0, 1, -1.0f, 1},
        {"sector all around", COD_SENSOR_SECTOR, 0, -1.0f, 1},
        {"narrow cone", 0, 0, 0.5f, 0},
        {"narrow sector", COD_SENSOR_SECTOR, 0, 0.5f, 0},
    };
    m_sensor.m_minElevation = -1.0f;
    m_sensor.m_maxElevation = 1.0f;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        m_sensor.m_flags = ALL_SENSES | c.flags;
        m_sensor.m_orientationFlag = c.oriented;
        m_sensor.m_orientation = {1.0f, 0.0f, 0.0f};
        m_sensor.m_coneCosine = c.cone;
        m_sensor.ClearResults();
        m_sensor.NoteEmitter(&here);
        EXPECT_EQ(c.seen, m_sensor.m_seenCount);
        EXPECT_EQ(c.seen, Sense(m_sensor, here).seen);
        EXPECT_EQ(1, Sense(m_sensor, here).present);
    }
}

TEST_F(CodSensesTest, SectorTestLimitsElevationAndTheHorizontalAngle)
{
    m_sensor.m_minElevation = -0.9f;
    m_sensor.m_maxElevation = 0.5f;
    m_sensor.m_coneCosine = 0.75f;
    struct Case
    {
        MAT_Vector3 d;
        s32 pass;
    } cases[] = {
        {{0.0f, 10.0f, 0.0f}, 1},   {{0.0f, 10.0f, 10.0f}, 0},  // elevation 0.71 above the maximum
        {{0.0f, 10.0f, -10.0f}, 1},                             // the horizontal part is normalised before the cone
        {{0.0f, 1.0f, -10.0f}, 0},                              // elevation -0.995 below the minimum
        {{10.0f, 10.0f, 0.0f}, 0},                              // 45 degrees aside
        {{0.0f, -10.0f, 0.0f}, 0},  {{0.0f, 0.0f, 0.0f}, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.d.x << " " << c.d.y << " " << c.d.z);
        EXPECT_EQ(c.pass, m_sensor.SectorTest(c.d));
    }
    // The sector follows the transform, turned a quarter: forward is -x.
    m_frame.r.SetFromRows({0.0f, 1.0f, 0.0f}, {-1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    EXPECT_EQ(1, m_sensor.SectorTest({-10.0f, 0.0f, 0.0f}));
    EXPECT_EQ(0, m_sensor.SectorTest({0.0f, 10.0f, 0.0f}));
}

TEST_F(CodSensesTest, OrientationInDegreesReplacesTheForwardAxisOfTheCone)
{
    struct Case
    {
        f32 heading, pitch;
        MAT_Vector3 forward;
    } cases[] = {
        {90.0f, 0.0f, {-1.0f, 0.0f, 0.0f}},  {450.0f, 0.0f, {-1.0f, 0.0f, 0.0f}}, {-270.0f, 0.0f, {-1.0f, 0.0f, 0.0f}},
        {180.0f, 0.0f, {0.0f, -1.0f, 0.0f}}, {0.0f, 90.0f, {0.0f, 0.0f, 1.0f}},   {-720.0f, 0.0f, {0.0f, 1.0f, 0.0f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.heading << " " << c.pitch);
        COD_Sensor sensor;
        sensor.SetOrientationDegrees(c.heading, c.pitch, 0.0f);
        EXPECT_EQ(1, sensor.m_orientationFlag);
        EXPECT_NEAR(c.forward.x, sensor.m_orientation.x, 1e-6f);
        EXPECT_NEAR(c.forward.y, sensor.m_orientation.y, 1e-6f);
        EXPECT_NEAR(c.forward.z, sensor.m_orientation.z, 1e-6f);
    }
    m_sensor.m_coneCosine = 0.9f;
    m_sensor.SetOrientationDegrees(90.0f, 0.0f, 0.0f);
    COD_Emitter left, ahead;
    Place(left, "left", {-50.0f, 0.0f, 0.0f}, EVERYTHING);
    Place(ahead, "ahead", {0.0f, 50.0f, 0.0f}, EVERYTHING);
    EXPECT_EQ(1, Sense(m_sensor, left).seen);
    EXPECT_EQ(0, Sense(m_sensor, ahead).seen);
    // Sector mode keeps to the transform's axes.
    m_sensor.m_flags |= COD_SENSOR_SECTOR;
    m_sensor.m_minElevation = -1.0f;
    m_sensor.m_maxElevation = 1.0f;
    EXPECT_EQ(0, Sense(m_sensor, left).seen);
    EXPECT_EQ(1, Sense(m_sensor, ahead).seen);
}

TEST_F(CodSensesTest, TheRangeBoxCoversTheLargestRangeInUseAndAtLeastOne)
{
    struct Case
    {
        u32 flags;
        f32 seeing, hearing, presence;
        f32 r;
    } cases[] = {
        {COD_SENSOR_ACTIVE | COD_SENSOR_OCCLUSION, 50.0f, 60.0f, 70.0f, 1.0f},
        {COD_SENSOR_SEEING, 0.5f, 60.0f, 70.0f, 1.0f},
        {COD_SENSOR_HEARING, 50.0f, 20.0f, 70.0f, 20.0f},
        {ALL_SENSES, 10.0f, 30.0f, 20.0f, 30.0f},
        {COD_SENSOR_SEEING | COD_SENSOR_PRESENCE, 10.0f, 30.0f, 20.0f, 20.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.flags);
        m_sensor.m_flags = c.flags;
        m_sensor.m_seeingRange = c.seeing;
        m_sensor.m_hearingRange = c.hearing;
        m_sensor.m_presenceRange = c.presence;
        f32 box[6];
        m_sensor.GetRangeBox(box);
        for (s32 axis = 0; axis < 3; ++axis) {
            EXPECT_EQ(-c.r, box[axis]);
            EXPECT_EQ(c.r, box[axis + 3]);
        }
    }
}

TEST_F(CodSensesTest, CloneCopiesSettingsAndFilterWithFreshLists)
{
    const SIM_Name filter[] = {SIM_Name("Ship")};
    auto source = std::make_unique<COD_Sensor>();
    source->m_transform = &m_frame;
    source->m_flags = ALL_SENSES | COD_SENSOR_NAME_FILTER | COD_SENSOR_OCCLUSION;
    source->m_seeingRange = 10.0f;
    source->m_hearingRange = 20.0f;
    source->m_presenceRange = 30.0f;
    source->m_minSoundLevel = 2;
    source->m_coneCosine = 0.25f;
    source->m_minElevation = -0.5f;
    source->m_maxElevation = 0.75f;
    source->SetOrientationDegrees(90.0f, 0.0f, 0.0f);
    source->SetCapacities(2, 3, 4, 5);
    source->SetNameFilter(filter, 1);
    source->m_listPosition = 3;
    COD_Emitter emitter;
    Place(emitter, "Ship1", {-5.0f, 0.0f, 0.0f}, EVERYTHING);
    source->NoteEmitter(&emitter);
    ASSERT_EQ(1, source->m_seenCount);

    COD_Sensor copy;
    copy.Clone(*source);
    source.reset();  // the copy owns its own lists and filter
    EXPECT_EQ(&m_frame, copy.m_transform);
    EXPECT_EQ(ALL_SENSES | COD_SENSOR_NAME_FILTER | COD_SENSOR_OCCLUSION, copy.m_flags);
    EXPECT_EQ(10.0f, copy.m_seeingRange);
    EXPECT_EQ(20.0f, copy.m_hearingRange);
    EXPECT_EQ(30.0f, copy.m_presenceRange);
    EXPECT_EQ(2, copy.m_minSoundLevel);
    EXPECT_EQ(0.25f, copy.m_coneCosine);
    EXPECT_EQ(-0.5f, copy.m_minElevation);
    EXPECT_EQ(0.75f, copy.m_maxElevation);
    EXPECT_EQ(1, copy.m_orientationFlag);
    EXPECT_EQ(-1, copy.m_listPosition);
    EXPECT_EQ(2, copy.m_blockingCapacity);
    EXPECT_EQ(3, copy.m_heardCapacity);
    EXPECT_EQ(4, copy.m_presentCapacity);
    EXPECT_EQ(5, copy.m_seenCapacity);
    EXPECT_EQ(0, copy.m_seenCount + copy.m_heardCount + copy.m_presentCount + copy.m_blockingCount);
    ASSERT_EQ(1, copy.m_filterCount);
    EXPECT_TRUE(copy.m_filter[0] == "Ship");
    copy.NoteEmitter(&emitter);
    EXPECT_EQ(1, copy.m_seenCount);
    EXPECT_EQ(&emitter, copy.GetSeen(0));
}

// --- viewers ----------------------------------------------------------------------------------

TEST(CodViewerTest, AFullViewerIgnoresFurtherObjectsUntilTheNextPass)
{
    const s32 capacity = 1024;
    std::vector<std::unique_ptr<NOD_Node>> nodes;
    std::vector<std::unique_ptr<PCS_VisibleObject>> objects;
    for (s32 i = 0; i <= capacity; ++i) {
        nodes.push_back(std::make_unique<NOD_Node>());
        objects.push_back(std::make_unique<PCS_VisibleObject>(nodes.back().get()));
    }
    COD_Viewer viewer(capacity);
    for (const auto& object : objects)
        viewer.AddVisible(object.get());
    EXPECT_EQ(capacity, viewer.m_visibleCount);
    EXPECT_EQ(nodes[0].get(), viewer.GetVisible(0));
    EXPECT_EQ(nodes[capacity - 1].get(), viewer.GetVisible(capacity - 1));
    EXPECT_EQ(nullptr, viewer.GetVisible(capacity));

    viewer.ClearResults();
    EXPECT_EQ(0, viewer.m_visibleCount);
    viewer.AddVisible(objects[capacity].get());
    EXPECT_EQ(nodes[capacity].get(), viewer.GetVisible(0));
    nodes[capacity].reset();  // a node gone reads null
    EXPECT_EQ(nullptr, viewer.GetVisible(0));

    COD_Viewer none(0);
    none.AddVisible(objects[0].get());
    EXPECT_EQ(0, none.m_visibleCount);
}
}  // namespace
