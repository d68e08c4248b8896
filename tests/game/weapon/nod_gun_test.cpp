// The gun base: its description, the fire switches, the four states with the smoothed swing,
// first-person visibility, the muzzle flashes' window, leaving the simulation and the box.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "brisel_renderer.h"
#include "brisel_scene_data.h"
#include "crt_rand.h"
#include "des_file.h"
#include "gun_fixture.h"

namespace
{

// The share of the way to its target that a gun's frame moves in one step.
constexpr f32 SWING_SHARE = 0.05f / (0.06666667f + 0.05f);

TOOL_Gun QuietGun()
{
    TOOL_Gun gun;
    gun.writeFire = gun.writeWindDown = false;
    return gun;
}

TEST_F(GunTest, TheDescriptionGivesMeshesFrameSoundsAndParts)
{
    TOOL_Gun description = TOOL_WeaponGun("vendetta2");
    description.translation[0] = 0.5f;
    description.rotation[0][2] = 90.0f;
    // A gun hung from a father's description keeps the frame of its own "Visual" section.
    m_dir.Write("vfx/gun.osd", TOOL_GunText(description));
    TOOL_ChildSection child;
    child.nameCLA = "NOD_Gun";
    child.nameSON = "gun";
    child.nameOSD = "gun.osd";
    child.translation[2] = 40.0f;
    child.rotation[0][0] = 30.0f;
    m_dir.Write("father.osd", TOOL_ChildSectionText(child));
    DES_File fatherFile;
    DES_Section fatherRoot, context;
    fatherFile.Open(&fatherRoot, "father.osd");
    ASSERT_EQ(1u, fatherRoot.FindSection(&context, "Child0"));
    NOD_Gun* gun = NOD_Gun::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Gun", "gun")));
    ASSERT_NE(nullptr, gun);
    gun->ParseIniFile_CtxFile(context, "gun.osd");

    EXPECT_NE(0, gun->GetMeshHandle());
    EXPECT_NE(0, gun->GetPrimaryMuzzleHandle());
    EXPECT_NE(0, gun->GetSecondaryMuzzleHandle());
    EXPECT_NE(gun->GetPrimaryMuzzleHandle(), gun->GetSecondaryMuzzleHandle());
    EXPECT_NE(0, gun->GetFireSample().GetSample());
    EXPECT_EQ(22050, gun->GetFireSample().GetFreq());
    EXPECT_NE(0, gun->GetWindDownSample().GetSample());
    EXPECT_EQ(2, gun->GetNumOfSons());
    EXPECT_NE(nullptr, NOD_Gun_Part::DynamicCast(gun->Find(SIM_Path("barrel2"))));

    const MAT_Matrix34& rest = gun->GetRestFrame();
    EXPECT_VEC_NEAR(MAT_Vector3(0.5f, 3.0f, -1.0f), rest.t, 0.0f);
    EXPECT_VEC_NEAR(MAT_Vector3(-1.0f, 0.0f, 0.0f), rest.r.GetY(), 1e-6f);
    EXPECT_VEC_NEAR(rest.t, gun->GetCS().GetTrack().GetAt(Now(), nullptr)->t, 0.0f);
    EXPECT_EQ(NOD_Gun::STATE_IDLE, gun->GetState());
    EXPECT_EQ(BRISEL_BUCKET_GUNS, gun->GetRenderBucket());
    EXPECT_EQ(-1.0f, gun->GetRange());
    EXPECT_EQ(1, gun->CanCycle());
    EXPECT_EQ(0.1f, gun->GetFloatValue());

    // Sounds and muzzle meshes may be left out.
    NOD_Gun* plain = ReadGun("NOD_Gun", TOOL_GunText(QuietGun()));
    EXPECT_EQ(0, plain->GetPrimaryMuzzleHandle());
    EXPECT_EQ(0, plain->GetSecondaryMuzzleHandle());
    EXPECT_EQ(0, plain->GetFireSample().GetSample());
    EXPECT_EQ(0, plain->GetWindDownSample().GetSample());
    delete plain;
}

TEST_F(GunTest, BrokenDescriptionsStopUnderTheCaptionEveryGunReports)
{
    const char* const file = "vfx\\gun.osd";
    const struct
    {
        const char* section;
        const char* key;
        const char* mistyped;
        const char* caption;
        std::string message;
    } cases[] = {
        {"Visual", "", "", "DES FILE ERROR",
         std::string("(NOD_Gun_VendettaGatlin::ParseIniFile()): Get [\"Visual\"] in file \"") + file + "\" failed"},
        {"Sound", "", "", "DES FILE ERROR",
         std::string("(NOD_Gun_VendettaGatlin::ParseIniFile()): Get [\"Sound\"] in file \"") + file + "\" failed"},
        {"Muzzle", "", "", "DES FILE ERROR",
         std::string("(NOD_Gun_VendettaGatlin::ParseIniFile()): Get [\"Muzzle\"] in file \"") + file + "\" failed"},
        {"", "NameMesh", "", "DesFile Error", std::string("data \"NameMesh\" not found in file \"") + file + "\""},
        {"", "Rotation2", "", "DesFile Error", std::string("data \"Rotation2\" not found in file \"") + file + "\""},
        {"", "", "PrimaryMesh", "DesFile Error",
         std::string("data \"PrimaryMesh\" in file \"") + file + "\" has wrong type"},
        {"", "", "SecondaryMesh", "DesFile Error",
         std::string("data \"SecondaryMesh\" in file \"") + file + "\" has wrong type"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message);
        TOOL_Gun description = TOOL_WeaponGun("flak");
        description.omitSection = c.section;
        description.omitKey = c.key;
        description.mistypedKey = c.mistyped;
        EXPECT_FATAL(ReadGun("NOD_Gun_Flak", TOOL_GunText(description)), c.caption, c.message.c_str());
    }
    EXPECT_EQ(0, m_cache->GetRenderMeshCache()->GetCount());
}

// Activated at 0 and deactivated later: the state after each step, and the target each step's
// smoothed frame moved towards (the stowed frame is 2 lower, 0.5 back and tilted 45 degrees
// down; the working one is the description's).
TEST_F(GunTest, TheStatesFollowTheirTimesAndTheFrameSwingsByTheSmoothingShare)
{
    NOD_Gun* gun = ReadGun("NOD_Gun", TOOL_GunText(QuietGun()));
    m_owner->AddSon(gun);
    delete gun->ProcessMessage(NOD_Node_EnterSimulation::Create());
    gun->Activate();
    EXPECT_EQ(NOD_Gun::STATE_ACTIVATING, gun->GetState());
    EXPECT_EQ(0.0f, gun->GetStateTime());

    const struct
    {
        s32 step;
        s32 state;  // after the step
        bool stowed;
    } rows[] = {
        {0, 1, true},  {1, 1, true},  {2, 1, true},
        {3, 1, true},  {4, 1, true},  // t = 0.2 still swings to the stowed frame
        {5, 1, false}, {6, 1, false}, {7, 1, false},
        {8, 2, false},                 // t = 0.4: active from this step on, its target still the activating one
        {9, 2, false}, {10, 3, true},  // deactivated before this step
        {11, 3, true}, {12, 3, true}, {13, 3, true},
        {14, 0, true},  // 0.2 s after the deactivation
        {15, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.step);
        if (row.step == 10)
            gun->Deactivate();
        const f32 t = Now();
        const MAT_Matrix34 before = *gun->GetCS().GetTrack().GetAt(t, nullptr);
        Step(gun);
        const MAT_Matrix34 after = *gun->GetCS().GetTrack().GetAt(t + SIM_STEP, nullptr);
        EXPECT_EQ(row.state, gun->GetState());
        // The first step goes 0.4286 of the way from the working frame to the stowed one.
        if (row.step == 0) {
            EXPECT_NEAR(3.0f - 2.0f * 0.4286f, after.t.y, 1e-4f);
        }
        // Every element moves the same share of its way to the target.
        const f32 targetY = before.t.y + (after.t.y - before.t.y) / SWING_SHARE;
        const f32 targetZ = before.t.z + (after.t.z - before.t.z) / SWING_SHARE;
        EXPECT_NEAR(row.stowed ? 1.0f : 3.0f, targetY, 1e-4f);
        EXPECT_NEAR(row.stowed ? -1.5f : -1.0f, targetZ, 1e-4f);
        // The axes are read back re-orthonormalised, so only their direction of travel shows.
        if (row.stowed)
            EXPECT_LT(after.r.m[5], before.r.m[5] + 1e-6f);
        else
            EXPECT_GT(after.r.m[5], before.r.m[5] - 1e-6f);
    }
}

TEST_F(GunTest, ActivatedAndAtOnceDeactivatedTheGunStaysStowedAndIsIdleAfterAFifthOfASecond)
{
    NOD_Gun* gun = ReadGun("NOD_Gun", TOOL_GunText(QuietGun()));
    m_owner->AddSon(gun);
    delete gun->ProcessMessage(NOD_Node_EnterSimulation::Create());
    Wait(3);
    gun->Activate();
    gun->Deactivate();
    EXPECT_EQ(NOD_Gun::STATE_DEACTIVATING, gun->GetState());
    const std::vector<s32> expected = {3, 3, 3, 3, 0, 0};
    std::vector<s32> states;
    for (size_t i = 0; i < expected.size(); ++i) {
        Step(gun);
        states.push_back(gun->GetState());
    }
    EXPECT_EQ(expected, states);
    // It never swung out: it settles in the stowed frame, 2 below the working height, 0.5 back,
    // tilted 45 degrees down.
    Step(gun, 10);
    const MAT_Matrix34* frame = gun->GetCS().GetTrack().GetAt(Now(), nullptr);
    EXPECT_NEAR(1.0f, frame->t.y, 0.01f);
    EXPECT_NEAR(-1.5f, frame->t.z, 0.01f);
    EXPECT_NEAR(-0.70710678f, frame->r.m[5], 0.01f);
}

TEST_F(GunTest, FireSwitchesNeedAnOwnerAndExcludeEachOther)
{
    NOD_Gun* gun = AddGun("sizzler");
    NOD_Gun* ownerless = AddGun("flak");
    ownerless->SetOwner(nullptr);
    const struct
    {
        const char* what;
        NOD_Gun* gun;
        const char* calls;  // p/P primary on/off, s/S secondary on/off
        u32 primary;
        u32 secondary;
    } cases[] = {
        {"primary", gun, "p", 1, 0},
        {"secondary", gun, "s", 0, 1},
        {"primary refused while secondary is on", gun, "sp", 0, 1},
        {"secondary refused while primary is on", gun, "ps", 1, 0},
        {"off for a mode that is not on", gun, "pS", 1, 0},
        {"on, off, the other on", gun, "pPs", 0, 1},
        {"no owner: nothing changes", ownerless, "ps", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        c.gun->PrimaryFireOff();
        c.gun->SecondaryFireOff();
        for (const char* call = c.calls; *call != 0; ++call) {
            switch (*call) {
            case 'p':
                c.gun->PrimaryFireOn();
                break;
            case 'P':
                c.gun->PrimaryFireOff();
                break;
            case 's':
                c.gun->SecondaryFireOn();
                break;
            case 'S':
                c.gun->SecondaryFireOff();
                break;
            }
        }
        EXPECT_EQ(c.primary, c.gun->IsPrimaryOn());
        EXPECT_EQ(c.secondary, c.gun->IsSecondaryOn());
    }
    // Fire does not wait for the gun to be out: a stowed gun shoots.
    gun->SecondaryFireOff();
    gun->PrimaryFireOn();
    EXPECT_EQ(NOD_Gun::STATE_IDLE, gun->GetState());
    Step(gun);
    EXPECT_EQ(0.0f, gun->GetLastShotTime());
    // Activate turns both modes off; Deactivate stops the one that is on.
    gun->Activate();
    EXPECT_EQ(0u, gun->IsPrimaryOn());
    gun->SecondaryFireOn();
    gun->Deactivate();
    EXPECT_EQ(0u, gun->IsSecondaryOn());
}

TEST_F(GunTest, MuzzleFlashesShowForOneStepAfterAShotAndNeverBeforeTheFirst)
{
    NOD_Gun* gun = AddGun("sizzler");
    NOD_GunDraw draws[NOD_Gun::MUZZLE_DRAWS];
    // Entered at time 0 and never fired: nothing at any time of its first frames.
    for (f32 time : {0.0f, 0.01f, 0.04f})
        EXPECT_EQ(0, gun->GetMuzzleDraws(time, draws)) << time;

    Wait(4);
    const f32 shot = Now();
    gun->PrimaryFireOn();
    Step(gun);
    ASSERT_EQ(shot, gun->GetLastShotTime());
    const struct
    {
        f32 after;
        s32 draws;
    } window[] = {{0.0f, 2}, {0.025f, 2}, {0.0499f, 2}, {0.05f, 0}, {0.2f, 0}};
    for (const auto& w : window)
        EXPECT_EQ(w.draws, gun->GetMuzzleDraws(shot + w.after, draws)) << w.after;

    // The secondary flash is the primary one turned about its second axis by one fresh draw.
    CRT_SRand(77);
    const s32 first = CRT_Rand();
    const s32 second = CRT_Rand();
    CRT_SRand(77);
    ASSERT_EQ(2, gun->GetMuzzleDraws(shot, draws));
    EXPECT_EQ(second, CRT_Rand()) << "one draw per frame";
    EXPECT_EQ(gun->GetPrimaryMuzzleHandle(), draws[0].mesh);
    EXPECT_EQ(gun->GetSecondaryMuzzleHandle(), draws[1].mesh);
    const MAT_Matrix34& world = *gun->GetWorldTransform(shot);
    EXPECT_VEC_NEAR(world.t, draws[0].world.t, 0.0f);
    EXPECT_VEC_NEAR(world.r.GetY(), draws[1].world.r.GetY(), 1e-6f);
    const f32 angle = (f32)first * 3.0518509e-5f;
    const MAT_Vector3 x = world.r.GetX();
    const MAT_Vector3 z = world.r.GetZ();
    EXPECT_VEC_NEAR(x * std::cos(angle) - z * std::sin(angle), draws[1].world.r.GetX(), 1e-5f);

    // A gun without muzzle meshes draws no flash after its shots.
    TOOL_Gun bare = TOOL_WeaponGun("sizzler");
    bare.primaryMesh = bare.secondaryMesh = "";
    NOD_Gun* plain = ReadGun("NOD_Gun_Sizzler", TOOL_GunText(bare));
    plain->SetOwner(m_owner);
    m_owner->AddSon(plain);
    delete plain->ProcessMessage(NOD_Node_EnterSimulation::Create());
    plain->PrimaryFireOn();
    Step(plain);
    EXPECT_EQ(Now() - SIM_STEP, plain->GetLastShotTime());
    EXPECT_EQ(0, plain->GetMuzzleDraws(plain->GetLastShotTime(), draws));
}

TEST_F(GunTest, LeavingStopsTheGunWhereItIsAndTakesItsSonsAlong)
{
    NOD_Gun* gun = AddGun("flak");
    gun->Activate();
    Step(gun, 3);
    const f32 y = gun->GetCS().GetTrack().GetAt(Now(), nullptr)->t.y;
    delete gun->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_FALSE(gun->IsInSimulation());
    EXPECT_FALSE(gun->GetSon(0)->IsInSimulation());
    for (f32 later : {0.0f, 0.05f, 5.0f})
        EXPECT_NEAR(y, gun->GetCS().GetTrack().GetAt(Now() + later, nullptr)->t.y, 1e-6f) << later;
    // Out of the simulation the step does nothing.
    Step(gun);
    EXPECT_EQ(NOD_Gun::STATE_ACTIVATING, gun->GetState());
    // Entering again starts idle, unfired, with the father's frame linked.
    delete gun->ProcessMessage(NOD_Node_EnterSimulation::Create());
    EXPECT_EQ(NOD_Gun::STATE_IDLE, gun->GetState());
    EXPECT_EQ(NOD_Gun::NEVER_SHOT, gun->GetLastShotTime());
    EXPECT_EQ(m_owner->GetMountFrame(), gun->GetCS().GetParent());
    EXPECT_TRUE(gun->GetSon(0)->IsInSimulation());
}

TEST_F(GunTest, TheBoxIsTheMeshBoxPlacedByTheWorldFrame)
{
    const struct
    {
        const char* what;
        bool mesh;
        f32 turn;  // degrees about the third axis
        f32 box[6];
    } cases[] = {
        // The set's gun mesh is 0.6 x 2 x 0.5 around its origin; the gun stands at (0, 3, -1).
        {"mesh", true, 0.0f, {-0.3f, 2.0f, -1.25f, 0.3f, 4.0f, -0.75f}},
        {"mesh turned a quarter", true, 90.0f, {-1.0f, 2.7f, -1.25f, 1.0f, 3.3f, -0.75f}},
        {"no mesh: the unit box", false, 0.0f, {-0.5f, -0.5f, -0.5f, 0.5f, 0.5f, 0.5f}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        NOD_Gun* gun = nullptr;
        if (c.mesh) {
            TOOL_Gun description = QuietGun();
            description.rotation[0][2] = c.turn;
            gun = ReadGun("NOD_Gun", TOOL_GunText(description));
        } else {
            gun = NOD_Gun::DynamicCast(NOD_Node::CreateNode("NOD_Gun", "gun"));
        }
        f32 box[6];
        gun->GetBoundingBox(box, Now());
        for (s32 i = 0; i < 6; ++i)
            EXPECT_NEAR(c.box[i], box[i], 1e-5f) << i;
        delete gun;
    }
}

// The permanent bodies of a renderer: the gun is listed exactly while the camera looks from
// its father and it is not idle.
class GunVisibilityTest : public GunTest
{
protected:
    void SetUp() override
    {
        GunTest::SetUp();
        TST_WriteRendererData(m_dir);
        m_renderer = new Brisel_Renderer();
        m_other = NOD_Body::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Body", "other")));
    }
    void TearDown() override
    {
        delete m_root;
        m_root = nullptr;
        EXPECT_EQ(0, m_renderer->GetPermanentBodyCount()) << "a dead gun stayed listed";
        delete m_renderer;
        GunTest::TearDown();
    }
    s32 Listed() const { return m_renderer->GetPermanentBodyCount(); }

    Brisel_Renderer* m_renderer = nullptr;
    NOD_Body* m_other = nullptr;
};

TEST_F(GunVisibilityTest, ListedOnlyInTheFirstPersonViewWhileNotIdle)
{
    const struct
    {
        const char* what;
        const char* lookFrom;  // null: the camera stands still
        bool activate;
        s32 listed;
    } cases[] = {
        {"looking from the father, activated", "/player1", true, 1},
        {"looking from the father, idle", "/player1", false, 0},
        {"looking from another body", "/other", true, 0},
        {"camera standing still", nullptr, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // A fresh camera for each case, standing still until told to look.
        delete m_camera;
        m_camera = NOD_Camera::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Camera", "camera")));
        NOD_Gun* gun = AddGun("smartbomb");
        if (c.lookFrom != nullptr)
            delete m_camera->ProcessMessage(NOD_Camera_LookFrom::Create(SIM_Path(c.lookFrom)));
        if (c.activate)
            gun->Activate();
        Step(gun);
        EXPECT_EQ(c.listed, Listed());
        EXPECT_EQ((u32)c.listed, gun->IsVisible());
        if (c.listed == 1) {
            EXPECT_EQ(gun, static_cast<NOD_Gun*>(m_renderer->GetPermanentBody(0)));
        }
        delete gun;
        EXPECT_EQ(0, Listed());
    }
}

TEST_F(GunVisibilityTest, AnIdleGunIsUnlistedAtItsNextStepAndLeavingUnlistsIt)
{
    LookFromOwner();
    NOD_Gun* gun = AddGun("vendetta1");
    gun->Activate();
    Step(gun);
    ASSERT_EQ(1, Listed());
    gun->Deactivate();
    std::vector<s32> listed;
    for (s32 i = 0; i < 6; ++i) {
        Step(gun);
        listed.push_back(Listed());
    }
    // Idle from the fifth step (0.2 s), unlisted in the step after.
    EXPECT_EQ((std::vector<s32>{1, 1, 1, 1, 1, 0}), listed);
    gun->Activate();
    Step(gun);
    ASSERT_EQ(1, Listed());
    delete gun->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_EQ(0, Listed());
    EXPECT_EQ(0u, gun->IsVisible());
}

}  // namespace
