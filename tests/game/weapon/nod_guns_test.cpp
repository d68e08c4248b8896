// The eleven gun classes: their parts, their shot steps, recoil, barrel kicks, revolvers, the
// spread's draws, the head-up display's zoom and the classes that never step.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "crt_rand.h"
#include "gun_fixture.h"
#include "mot_friction.h"
#include "nod_hud.h"

namespace
{

constexpr f32 THIRD_TURN = 2.0943952f;

class GunClassTest : public GunTest
{
protected:
    static void FireOn(NOD_Gun* _gun, bool _secondary)
    {
        if (_secondary)
            _gun->SecondaryFireOn();
        else
            _gun->PrimaryFireOn();
    }
    std::string Log() const { return m_dir.Exists("log.txt") ? m_dir.Read("log.txt") : std::string(); }
    // The steps of _count in which the gun shot, with the mode switched on before the first.
    std::vector<s32> ShotSteps(NOD_Gun* _gun, bool _secondary, s32 _count)
    {
        FireOn(_gun, _secondary);
        std::vector<s32> steps;
        for (s32 i = 0; i < _count; ++i) {
            const f32 t = Now();
            Step(_gun);
            if (_gun->GetLastShotTime() == t)
                steps.push_back(i);
        }
        return steps;
    }
    NOD_Hud* AddHud() { return NOD_Hud::DynamicCast(m_root->AddSon(NOD_Node::CreateNode("NOD_Hud", "hud"))); }
};

TEST_F(GunClassTest, EveryWeaponOfTheSetFindsItsParts)
{
    const struct
    {
        const char* weapon;
        std::function<std::vector<NOD_Gun_Part*>(NOD_Gun*)> parts;
    } cases[] = {
        {"vendettagatlin",
         [](NOD_Gun* g) { return std::vector<NOD_Gun_Part*>{((NOD_Gun_VendettaGatlin*)g)->GetRevolver()}; }},
        {"vendetta1", [](NOD_Gun* g) { return std::vector<NOD_Gun_Part*>{((NOD_Gun_Vendetta*)g)->GetBarrel(0)}; }},
        {"vendetta2",
         [](NOD_Gun* g) {
             return std::vector<NOD_Gun_Part*>{((NOD_Gun_Vendetta*)g)->GetBarrel(0),
                                               ((NOD_Gun_Vendetta*)g)->GetBarrel(1)};
         }},
        {"smartbomb", [](NOD_Gun*) { return std::vector<NOD_Gun_Part*>{}; }},
        {"sizzler", [](NOD_Gun*) { return std::vector<NOD_Gun_Part*>{}; }},
        {"scalarhowitzer",
         [](NOD_Gun* g) { return std::vector<NOD_Gun_Part*>{((NOD_Gun_ScalarHowitzer*)g)->GetBarrel()}; }},
        {"plasmagatlin",
         [](NOD_Gun* g) {
             return std::vector<NOD_Gun_Part*>{((NOD_Gun_PlasmaGatlin*)g)->GetRevolver(),
                                               ((NOD_Gun_PlasmaGatlin*)g)->GetTank()};
         }},
        {"plasma1", [](NOD_Gun* g) { return std::vector<NOD_Gun_Part*>{((NOD_Gun_Plasma*)g)->GetTank()}; }},
        {"plasma2", [](NOD_Gun* g) { return std::vector<NOD_Gun_Part*>{((NOD_Gun_Plasma*)g)->GetTank()}; }},
        {"lasergatlin", [](NOD_Gun* g) { return std::vector<NOD_Gun_Part*>{((NOD_Gun_LaserGatlin*)g)->GetBarrel()}; }},
        {"flak", [](NOD_Gun* g) { return std::vector<NOD_Gun_Part*>{((NOD_Gun_Flak*)g)->GetBarrel()}; }},
        {"drugstore", [](NOD_Gun*) { return std::vector<NOD_Gun_Part*>{}; }},
        {"doommortar", [](NOD_Gun* g) { return std::vector<NOD_Gun_Part*>{((NOD_Gun_DoomMortar*)g)->GetHead()}; }},
    };
    ASSERT_EQ((size_t)TOOL_WEAPON_COUNT, sizeof(cases) / sizeof(cases[0]));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.weapon);
        NOD_Gun* gun = AddGun(c.weapon);
        const TOOL_Weapon* weapon = TOOL_FindWeapon(c.weapon);
        EXPECT_STREQ(weapon->className, gun->GetClassDefinition()->GetName());
        EXPECT_STREQ("NOD_Gun", gun->GetClassDefinition()->GetBaseDefinition()->GetName());
        const std::vector<std::string> names = TOOL_WeaponParts(c.weapon);
        const std::vector<NOD_Gun_Part*> parts = c.parts(gun);
        ASSERT_EQ(names.size(), parts.size());
        for (size_t i = 0; i < parts.size(); ++i) {
            EXPECT_NE(nullptr, parts[i]) << names[i];
            EXPECT_EQ(gun->Find(SIM_Path(names[i].c_str())), parts[i]) << names[i];
        }
        EXPECT_EQ(-1.0f, gun->GetRange()) << "no spawner, no range";
        delete gun;
    }
    EXPECT_EQ("", Log());
}

TEST_F(GunClassTest, MissingPartsAreFatalForTheRevolverAndTheFirstBarrelAndLoggedOtherwise)
{
    const struct
    {
        const char* weapon;
        const char* missing;
        const char* fatal;  // null: logged
        const char* text;
    } cases[] = {
        {"vendettagatlin", "revolver", "NOD_Gun_VendettaGatlin::ParseIniFile()",
         "NOD_Gun_VendettaGatlin::ParseIniFile(\"vfx\\gun.osd\") - revolver is missing"},
        {"vendetta2", "barrel1", "NOD_Gun_Vendetta::ParseIniFile()",
         "NOD_Gun_Vendetta::ParseIniFile(\"vfx\\gun.osd\") - barrel1 is missing"},
        {"vendetta2", "barrel2", nullptr, ""},
        {"scalarhowitzer", "barrel", nullptr,
         "NOD_Gun_ScalarHowitzer::ParseIniFile(\"vfx\\gun.osd\") - barrel is missing"},
        {"plasmagatlin", "revolver", nullptr,
         "NOD_Gun_PlasmaGatlin::ParseIniFile(\"vfx\\gun.osd\") - revolver is missing"},
        {"plasmagatlin", "tank", nullptr, "NOD_Gun_PlasmaGatlin::ParseIniFile(\"vfx\\gun.osd\") - tank is missing"},
        {"plasma1", "tank", nullptr, "NOD_Gun_Plasma::ParseIniFile(\"vfx\\gun.osd\") - tank is missing"},
        {"lasergatlin", "barrel", nullptr, "NOD_Gun_LaserGatlin::ParseIniFile(\"vfx\\gun.osd\") - barrel is missing"},
        {"flak", "barrel", nullptr, "NOD_Gun_Flak::ParseIniFile(\"vfx\\gun.osd\") - barrel is missing"},
        {"doommortar", "head", nullptr, "NOD_Gun_DoomMortar::ParseIniFile(\"vfx\\gun.osd\") - head is missing"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.weapon) + " without " + c.missing);
        TOOL_Gun description = TOOL_WeaponGun(c.weapon);
        std::vector<TOOL_ChildSection> kept;
        for (const TOOL_ChildSection& child : description.children)
            if (child.nameSON != c.missing)
                kept.push_back(child);
        ASSERT_EQ(description.children.size() - 1, kept.size());
        description.children = kept;
        const std::string text = TOOL_GunText(description);
        const char* className = TOOL_FindWeapon(c.weapon)->className;
        if (c.fatal != nullptr) {
            EXPECT_FATAL(ReadGun(className, text), c.fatal, c.text);
            continue;
        }
        const std::string before = Log();
        NOD_Gun* gun = ReadGun(className, text);
        const std::string logged = Log().substr(before.size());
        EXPECT_EQ(c.text[0] == 0 ? std::string() : std::string(c.text) + "\n", logged);
        // The gun works without the part.
        gun->SetOwner(m_owner);
        m_owner->AddSon(gun);
        delete gun->ProcessMessage(NOD_Node_EnterSimulation::Create());
        gun->Activate();
        gun->PrimaryFireOn();
        Step(gun, 12);
        delete gun;
    }
}

TEST_F(GunClassTest, RevolversAndTanksAreSetUpToRollAndOtherPartsLeftAsTheyWereRead)
{
    const struct
    {
        const char* weapon;
        const char* part;
        u32 flags;
        u32 damping;
        f32 coefficient;
        u32 integrate;
    } cases[] = {
        {"vendettagatlin", "revolver", 0x58, MOT_Friction::ROLL, 0.1f, 0},
        {"plasmagatlin", "revolver", 0x58, MOT_Friction::ROLL, 0.1f, 1},
        {"plasmagatlin", "tank", 0x58, MOT_Friction::ROLL, 0.25f, 1},
        {"plasma2", "tank", 0x58, MOT_Friction::ROLL, 0.25f, 1},
        {"flak", "barrel", 0, 0, 1.0f, 1},
        {"vendetta2", "barrel2", 0, 0, 1.0f, 1},
        {"doommortar", "head", 0, 0, 1.0f, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.weapon) + " " + c.part);
        NOD_Gun* gun = AddGun(c.weapon);
        NOD_Gun_Part* part = NOD_Gun_Part::DynamicCast(gun->Find(SIM_Path(c.part)));
        ASSERT_NE(nullptr, part);
        EXPECT_EQ(c.flags, part->GetState().flags);
        EXPECT_EQ(c.damping, part->GetDamping().flags);
        EXPECT_EQ(c.coefficient, part->GetDamping().c[8]);
        EXPECT_EQ(c.integrate, part->GetIntegrate());
        delete gun;
    }
}

TEST_F(GunClassTest, EachClassShootsAtItsOwnStepsFromTheStepItsModeStarts)
{
    const std::vector<s32> everySecond = {0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22};
    const std::vector<s32> everyFourth = {0, 4, 8, 12, 16, 20};
    const std::vector<s32> everyTenth = {0, 10, 20};
    // 0.08 s apart: in the steps its shot time falls in, twice in a row at times, never twice
    // in one step.
    const std::vector<s32> plasma = {0, 2, 3, 5, 6, 8, 10, 11, 13, 14, 16, 18, 19, 21, 22};
    const struct
    {
        const char* weapon;
        bool secondary;
        std::vector<s32> steps;
    } cases[] = {
        {"vendettagatlin", false, everySecond},
        {"vendettagatlin", true, everyFourth},
        {"vendetta1", false, everyTenth},
        {"vendetta2", false, everyTenth},
        {"sizzler", false, everyTenth},
        {"flak", false, everyTenth},
        {"plasmagatlin", false, plasma},
        {"sizzler", true, {}},
        {"plasmagatlin", true, {}},
        {"smartbomb", false, {}},
        {"drugstore", false, {}},
        {"doommortar", false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.weapon) + (c.secondary ? " secondary" : " primary"));
        SIM_GetSimulationClock().SetTime(0.0f);
        NOD_Gun* gun = AddGun(c.weapon);
        gun->Activate();
        EXPECT_EQ(c.steps, ShotSteps(gun, c.secondary, 24));
        delete gun;
    }
}

TEST_F(GunClassTest, AShotTimeThatFellBehindIsNeverReachedUntilTheModeRestarts)
{
    NOD_Gun* gun = AddGun("sizzler");
    gun->PrimaryFireOn();
    // The mode started, but the gun was not stepped while its first shot time passed.
    Wait(2);
    EXPECT_EQ(std::vector<s32>{}, ShotSteps(gun, false, 30));
    gun->PrimaryFireOff();
    EXPECT_EQ(std::vector<s32>{0}, ShotSteps(gun, false, 5));
}

TEST_F(GunClassTest, RecoilIsSetByTheShotAndSmoothedBackOnTheForwardAxis)
{
    const struct
    {
        const char* weapon;
        f32 recoil;
        f32 tau;
    } cases[] = {
        {"vendettagatlin", -0.15f, 0.02f}, {"vendetta1", -0.55f, 0.02f},     {"sizzler", -0.55f, 0.02f},
        {"flak", -0.55f, 0.02f},           {"plasmagatlin", -0.35f, 0.025f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.weapon);
        NOD_Gun* gun = AddGun(c.weapon);
        gun->Activate();
        gun->PrimaryFireOn();
        Step(gun);
        gun->PrimaryFireOff();
        const f32 keep = 1.0f - 0.05f / (c.tau + 0.05f);
        f32 expected = c.recoil * keep;
        for (s32 i = 0; i < 4; ++i) {
            EXPECT_NEAR(expected, gun->GetAnimationOffset().t.y, 1e-6f) << i;
            EXPECT_EQ(0.0f, gun->GetAnimationOffset().t.x);
            Step(gun);
            expected *= keep;
        }
        delete gun;
    }
}

TEST_F(GunClassTest, BarrelKicksRiseAndFadeWithinFourTenthsOfASecond)
{
    const struct
    {
        f32 d;
        f32 kick;
        f32 tolerance;
    } cases[] = {
        {0.0f, 0.0f, 0.0f},
        {0.05f, -0.174f, 1e-3f},
        {0.1f, -0.186f, 1e-3f},
        {0.25f, -0.056f, 1e-3f},
        {0.4f, -0.0059f, 1e-4f},
        {0.40001f, 0.0f, 0.0f},
        {2.0f, 0.0f, 0.0f},
        // Since the shot of a barrel that never fired.
        {0.0f - NOD_Gun::NEVER_SHOT, 0.0f, 0.0f},
    };
    for (const auto& c : cases)
        EXPECT_NEAR(c.kick, NOD_Gun::BarrelKick(c.d), c.tolerance) << c.d;
    for (const auto& c : cases) {
        if (c.d > 0.0f && c.d <= 0.4f) {
            EXPECT_LT(NOD_Gun::BarrelKick(c.d), 0.0f) << c.d;
        }
    }
}

TEST_F(GunClassTest, TwinBarrelsKickInTurnASingleBarrelEveryShot)
{
    const struct
    {
        const char* weapon;
        std::vector<s32> barrels;  // the barrel each of three shots kicked
    } cases[] = {
        {"vendetta2", {0, 1, 0}},
        {"vendetta1", {0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.weapon);
        SIM_GetSimulationClock().SetTime(0.0f);
        NOD_Gun_Vendetta* gun = static_cast<NOD_Gun_Vendetta*>(AddGun(c.weapon));
        gun->Activate();
        gun->PrimaryFireOn();
        for (s32 shot = 0; shot < 3; ++shot) {
            const f32 t = Now();
            Step(gun);
            const s32 kicked = c.barrels[(size_t)shot];
            EXPECT_EQ(t, gun->GetBarrelShotTime(kicked)) << shot;
            Step(gun, 2);
            // Two steps on, the barrel that fired is back by about 0.186, the other one is not.
            EXPECT_NEAR(-0.186f, gun->GetBarrel(kicked)->GetFrame().t.y, 1e-3f) << shot;
            if (NOD_Gun_Part* other = gun->GetBarrel(1 - kicked)) {
                EXPECT_EQ(0.0f, other->GetFrame().t.y) << shot;
            }
            Step(gun, 7);
        }
        delete gun;
    }
}

// Barrels that never fired stand still from the start of the scene: their last shot lies
// further back than any kick reaches.
TEST_F(GunClassTest, UnfiredBarrelsDoNotKickAtTheStartOfTheScene)
{
    for (const char* weapon : {"vendetta2", "flak"}) {
        SCOPED_TRACE(weapon);
        SIM_GetSimulationClock().SetTime(0.0f);
        NOD_Gun* gun = AddGun(weapon);
        gun->Activate();
        NOD_GunDraw draws[NOD_Gun::MUZZLE_DRAWS];
        for (s32 i = 0; i < 10; ++i) {
            Step(gun);
            for (s32 k = 0; k < gun->GetNumOfSons(); ++k)
                EXPECT_EQ(0.0f, NOD_Gun_Part::DynamicCast(gun->GetSon(k))->GetFrame().t.y) << i;
            EXPECT_EQ(0, gun->GetMuzzleDraws(Now(), draws)) << i;
        }
        delete gun;
    }
}

TEST_F(GunClassTest, TheGatlingRevolverTurnsAThirdForwardPerPrimaryAndBackPerSecondaryShot)
{
    NOD_Gun_VendettaGatlin* gun = static_cast<NOD_Gun_VendettaGatlin*>(AddGun("vendettagatlin"));
    NOD_Gun_Part* revolver = gun->GetRevolver();
    ASSERT_NE(nullptr, revolver);
    const MAT_Vector3 place = revolver->GetFrame().t;
    gun->Activate();
    const struct
    {
        bool secondary;
        f32 target;
    } shots[] = {{false, THIRD_TURN}, {false, -THIRD_TURN}, {true, THIRD_TURN}, {true, 0.0f}, {true, -THIRD_TURN}};
    for (const auto& shot : shots) {
        SCOPED_TRACE(shot.target);
        FireOn(gun, shot.secondary);
        Step(gun);
        gun->PrimaryFireOff();
        gun->SecondaryFireOff();
        EXPECT_NEAR(shot.target, gun->GetRevolverTarget().Get(), 1e-5f);
        // Within a few steps the revolver rolls there, by the shorter way, and stays in place.
        Step(gun, 4);
        const f32 roll = revolver->GetState().rotation[MOT_MotionState::ROLL].angle.Get();
        EXPECT_NEAR(0.0f, MAT_WrapAngle(roll - shot.target), 0.02f);
        EXPECT_VEC_NEAR(place, revolver->GetFrame().t, 0.0f);
        EXPECT_NEAR(std::cos(roll), revolver->GetFrame().r.m[0], 1e-5f);
    }
}

TEST_F(GunClassTest, TheGatlingSpreadDrawsTwiceAShotAndLeavesTheMuzzleFrameAlone)
{
    const struct
    {
        const char* weapon;
        bool secondary;
        s32 draws;
    } cases[] = {
        {"vendettagatlin", false, 2},
        {"vendettagatlin", true, 2},
        {"plasmagatlin", false, 0},
        {"sizzler", false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.weapon) + (c.secondary ? " secondary" : " primary"));
        NOD_Gun* gun = AddGun(c.weapon);
        const MAT_Matrix34 muzzle = gun->GetMuzzleFrame();
        CRT_SRand(5);
        std::vector<s32> stream;
        for (s32 i = 0; i < 4; ++i)
            stream.push_back(CRT_Rand());
        CRT_SRand(5);
        FireOn(gun, c.secondary);
        const f32 t = Now();
        Step(gun);
        ASSERT_EQ(t, gun->GetLastShotTime());
        EXPECT_EQ(stream[(size_t)c.draws], CRT_Rand());
        EXPECT_VEC_NEAR(muzzle.t, gun->GetMuzzleFrame().t, 0.0f);
        delete gun;
    }
}

TEST_F(GunClassTest, PlasmaGatlinShotsSpinItsRevolverAndTank)
{
    NOD_Gun_PlasmaGatlin* gun = static_cast<NOD_Gun_PlasmaGatlin*>(AddGun("plasmagatlin"));
    MOT_MotionState& revolver = gun->GetRevolver()->GetState();
    MOT_MotionState& tank = gun->GetTank()->GetState();
    tank.rotation[MOT_MotionState::PITCH].rate = 1.0f;
    tank.rotation[MOT_MotionState::HEADING].rate = 1.0f;
    gun->PrimaryFireOn();
    // The gun sets the rates before its parts step; each part then damps and integrates them.
    Step(gun);
    EXPECT_EQ(0.0f, tank.rotation[MOT_MotionState::PITCH].rate);
    EXPECT_EQ(0.0f, tank.rotation[MOT_MotionState::HEADING].rate);
    const f32 revolverRate = revolver.rotation[MOT_MotionState::ROLL].rate;
    const f32 tankRate = tank.rotation[MOT_MotionState::ROLL].rate;
    EXPECT_GT(revolverRate, 0.0f);
    EXPECT_LT(revolverRate, 3.1415927f);
    EXPECT_LT(tankRate, 0.0f);
    EXPECT_GT(tankRate, -6.2831855f);
    EXPECT_GT(revolver.rotation[MOT_MotionState::ROLL].angle.Get(), 0.0f);
    EXPECT_LT(tank.rotation[MOT_MotionState::ROLL].angle.Get(), 0.0f);
    // The next shot adds half a turn a second to what is left of the revolver's rate.
    Step(gun);
    const f32 left = revolver.rotation[MOT_MotionState::ROLL].rate;
    Step(gun);
    EXPECT_GT(revolver.rotation[MOT_MotionState::ROLL].rate, left + 2.0f);
}

TEST_F(GunClassTest, FlakRollsThirtyDegreesAboutItsForwardAxisAndBack)
{
    NOD_Gun_Flak* gun = static_cast<NOD_Gun_Flak*>(AddGun("flak"));
    gun->PrimaryFireOn();
    Step(gun);
    gun->PrimaryFireOff();
    f32 roll = 0.5235988f;
    for (s32 i = 0; i < 4; ++i) {
        roll *= 0.5f;  // a time constant of one step goes half way
        EXPECT_NEAR(roll, gun->GetRoll().Get(), 1e-6f) << i;
        const MAT_Matrix33& axes = gun->GetAnimationOffset().r;
        EXPECT_VEC_NEAR(MAT_Vector3(0.0f, 1.0f, 0.0f), axes.GetY(), 1e-6f);
        EXPECT_VEC_NEAR(MAT_Vector3(std::cos(roll), 0.0f, -std::sin(roll)), axes.GetX(), 1e-5f);
        Step(gun);
    }
}

TEST_F(GunClassTest, SecondaryFireSwitchesTheZoomAndDeactivationTurnsItOff)
{
    const struct
    {
        const char* weapon;
        bool toggles;
        bool offWhenDeactivated;
    } cases[] = {
        {"vendetta1", true, true},     {"sizzler", true, true},          {"flak", true, true},
        {"plasmagatlin", true, false}, {"vendettagatlin", false, false},
    };
    NOD_Hud* hud = AddHud();
    ASSERT_NE(nullptr, hud);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.weapon);
        hud->ZoomOff();
        NOD_Gun* gun = AddGun(c.weapon);
        gun->Activate();
        gun->SecondaryFireOn();
        EXPECT_EQ(c.toggles, hud->IsZoomOn() != 0);
        gun->SecondaryFireOff();
        EXPECT_EQ(c.toggles, hud->IsZoomOn() != 0) << "releasing changes nothing";
        // While the zoom's fire command is held, primary fire is refused.
        gun->SecondaryFireOn();
        gun->PrimaryFireOn();
        EXPECT_EQ(0u, gun->IsPrimaryOn());
        EXPECT_EQ(0u, hud->IsZoomOn()) << "the second press switches back";
        gun->SecondaryFireOff();
        gun->SecondaryFireOn();
        gun->SecondaryFireOff();
        gun->Deactivate();
        EXPECT_EQ(c.toggles && !c.offWhenDeactivated, hud->IsZoomOn() != 0);
        delete gun;
    }
    // Without a head-up display the switch does nothing.
    delete hud;
    NOD_Gun* gun = AddGun("sizzler");
    gun->SecondaryFireOn();
    gun->Deactivate();
    EXPECT_EQ(0u, gun->IsSecondaryOn());
}

TEST_F(GunClassTest, GunsWithAnEmptyStepTakeCommandsButNeverMoveShowOrShoot)
{
    LookFromOwner();
    for (const char* weapon : {"scalarhowitzer", "plasma1", "lasergatlin", "drugstore", "doommortar", "smartbomb"}) {
        SCOPED_TRACE(weapon);
        const bool shows = std::string(weapon) == "smartbomb";
        NOD_Gun* gun = AddGun(weapon);
        const MAT_Matrix34 rest = gun->GetRestFrame();
        gun->Activate();
        gun->PrimaryFireOn();
        EXPECT_EQ(1u, gun->IsPrimaryOn());
        Step(gun, 20);
        EXPECT_EQ(NOD_Gun::STATE_ACTIVATING, gun->GetState());
        EXPECT_EQ(NOD_Gun::NEVER_SHOT, gun->GetLastShotTime());
        EXPECT_EQ(shows ? 1u : 0u, gun->IsVisible());
        // The gun stands at its description's frame; its parts are not stepped either.
        EXPECT_VEC_NEAR(rest.t, gun->GetCS().GetTrack().GetAt(Now(), nullptr)->t, 0.0f);
        for (s32 k = 0; k < gun->GetNumOfSons(); ++k) {
            NOD_Gun_Part* part = NOD_Gun_Part::DynamicCast(gun->GetSon(k));
            EXPECT_VEC_NEAR(part->GetFrame().t, part->GetTrack().GetAt(Now(), nullptr)->t, 0.0f);
        }
        delete gun;
    }
}

}  // namespace
