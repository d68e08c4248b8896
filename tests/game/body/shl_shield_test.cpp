// Shields: face selection, absorption with Bio and Emp, the damage chain, terrain steps,
// exhaustion, the ratio readers and setters, and the "Shield" section with its mesh reference.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "brisel_cache.h"
#include "des_file.h"
#include "display_fixture.h"
#include "reb_mesh.h"
#include "shl_shield.h"
#include "test_dir.h"
#include "tools_mesh.h"
#include "tools_sections.h"

namespace
{

const f32 NAN_F = std::numeric_limits<f32>::quiet_NaN();
const f32 INF_F = std::numeric_limits<f32>::infinity();

MAT_Matrix34 Identity()
{
    MAT_Matrix34 m;
    m.r.SetDiagonal(1.0f);
    return m;
}

// A shield with all three pairs active, unit extents and every face at 100 of 100.
void MakeBoxShield(SHL_Shield& _shield, f32 _ratio = 1.0f)
{
    _shield.SetPairs(1, 1, 1, {1.0f, 1.0f, 1.0f});
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
        _shield.SetFace(face, 100, 100);
    _shield.SetPropagationRatio(_ratio);
}

std::vector<s32> Faces(const SHL_Shield& _shield)
{
    std::vector<s32> out;
    for (s32 face = 0; face < SHL_FACE_COUNT; ++face)
        out.push_back(_shield.GetFaceIn(face));
    return out;
}

// --- face selection ------------------------------------------------------------------------------

TEST(ShlSelectFaceTest, DirectionsTiesZeroAndNaN)
{
    const MAT_Vector3 unit(1.0f, 1.0f, 1.0f);
    struct Case
    {
        MAT_Vector3 direction;
        MAT_Vector3 extents;
        s32 face;
    } cases[] = {
        {{0.0f, 1.0f, 0.0f}, unit, SHL_FACE_FRONT},
        {{0.0f, -1.0f, 0.0f}, unit, SHL_FACE_BACK},
        {{-1.0f, 0.0f, 0.0f}, unit, SHL_FACE_LEFT},
        {{1.0f, 0.0f, 0.0f}, unit, SHL_FACE_RIGHT},
        {{0.0f, 0.0f, 1.0f}, unit, SHL_FACE_TOP},
        {{0.0f, 0.0f, -1.0f}, unit, SHL_FACE_BOT},
        // Every quotient 0/0: all tests succeed and a zero y picks the negative face.
        {{0.0f, 0.0f, 0.0f}, unit, SHL_FACE_BACK},
        // Ties: X wins against Y, Z wins against X and against Y.
        {{1.0f, 1.0f, 0.0f}, unit, SHL_FACE_RIGHT},
        {{-1.0f, -1.0f, 0.0f}, unit, SHL_FACE_LEFT},
        {{1.0f, 0.0f, 1.0f}, unit, SHL_FACE_TOP},
        {{0.0f, 1.0f, -1.0f}, unit, SHL_FACE_BOT},
        {{1.0f, 1.0f, 1.0f}, unit, SHL_FACE_TOP},
        // A zero component on the winning axis: its negative face.
        {{0.0f, 0.0f, -0.0f}, unit, SHL_FACE_BACK},
        // The box's proportions decide, not the direction alone.
        {{1.5f, 1.0f, 0.0f}, {2.0f, 1.0f, 1.0f}, SHL_FACE_FRONT},
        {{1.0f, 0.0f, 1.5f}, {1.0f, 1.0f, 2.0f}, SHL_FACE_RIGHT},
        // An inactive axis practically never wins.
        {{1.0f, 0.001f, 0.0f}, {FLT_MAX, 1.0f, 1.0f}, SHL_FACE_FRONT},
        {{0.001f, 1.0f, 1.0f}, {1.0f, FLT_MAX, FLT_MAX}, SHL_FACE_RIGHT},
        // Not-a-number quotients make the tests succeed.
        {{NAN_F, 0.0f, 0.0f}, unit, SHL_FACE_BACK},
        {{0.0f, NAN_F, 0.0f}, unit, SHL_FACE_BACK},
        {{0.0f, 0.0f, NAN_F}, unit, SHL_FACE_BACK},
        {{1.0f, 0.0f, NAN_F}, unit, SHL_FACE_RIGHT},
        {{0.0f, 1.0f, NAN_F}, unit, SHL_FACE_FRONT},
        {{NAN_F, NAN_F, NAN_F}, unit, SHL_FACE_BACK},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.face, SHL_Shield::SelectFace(c.direction, c.extents))
            << c.direction.x << " " << c.direction.y << " " << c.direction.z;
}

// --- absorption ----------------------------------------------------------------------------------

TEST(ShlAbsorbTest, BioLessensKineticAndEmpAndBioClampAtZero)
{
    struct Case
    {
        const char* what;
        s32 kinetic, emp, bio;
        f32 weight;
        s32 empIn, empInMax, bioIn, bioInMax;
        s32 faceLeft, empLeft, bioLeft;
    } cases[] = {
        {"no Bio: the whole hit", 10, 0, 0, 1.0f, -1, -1, -1, -1, 90, -1, -1},
        {"weighted: floor(2.5)", 10, 0, 0, 0.25f, -1, -1, -1, -1, 98, -1, -1},
        {"full Bio lets a tenth through", 100, 0, 0, 1.0f, -1, -1, 100, 100, 90, -1, 100},
        {"half Bio", 100, 0, 0, 1.0f, -1, -1, 50, 100, 45, -1, 50},
        {"Bio spent by this hit first", 100, 0, 30, 1.0f, -1, -1, 20, 100, 0, -1, 0},
        {"Bio without strength lessens nothing", 40, 0, 0, 1.0f, -1, -1, 0, 0, 60, -1, 0},
        {"Bio above a zero InMax lessens nothing", 40, 0, 0, 1.0f, -1, -1, 5, 0, 60, -1, 5},
        {"Emp clamps at 0", 0, 30, 0, 1.0f, 20, 50, -1, -1, 100, 0, -1},
        {"Emp weighted", 0, 30, 0, 0.5f, 20, 50, -1, -1, 100, 5, -1},
        {"kinetic clamps at 0", 500, 0, 0, 1.0f, -1, -1, -1, -1, 0, -1, -1},
        {"NaN weight from a script: nothing", 10, 10, 10, NAN_F, 20, 20, 20, 20, 100, 20, 20},
        {"infinite weight: everything", 10, 10, 10, INF_F, 20, 20, -1, -1, 0, 0, -1},
        {"infinite weight with Bio", 10, 10, 10, INF_F, 20, 20, 20, 20, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SHL_Shield shield;
        MakeBoxShield(shield);
        shield.SetEmp(0, c.empIn, c.empInMax);
        shield.SetBio(0, c.bioIn, c.bioInMax);
        shield.Absorb(c.kinetic, c.emp, c.bio, c.weight, SHL_FACE_TOP);
        EXPECT_EQ(c.faceLeft, shield.GetFaceIn(SHL_FACE_TOP)) << c.what;
        EXPECT_EQ(c.empLeft, shield.GetEmpIn()) << c.what;
        EXPECT_EQ(c.bioLeft, shield.GetBioIn()) << c.what;
        EXPECT_EQ(100, shield.GetFaceIn(SHL_FACE_BOT)) << c.what;
    }
}

TEST(ShlAbsorbTest, FacesAtMinusOneNeverChangeAndFacesAtZeroStay)
{
    for (s32 bio : {-1, 100}) {
        SHL_Shield shield;
        MakeBoxShield(shield);
        shield.SetBio(0, bio, 100);
        shield.SetFace(SHL_FACE_FRONT, -1, 100);
        shield.SetFace(SHL_FACE_BACK, 0, 100);
        shield.Absorb(1000, 0, 0, 1.0f, SHL_FACE_FRONT);
        shield.Absorb(1000, 0, 0, 1.0f, SHL_FACE_BACK);
        EXPECT_EQ(-1, shield.GetFaceIn(SHL_FACE_FRONT));
        EXPECT_EQ(0, shield.GetFaceIn(SHL_FACE_BACK));
        // A face outside 0..5 names nothing: no kinetic value is touched.
        shield.Absorb(1000, 0, 0, 1.0f, 6);
        shield.Absorb(1000, 0, 0, 1.0f, -1);
        EXPECT_EQ((std::vector<s32>{100, 100, -1, 0, 100, 100}), Faces(shield));
    }
}

// --- the damage chain ----------------------------------------------------------------------------

// Writes down every absorption of the chain in the order it happens.
struct Absorption
{
    const SHL_Shield* shield;
    f32 weight;
    s32 face;
};

class RecordingShield : public SHL_Shield
{
public:
    explicit RecordingShield(std::vector<Absorption>* _log) : m_log(_log) {}
    void Absorb(s32 _kinetic, s32 _emp, s32 _bio, f32 _weight, s32 _face) override
    {
        m_log->push_back({this, _weight, _face});
        SHL_Shield::Absorb(_kinetic, _emp, _bio, _weight, _face);
    }

private:
    std::vector<Absorption>* m_log;
};

TEST(ShlPropagateHitTest, TheSonKeepsItsRatioAndTheFathersTakeTheirShareFirst)
{
    std::vector<Absorption> log;
    RecordingShield son(&log), father(&log), grandfather(&log);
    MakeBoxShield(son, 0.25f);
    MakeBoxShield(father, 0.5f);
    MakeBoxShield(grandfather, 1.0f);
    son.SetNextShield(&father);
    father.SetNextShield(&grandfather);
    SHL_Shield hitter;
    hitter.SetKineticOut(10);

    // The hitter comes down on the son from above: the son moves along +Z relative to it.
    son.PropagateHit(&hitter, {0.0f, 0.0f, -5.0f}, {0.0f, 0.0f, 0.0f}, Identity(), 1.0f);

    ASSERT_EQ(3u, log.size());
    EXPECT_EQ(&grandfather, log[0].shield);
    EXPECT_EQ(&father, log[1].shield);
    EXPECT_EQ(&son, log[2].shield);
    EXPECT_FLOAT_EQ(0.375f, log[0].weight);
    EXPECT_FLOAT_EQ(0.375f, log[1].weight);
    EXPECT_FLOAT_EQ(0.25f, log[2].weight);
    for (const Absorption& a : log)
        EXPECT_EQ(SHL_FACE_TOP, a.face);
    EXPECT_EQ(97, grandfather.GetFaceIn(SHL_FACE_TOP));  // floor(3.75)
    EXPECT_EQ(97, father.GetFaceIn(SHL_FACE_TOP));
    EXPECT_EQ(98, son.GetFaceIn(SHL_FACE_TOP));  // floor(2.5)
}

TEST(ShlPropagateHitTest, RatioOneAndAQuarterWithTheFathersThreeQuarters)
{
    SHL_Shield hitter;
    hitter.SetKineticOut(10);
    const MAT_Vector3 still(0.0f, 0.0f, 0.0f);
    const MAT_Vector3 fromFront(0.0f, -20.0f, 0.0f);  // moving along -Y: strikes the Front face

    SHL_Shield alone;
    MakeBoxShield(alone, 1.0f);
    alone.PropagateHit(&hitter, fromFront, still, Identity(), 1.0f);
    EXPECT_EQ((std::vector<s32>{100, 100, 90, 100, 100, 100}), Faces(alone));

    SHL_Shield son, father;
    MakeBoxShield(son, 0.25f);
    MakeBoxShield(father, 1.0f);
    son.SetNextShield(&father);
    son.PropagateHit(&hitter, fromFront, still, Identity(), 1.0f);
    EXPECT_EQ((std::vector<s32>{100, 100, 98, 100, 100, 100}), Faces(son));
    EXPECT_EQ((std::vector<s32>{100, 100, 93, 100, 100, 100}), Faces(father));  // floor(7.5)
}

TEST(ShlPropagateHitTest, TheFaceIsFoundInTheOwnersAxesAndWithoutPairsIsRight)
{
    SHL_Shield hitter;
    hitter.SetKineticOut(10);
    hitter.SetEmp(4, -1, -1);
    hitter.SetBio(6, -1, -1);

    // Turned -90 degrees about Z: the body's forward (Y) axis is world +X.
    MAT_Matrix34 turned = Identity();
    turned.r.SetFromRows({0.0f, -1.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    SHL_Shield box;
    MakeBoxShield(box);
    box.SetEmp(0, 50, 50);
    box.SetBio(0, -1, 50);
    // A bullet coming at the body's front moves along world -X.
    box.PropagateHit(&hitter, {-30.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, turned, 1.0f);
    EXPECT_EQ((std::vector<s32>{100, 100, 90, 100, 100, 100}), Faces(box));
    EXPECT_EQ(46, box.GetEmpIn());
    EXPECT_EQ(-1, box.GetBioIn());

    SHL_Shield plain;
    plain.SetFace(SHL_FACE_RIGHT, 100, 100);
    plain.SetFace(SHL_FACE_LEFT, 100, 100);
    plain.PropagateHit(&hitter, {-30.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, Identity(), 1.0f);
    EXPECT_EQ(90, plain.GetFaceIn(SHL_FACE_RIGHT));
    EXPECT_EQ(100, plain.GetFaceIn(SHL_FACE_LEFT));
}

// --- terrain -------------------------------------------------------------------------------------

TEST(ShlTerrainHitTest, RightPaysEveryStepTwiceWhenSelected)
{
    struct Case
    {
        const char* what;
        u32 pairs;
        MAT_Vector3 direction;
        std::vector<s32> faces;
    } cases[] = {
        {"no pair: Right once", 0, {0.0f, 1.0f, 0.0f}, {93, 100, 100, 100, 100, 100}},
        {"pairs, moving forward: Front and Right", 1, {0.0f, 1.0f, 0.0f}, {93, 100, 93, 100, 100, 100}},
        {"pairs, moving right: Right twice", 1, {2.0f, 0.0f, 0.0f}, {86, 100, 100, 100, 100, 100}},
        {"pairs, standing: Back and Right", 1, {0.0f, 0.0f, 0.0f}, {93, 100, 100, 93, 100, 100}},
    };
    for (const Case& c : cases) {
        SHL_Shield shield;
        MakeBoxShield(shield);
        shield.SetPairs(c.pairs, c.pairs, c.pairs, {1.0f, 1.0f, 1.0f});
        shield.SetTerrainOutPoints(7);
        shield.TerrainHit(c.direction, Identity());
        EXPECT_EQ(c.faces, Faces(shield)) << c.what;
    }

    // Negative faces are skipped, and a face clamps at 0.
    SHL_Shield worn;
    MakeBoxShield(worn);
    worn.SetFace(SHL_FACE_RIGHT, 10, 100);
    worn.SetFace(SHL_FACE_FRONT, -1, 100);
    worn.SetTerrainOutPoints(7);
    worn.TerrainHit({0.0f, 1.0f, 0.0f}, Identity());
    worn.TerrainHit({1.0f, 0.0f, 0.0f}, Identity());
    EXPECT_EQ((std::vector<s32>{0, 100, -1, 100, 100, 100}), Faces(worn));
}

// --- exhaustion and ratios -----------------------------------------------------------------------

TEST(ShlShieldTest, ExhaustedOnlyThroughFacesOfActivePairs)
{
    struct Case
    {
        const char* what;
        u32 leftRight, frontBack, topBottom;
        s32 face, value;
        u32 exhausted;
    } cases[] = {
        {"no pair, Right at 0", 0, 0, 0, SHL_FACE_RIGHT, 0, 1},
        {"no pair, Left at 0", 0, 0, 0, SHL_FACE_LEFT, 0, 0},
        {"no pair, Right at -1", 0, 0, 0, SHL_FACE_RIGHT, -1, 0},
        {"Left of an active pair", 1, 0, 0, SHL_FACE_LEFT, 0, 1},
        {"Back of an active pair", 0, 1, 0, SHL_FACE_BACK, 0, 1},
        {"Top of an active pair", 0, 0, 1, SHL_FACE_TOP, 0, 1},
        {"Bot of an inactive pair", 1, 1, 0, SHL_FACE_BOT, 0, 0},
        {"Right at 0 with only another pair active", 0, 1, 0, SHL_FACE_RIGHT, 0, 0},
        {"a face at -1 of an active pair", 1, 1, 1, SHL_FACE_FRONT, -1, 0},
        {"a face at 1", 1, 1, 1, SHL_FACE_FRONT, 1, 0},
    };
    for (const Case& c : cases) {
        SHL_Shield shield;
        MakeBoxShield(shield);
        shield.SetPairs(c.leftRight, c.frontBack, c.topBottom, {1.0f, 1.0f, 1.0f});
        shield.SetFace(c.face, c.value, 100);
        // Emp and Bio never exhaust.
        shield.SetEmp(0, 0, 100);
        shield.SetBio(0, 0, 100);
        EXPECT_EQ(c.exhausted, shield.IsExhausted()) << c.what;
    }
}

TEST(ShlShieldTest, BeforeParsingNothingIsDamagedOrExhausted)
{
    SHL_Shield shield;
    EXPECT_EQ(0u, shield.IsExhausted());
    EXPECT_EQ((std::vector<s32>{-1, -1, -1, -1, -1, -1}), Faces(shield));
    EXPECT_EQ(-1, shield.GetEmpIn());
    EXPECT_EQ(-1, shield.GetBioInMax());
    EXPECT_EQ(1.0f, shield.GetPropagationRatio());
    EXPECT_EQ(FLT_MAX, shield.GetExtents().x);
    EXPECT_EQ(FLT_MAX, shield.GetExtents().z);
    EXPECT_EQ(0, shield.GetMeshHandle());
    EXPECT_EQ(nullptr, shield.GetNextShield());
    // Hits and terrain leave a never-damaged shield as it is.
    SHL_Shield hitter;
    hitter.SetKineticOut(1000);
    shield.PropagateHit(&hitter, {1.0f, 0.0f, 0.0f}, {}, Identity(), 1.0f);
    shield.SetTerrainOutPoints(5);
    shield.TerrainHit({1.0f, 0.0f, 0.0f}, Identity());
    EXPECT_EQ((std::vector<s32>{-1, -1, -1, -1, -1, -1}), Faces(shield));
    EXPECT_EQ(0u, shield.IsExhausted());
}

TEST(ShlShieldTest, WeakestRatioAndReaders)
{
    SHL_Shield shield;
    MakeBoxShield(shield);
    shield.SetPairs(1, 0, 1, {1.0f, 1.0f, 1.0f});
    shield.SetFace(SHL_FACE_LEFT, 40, 100);
    shield.SetFace(SHL_FACE_TOP, 60, 100);
    shield.SetFace(SHL_FACE_BACK, 10, 100);  // its pair is inactive
    EXPECT_FLOAT_EQ(0.4f, shield.GetWeakestRatio());
    shield.SetPairs(0, 0, 0, {});
    shield.SetFace(SHL_FACE_RIGHT, 25, 50);
    EXPECT_FLOAT_EQ(0.5f, shield.GetWeakestRatio());

    EXPECT_DOUBLE_EQ(0.1, shield.GetFaceRatio(SHL_FACE_BACK));
    EXPECT_DOUBLE_EQ(-1.0, shield.GetFaceRatio(6));
    EXPECT_DOUBLE_EQ(-1.0, shield.GetFaceRatio(-1));
    shield.SetEmp(0, 30, 40);
    shield.SetBio(0, 5, 20);
    EXPECT_DOUBLE_EQ(0.75, shield.GetEmpRatio());
    EXPECT_DOUBLE_EQ(0.25, shield.GetBioRatio());
}

TEST(ShlShieldTest, RatioSettersFloorAndTakeAnyFloat)
{
    struct Case
    {
        f32 ratio;
        s32 inMax;
        s32 in;
    } cases[] = {
        {0.5f, 100, 50},          {1.0f, 100, 100}, {0.0f, 100, 0},
        {0.333f, 100, 33},        {NAN_F, 100, 0},  {-INF_F, 100, -2147483647 - 1},
        {INF_F, 100, 2147483647},
    };
    for (const Case& c : cases) {
        SHL_Shield shield;
        MakeBoxShield(shield);
        shield.SetFace(SHL_FACE_BACK, 7, c.inMax);
        shield.SetEmp(0, 7, c.inMax);
        shield.SetBio(0, 7, c.inMax);
        shield.SetFaceRatio(c.ratio, SHL_FACE_BACK);
        shield.SetEmpRatio(c.ratio);
        shield.SetBioRatio(c.ratio);
        EXPECT_EQ(c.in, shield.GetFaceIn(SHL_FACE_BACK)) << c.ratio;
        EXPECT_EQ(c.in, shield.GetEmpIn()) << c.ratio;
        EXPECT_EQ(c.in, shield.GetBioIn()) << c.ratio;
    }

    // Emp and Bio without an InMax of 0 or more keep their In; faces outside 0..5 name nothing.
    SHL_Shield shield;
    MakeBoxShield(shield);
    shield.SetEmp(0, 7, -1);
    shield.SetBio(0, 7, -1);
    shield.SetEmpRatio(0.5f);
    shield.SetBioRatio(0.5f);
    shield.SetFaceRatio(0.5f, 6);
    shield.SetFaceRatio(0.5f, -1);
    EXPECT_EQ(7, shield.GetEmpIn());
    EXPECT_EQ(7, shield.GetBioIn());
    EXPECT_EQ((std::vector<s32>{100, 100, 100, 100, 100, 100}), Faces(shield));
    shield.SetBio(0, 7, 0);
    shield.SetBioRatio(0.5f);
    EXPECT_EQ(0, shield.GetBioIn());
}

TEST(ShlShieldTest, PropagationRatioMustLieInZeroToOne)
{
    for (f32 ratio : {0.0f, 1.0f, 0.5f})
        SHL_Shield::CheckPropagationRatio(ratio);
    for (f32 ratio : {-0.01f, 1.01f, NAN_F, INF_F, -INF_F})
        EXPECT_FATAL(SHL_Shield::CheckPropagationRatio(ratio), "SHL_Shield::Parse",
                     "DamagaPropagationRatio out of range (0..1)");
}

// --- the "Shield" section ------------------------------------------------------------------------

class ShlShieldParseTest : public testing::Test
{
protected:
    void Parse(const TOOL_ShieldSection& _section, SHL_Shield& _shield)
    {
        m_dir.Write("shield.des", "[Body]\n{\n" + TOOL_ShieldSectionText(_section) + "}\n");
        DES_File file;
        DES_Section root, body, shield;
        ASSERT_EQ(1u, file.Open(&root, "shield.des"));
        ASSERT_EQ(1u, root.FindSection(&body, "Body"));
        ASSERT_EQ(1u, body.FindSection(&shield, "Shield"));
        _shield.Parse(&shield);
    }

    TST_TempDir m_dir;
};

TEST_F(ShlShieldParseTest, ReadsEveryKeyAndGivesInactiveAxesFlatMax)
{
    TOOL_ShieldSection section;
    section.damagePropagationRatio = 0.25f;
    section.terrainOutPoints = 3;
    section.kineticOut = 12;
    section.leftRightActive = 1;
    section.frontBackActive = 0;
    section.topBottomActive = 2;  // only 1 is true
    section.extension[0] = 2.5f;
    section.extension[1] = 3.5f;
    section.extension[2] = 4.5f;
    for (s32 face = 0; face < 6; ++face) {
        section.faceIn[face] = 10 + face;
        section.faceInMax[face] = 20 + face;
    }
    section.empOut = 1;
    section.empIn = 2;
    section.empInMax = 3;
    section.bioOut = 4;
    section.bioIn = -1;
    section.bioInMax = 6;
    section.showShield = 2;  // only 1 is true

    SHL_Shield shield;
    Parse(section, shield);
    EXPECT_EQ(0u, shield.GetShowShield());
    EXPECT_EQ(0, shield.GetMeshHandle());
    EXPECT_EQ(0.25f, shield.GetPropagationRatio());
    EXPECT_EQ(3, shield.GetTerrainOutPoints());
    EXPECT_EQ(12, shield.GetKineticOut());
    EXPECT_EQ(1u, shield.IsLeftRightActive());
    EXPECT_EQ(0u, shield.IsFrontBackActive());
    EXPECT_EQ(0u, shield.IsTopBottomActive());
    EXPECT_EQ(2.5f, shield.GetExtents().x);
    EXPECT_EQ(FLT_MAX, shield.GetExtents().y);
    EXPECT_EQ(FLT_MAX, shield.GetExtents().z);
    for (s32 face = 0; face < 6; ++face) {
        EXPECT_EQ(10 + face, shield.GetFaceIn(face));
        EXPECT_EQ(20 + face, shield.GetFaceInMax(face));
    }
    EXPECT_EQ(1, shield.GetEmpOut());
    EXPECT_EQ(2, shield.GetEmpIn());
    EXPECT_EQ(3, shield.GetEmpInMax());
    EXPECT_EQ(4, shield.GetBioOut());
    EXPECT_EQ(-1, shield.GetBioIn());
    EXPECT_EQ(6, shield.GetBioInMax());
}

TEST_F(ShlShieldParseTest, RatiosAtTheEndsAreAcceptedAndOutsideRefused)
{
    for (f32 ratio : {0.0f, 1.0f}) {
        TOOL_ShieldSection section;
        section.damagePropagationRatio = ratio;
        SHL_Shield shield;
        Parse(section, shield);
        EXPECT_EQ(ratio, shield.GetPropagationRatio());
    }
    for (f32 ratio : {-0.01f, 1.01f}) {
        TOOL_ShieldSection section;
        section.damagePropagationRatio = ratio;
        SHL_Shield shield;
        EXPECT_FATAL(Parse(section, shield), "SHL_Shield::Parse", "DamagaPropagationRatio out of range (0..1)");
    }
}

TEST_F(ShlShieldParseTest, MissingSubsectionsAndKeysAreFatal)
{
    for (const char* name : {"Kinetic", "Emp", "Bio"}) {
        TOOL_ShieldSection section;
        section.writeKinetic = std::string(name) != "Kinetic";
        section.writeEmp = std::string(name) != "Emp";
        section.writeBio = std::string(name) != "Bio";
        SHL_Shield shield;
        EXPECT_FATAL(
            Parse(section, shield), "DES FILE ERROR",
            ("(SHL_Shield::Parse): Get [\"" + std::string(name) + "\"] in file \"shield.des\" failed").c_str());
    }
    for (const char* key :
         {"ShowShield", "TerrainOutPoints", "TopBottomActive", "Z-Extension-In", "BotInMax", "InMax"}) {
        TOOL_ShieldSection section;
        section.omitKey = key;
        SHL_Shield shield;
        EXPECT_FATAL(Parse(section, shield), "DesFile Error",
                     ("data \"" + std::string(key) + "\" not found in file \"shield.des\"").c_str());
    }
    for (const char* key : {"DamagePropagationRatio", "RightIn", "Out"}) {
        TOOL_ShieldSection section;
        section.mistypedKey = key;
        SHL_Shield shield;
        EXPECT_FATAL(Parse(section, shield), "DesFile Error",
                     ("data \"" + std::string(key) + "\" in file \"shield.des\" has wrong type").c_str());
    }
}

TEST_F(ShlShieldParseTest, ShowingTheShieldOutsideARunIsFatal)
{
    ASSERT_EQ(nullptr, Brisel_TheCache);
    TOOL_ShieldSection section;
    section.showShield = 1;
    SHL_Shield shield;
    EXPECT_FATAL(Parse(section, shield), "SHL_Shield::Parse", "no resource cache");
    EXPECT_EQ(0, shield.GetMeshHandle());
}

// ShowShield makes the shield hold "box.msh" in the run's render-mesh cache.
class ShlShieldMeshTest : public DisplayTest
{
protected:
    void SetUp() override
    {
        SITO_DISPLAY = Open();
        m_cache = new Brisel_Cache();
        Brisel_TheCache = m_cache;
    }
    void TearDown() override
    {
        delete m_cache;
        Brisel_TheCache = nullptr;
        SITO_DISPLAY = nullptr;
        DisplayTest::TearDown();
    }

    void Parse(const TOOL_ShieldSection& _section, SHL_Shield& _shield)
    {
        m_dir.Write("shield.des", TOOL_ShieldSectionText(_section));
        DES_File file;
        DES_Section root, shield;
        ASSERT_EQ(1u, file.Open(&root, "shield.des"));
        ASSERT_EQ(1u, root.FindSection(&shield, "Shield"));
        _shield.Parse(&shield);
    }
    CON_Cache<REB_Mesh>* Meshes() const { return m_cache->GetRenderMeshCache(); }

    TST_TempDir m_dir;
    Brisel_Cache* m_cache = nullptr;
};

TEST_F(ShlShieldMeshTest, EachShieldAndEachCopyHoldsItsOwnReference)
{
    m_dir.Write("vfx/msh/box.msh", TOOL_MeshText(TOOL_MeshGrid(1, 1, 1)));
    TOOL_ShieldSection section;
    section.showShield = 1;
    s32 handle = 0;
    {
        SHL_Shield first;
        Parse(section, first);
        handle = first.GetMeshHandle();
        ASSERT_NE(0, handle);
        EXPECT_NE(nullptr, Meshes()->Get(handle));
        EXPECT_STREQ("box.msh", Meshes()->GetName(handle));
        // Parsing again does not take a second reference.
        Parse(section, first);
        EXPECT_EQ(1, Meshes()->GetReferenceCount(handle));
        {
            SHL_Shield copy;
            copy.CopyFrom(first);
            EXPECT_EQ(handle, copy.GetMeshHandle());
            EXPECT_EQ(2, Meshes()->GetReferenceCount(handle));
        }
        EXPECT_EQ(1, Meshes()->GetReferenceCount(handle));
    }
    EXPECT_EQ(0, Meshes()->GetReferenceCount(handle));
    EXPECT_EQ(0, Meshes()->GetCount());
}

TEST_F(ShlShieldMeshTest, AMissingBoxIsTheCachesFatalError)
{
    TOOL_ShieldSection section;
    section.showShield = 1;
    SHL_Shield shield;
    EXPECT_FATAL(Parse(section, shield), "CON_Cache::Allocate() file not found", "vfx\\msh\\box.msh");
    EXPECT_EQ(0, shield.GetMeshHandle());
}

TEST(ShlShieldCopyTest, CopiesEveryValueAndTheLink)
{
    SHL_Shield father;
    SHL_Shield source;
    MakeBoxShield(source, 0.5f);
    source.SetPairs(1, 0, 1, {2.0f, 3.0f, 4.0f});
    source.SetFace(SHL_FACE_TOP, 7, 9);
    source.SetKineticOut(11);
    source.SetEmp(1, 2, 3);
    source.SetBio(4, 5, 6);
    source.SetTerrainOutPoints(8);
    source.SetNextShield(&father);
    SHL_Shield copy;
    copy.CopyFrom(source);
    EXPECT_EQ(Faces(source), Faces(copy));
    EXPECT_EQ(9, copy.GetFaceInMax(SHL_FACE_TOP));
    EXPECT_EQ(11, copy.GetKineticOut());
    EXPECT_EQ(3, copy.GetEmpInMax());
    EXPECT_EQ(6, copy.GetBioInMax());
    EXPECT_EQ(8, copy.GetTerrainOutPoints());
    EXPECT_EQ(0.5f, copy.GetPropagationRatio());
    EXPECT_EQ(2.0f, copy.GetExtents().x);
    EXPECT_EQ(FLT_MAX, copy.GetExtents().y);
    EXPECT_EQ(0u, copy.IsFrontBackActive());
    EXPECT_EQ(&father, copy.GetNextShield());
}

}  // namespace
