// Lights, halos, cones and lens flares: their descriptions and colour bytes, the light's cone
// message, the boxes they keep with the collision world under a moving body, the halo's two
// billboards (reference spheres, the near limit, facing, behind the eye) and a frame that
// shows them, and the flares' planes and shared quad.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "contactaggregate.h"
#include "mat_angle.h"
#include "mover_fixture.h"
#include "nod_flare.h"
#include "nod_halo.h"
#include "nod_light.h"
#include "pcs_visibleobject.h"
#include "run_world_fixture.h"
#include "test_dir.h"
#include "tools_lights.h"

namespace
{

constexpr f32 DEG = 0.017453292f;

// Where a billboard draw put its quad: the centre and half size in normalised device
// coordinates, the depth factor and the alpha.
struct Placed
{
    f32 x = 0.0f, y = 0.0f, halfWidth = 0.0f, w = 0.0f, alpha = 0.0f;
    explicit Placed(const TST_FakeDevice::Draw& _draw)
    {
        const auto& c = _draw.constants;
        w = c[4][3];
        x = c[2][3] / w;
        y = c[3][3] / w;
        halfWidth = c[2][0] / w;
        alpha = c[6][3] * 255.0f;
    }
};

class GlowTest : public testing::Test
{
protected:
    void SetUp() override { m_world.reset(new TST_RunWorld(m_dir)); }
    void TearDown() override
    {
        m_world.reset();
        // The shared quad goes with the last flare.
        EXPECT_EQ(0, NOD_Flare::GetLivingCount());
        EXPECT_EQ(nullptr, NOD_Flare::GetSharedQuad());
    }

    bool Logged(const std::string& _line) const { return m_dir.Read("log.txt").find(_line) != std::string::npos; }

    // A node of _class named "glow" read from _text; not linked anywhere.
    template <class T>
    T* Parse(const char* _class, const std::string& _text)
    {
        m_dir.Write("vfx/glow.osd", _text);
        T* node = T::DynamicCast(NOD_Node::CreateNode(_class, "glow"));
        node->ParseIniFile_File("glow.osd");
        return node;
    }
    // A moving body in the simulation as the root's last son.
    TST_Mover* Mover(const MAT_Vector3& _position, const MAT_Vector3& _velocity = MAT_Vector3())
    {
        TST_Mover* mover = new TST_Mover(_position, _velocity);
        m_world->root->AddSon(mover);
        delete mover->ProcessMessage(NOD_Node_EnterSimulation::Create());
        return mover;
    }
    // _node placed at _frame within _father and entered.
    static void Hang(NOD_Body* _node, NOD_Node* _father, const MAT_Matrix34& _frame = Frame(MAT_Vector3(), 0.0f))
    {
        _node->GetCS().SetTransform(SIM_GetSimulationClock().time, _frame);
        _father->AddSon(_node);
        delete _node->ProcessMessage(NOD_Node_EnterSimulation::Create());
    }
    static MAT_Matrix34 Frame(const MAT_Vector3& _position, f32 _headingDegrees = 0.0f)
    {
        MAT_Matrix34 frame;
        frame.r.FromAngles(MAT_Angle(_headingDegrees * DEG), MAT_Angle(0.0f), MAT_Angle(0.0f));
        frame.t = _position;
        return frame;
    }
    static MAT_Vector3 BoxCentre(const f32* _box)
    {
        return MAT_Vector3((_box[0] + _box[3]) * 0.5f, (_box[1] + _box[4]) * 0.5f, (_box[2] + _box[5]) * 0.5f);
    }

    TST_FakeDevice& Device() { return *m_world->fake.device; }
    // The draws of the halo's Render in the frame last drawn.
    std::vector<TST_FakeDevice::Draw> HaloDraws(NOD_Halo* _halo)
    {
        Device().draws.clear();
        _halo->Render();
        return Device().draws;
    }
    // Where a billboard of the halo's own size at _position is drawn in the last frame.
    Placed Reference(NOD_Halo* _halo, const MAT_Vector3& _position)
    {
        Device().draws.clear();
        m_world->renderer->RenderBillboard(_halo->GetTextureId(), _position, _halo->GetScaleX(), _halo->GetScaleY(),
                                           _halo->GetColor());
        EXPECT_EQ(1u, Device().draws.size());
        return Placed(Device().draws.back());
    }

    TST_TempDir m_dir;
    std::unique_ptr<TST_RunWorld> m_world;
};

// ---- light ----------------------------------------------------------------------------------

TEST_F(GlowTest, ALightReadsItsColourAndRangesAndLogsItsType)
{
    struct Case
    {
        const char* type;  // "" leaves "Type" out
        const char* logged;
    };
    const Case cases[] = {
        {"omni", nullptr},
        {"OmniFast", nullptr},
        {"CONE", nullptr},
        {"spot", "NOD_Light::ParseIniFile() light \"glow\" parsed wrong type \"spot\""},
        {"", "NOD_Light::ParseIniFile() light \"glow\" no type given"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        m_dir.Write("log.txt", "");
        TOOL_LightDescription description;
        description.type = c.type;
        std::unique_ptr<NOD_Light> light(Parse<NOD_Light>("NOD_Light", TOOL_LightDescriptionText(description)));
        EXPECT_EQ(0, light->GetLight().m_type);
        EXPECT_EQ(MAT_Vector3(1.0f, 0.9f, 0.8f), light->GetLight().m_color1);
        // (100, 200) gives the construction's fall-off: 1 at 100, 0 at 200.
        EXPECT_EQ(2.0f, light->GetFalloffConstant());
        EXPECT_EQ(-0.01f, light->GetFalloffSlope());
        EXPECT_EQ(MAT_Vector3(-0.01f, 0.0f, 0.0f), light->GetLight().m_vector);
        EXPECT_EQ(c.logged != nullptr, Logged("NOD_Light::ParseIniFile() light"));
        if (c.logged != nullptr) {
            EXPECT_TRUE(Logged(c.logged));
        }
    }
    std::unique_ptr<NOD_Light> fresh(new NOD_Light());
    EXPECT_EQ(2.0f, fresh->GetFalloffConstant());
    EXPECT_EQ(-0.01f, fresh->GetFalloffSlope());
    EXPECT_EQ(NOD_Body::RENDER_BUCKET_NONE, fresh->GetRenderBucket());
}

TEST_F(GlowTest, EqualRangesKeepTheFalloffAndBrokenLightsStop)
{
    TOOL_LightDescription description;
    description.range[0] = description.range[1] = 50.0f;
    std::unique_ptr<NOD_Light> light(Parse<NOD_Light>("NOD_Light", TOOL_LightDescriptionText(description)));
    EXPECT_EQ(2.0f, light->GetFalloffConstant());
    EXPECT_EQ(-0.01f, light->GetFalloffSlope());
    EXPECT_TRUE(Logged("light \"glow\" has equal ranges 50, fall-off kept"));

    struct Case
    {
        const char* omitSection;
        const char* omitKey;
        const char* caption;
        const char* text;
    };
    const Case cases[] = {
        {"Visual", "", "DES FILE ERROR",
         "(NOD_Light::ParseIniFile()): Get [\"Visual\"] in file \"vfx\\glow.osd\" failed"},
        {"", "RGB", "DesFile Error", "data \"RGB\" not found in file \"vfx\\glow.osd\""},
        {"", "Range", "DesFile Error", "data \"Range\" not found in file \"vfx\\glow.osd\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        TOOL_LightDescription broken;
        broken.omitSection = c.omitSection;
        broken.omitKey = c.omitKey;
        m_dir.Write("vfx/glow.osd", TOOL_LightDescriptionText(broken) + "[Info]\n{\n    Kind = 1\n}\n");
        std::unique_ptr<NOD_Light> node(new NOD_Light());
        EXPECT_FATAL(node->ParseIniFile_File("glow.osd"), c.caption, c.text);
    }
}

TEST_F(GlowTest, TheConeMessagePlacesTheLightAndSetsItsRangesTheOthersChangeNothing)
{
    TOOL_LightDescription description;
    description.children.push_back(TOOL_ChildSection());
    description.children[0].nameCLA = "NOD_Node";
    std::unique_ptr<NOD_Light> light(Parse<NOD_Light>("NOD_Light", TOOL_LightDescriptionText(description)));
    EXPECT_EQ(1, light->GetNumOfSons());
    for (NOD_Message* ignored : {NOD_Light_Switch::Create((u8)1), NOD_Light_SetR1::Create(5.0f),
                                 NOD_Light_SetR2::Create(6.0f), NOD_Light_SetMode::Create(SIM_Name("cone")),
                                 NOD_Light_SetColor::Create(MAT_Vector3(0, 0, 0), MAT_Vector3(0, 0, 0))})
        EXPECT_EQ(nullptr, light->ProcessMessage(ignored));
    EXPECT_EQ(100.0f, light->GetNearRange());
    EXPECT_EQ(MAT_Vector3(1.0f, 0.9f, 0.8f), light->GetLight().m_color1);

    EXPECT_EQ(nullptr, light->ProcessMessage(
                           NOD_Light_SetCone::Create(MAT_Vector3(1, 2, 3), MAT_Vector3(90, 0, 270), 50.0f, 7.0f)));
    EXPECT_EQ(45.0f, light->GetNearRange());
    EXPECT_EQ(50.0f, light->GetFarRange());
    EXPECT_FLOAT_EQ(10.0f, light->GetFalloffConstant());
    EXPECT_FLOAT_EQ(-0.2f, light->GetFalloffSlope());
    const MAT_Matrix34 world = *light->GetWorldTransform(SIM_GetSimulationClock().time);
    EXPECT_EQ(MAT_Vector3(1, 2, 3), world.t);
    MAT_Matrix33 expected;
    // 270 degrees wraps to -90.
    expected.FromAngles(MAT_Angle(90.0f * DEG), MAT_Angle(0.0f), MAT_Angle(-90.0f * DEG));
    for (s32 i = 0; i < 9; ++i)
        EXPECT_NEAR(expected.m[i], world.r.m[i], 1e-6f) << i;
}

TEST_F(GlowTest, LightsHalosAndFlaresUnderAMovingBodyKeepTheirBoxOneStepAhead)
{
    TST_Mover* mover = Mover(MAT_Vector3(100.0f, 100.0f, 100.0f), MAT_Vector3(20.0f, 0.0f, 0.0f));
    NOD_Light* light = Parse<NOD_Light>("NOD_Light", TOOL_LightDescriptionText(TOOL_LightDescription()));
    TOOL_HaloDescription halo;
    halo.scale[0] = 3.0f;
    halo.scale[1] = 5.0f;
    NOD_Halo* glow = Parse<NOD_Halo>("NOD_Halo", TOOL_HaloDescriptionText(halo));
    NOD_Flare* flare = Parse<NOD_Flare>("NOD_Flare", TOOL_FlareDescriptionText(TOOL_FlareDescription()));
    const MAT_Vector3 offset(0.0f, 4.0f, 0.0f);
    Hang(light, mover, Frame(offset));
    Hang(glow, mover, Frame(offset));
    Hang(flare, mover, Frame(offset));
    const NOD_VisibleRecord* records[] = {&light->GetRecord(), &glow->GetRecord(), &flare->GetRecord()};
    for (const NOD_VisibleRecord* record : records) {
        EXPECT_NE(-1, record->GetObject()->m_entryId);
        EXPECT_EQ(mover, record->GetObject()->m_owner->GetFather());
        // First box about the place one step on.
        EXPECT_EQ(MAT_Vector3(101.0f, 104.0f, 100.0f), BoxCentre(record->GetBox()));
    }
    // The halo's first box is its scale plus 10 wide, the others 1.
    EXPECT_EQ(13.0f, glow->GetRecord().GetBox()[3] - 101.0f);
    EXPECT_EQ(10.0f, glow->GetRecord().GetBox()[4] - 104.0f);
    EXPECT_EQ(15.0f, glow->GetRecord().GetBox()[5] - 100.0f);
    EXPECT_EQ(1.0f, light->GetRecord().GetBox()[3] - 101.0f);
    for (s32 step = 1; step <= 10; ++step) {
        SCOPED_TRACE(step);
        m_world->Step();
        const MAT_Vector3 ahead = mover->GetWorldTransform(m_world->Now())->t + offset;
        for (const NOD_VisibleRecord* record : records) {
            const f32* box = record->GetBox();
            EXPECT_NEAR(ahead.x, BoxCentre(box).x, 1e-4f);
            EXPECT_NEAR(104.0f, BoxCentre(box).y, 1e-4f);
            EXPECT_NEAR(2.0f, box[3] - box[0], 1e-4f);
        }
        EXPECT_NEAR(100.0f + (f32)step, light->GetWorldTransform(m_world->Now())->t.x, 1e-3f);
    }
    for (NOD_Body* node : {(NOD_Body*)light, (NOD_Body*)glow, (NOD_Body*)flare}) {
        const MAT_Vector3 at = node->GetWorldTransform(m_world->Now())->t;
        delete node->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        EXPECT_FALSE(node->IsInSimulation());
        EXPECT_EQ(-1, NOD_Halo::DynamicCast(node) != nullptr ? glow->GetRecord().GetObject()->m_entryId : -1);
        // It stays where it was, at rest in its father's frame.
        EXPECT_EQ(at, node->GetWorldTransform(m_world->Now())->t);
    }
    for (const NOD_VisibleRecord* record : records)
        EXPECT_EQ(-1, record->GetObject()->m_entryId);
}

// ---- colour bytes -------------------------------------------------------------------------

TEST_F(GlowTest, ColourBytesAreTruncatedAndHeldToAByte)
{
    struct Case
    {
        f32 color[3];
        f32 opacity;
        u8 halo[4];   // B, G, R, A: premultiplied by the opacity
        u8 cone[4];   // alpha always 255
        u8 flare[4];  // not premultiplied
    };
    const Case cases[] = {
        {{1.0f, 1.0f, 1.0f}, 0.5f, {127, 127, 127, 127}, {255, 255, 255, 255}, {255, 255, 255, 127}},
        // Past 1 holds at 255 (it wrapped to 24 once), below 0 holds at 0.
        {{1.1f, 0.25f, -0.5f}, 1.0f, {0, 63, 255, 255}, {0, 63, 255, 255}, {0, 63, 255, 255}},
        {{0.5f, 0.5f, 0.5f}, 1.1f, {140, 140, 140, 255}, {127, 127, 127, 255}, {127, 127, 127, 255}},
        {{1.0f, 1.0f, 1.0f}, -1.0f, {0, 0, 0, 0}, {255, 255, 255, 255}, {255, 255, 255, 0}},
    };
    m_dir.Write("vfx/msh/cone.msh", TOOL_LightConeMeshText(10.0f, 3.0f, 8, ""));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.opacity);
        TOOL_HaloDescription halo;
        TOOL_ConeDescription cone;
        TOOL_FlareDescription flare;
        flare.planes.resize(1);
        for (s32 i = 0; i < 3; ++i)
            halo.color[i] = cone.color[i] = flare.planes[0].color[i] = c.color[i];
        halo.opacity = flare.planes[0].opacity = c.opacity;
        std::unique_ptr<NOD_Halo> h(Parse<NOD_Halo>("NOD_Halo", TOOL_HaloDescriptionText(halo)));
        std::unique_ptr<NOD_Cone> k(Parse<NOD_Cone>("NOD_Cone", TOOL_ConeDescriptionText(cone)));
        std::unique_ptr<NOD_Flare> f(Parse<NOD_Flare>("NOD_Flare", TOOL_FlareDescriptionText(flare)));
        for (s32 i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(c.halo[i], h->GetColor()[i]);
            EXPECT_EQ(c.cone[i], k->GetColor()[i]);
            EXPECT_EQ(c.flare[i], f->GetPlanes()[0].color[i]);
        }
    }
}

// ---- halo ---------------------------------------------------------------------------------------

TEST_F(GlowTest, AHaloReadsItsDescriptionAndStopsWithoutIt)
{
    TOOL_HaloDescription description;
    description.scale[0] = 2.0f;
    description.scale[1] = 3.0f;
    std::unique_ptr<NOD_Halo> halo(Parse<NOD_Halo>("NOD_Halo", TOOL_HaloDescriptionText(description)));
    EXPECT_EQ(m_world->cache->GetTextureNames()->RegisterTextureName(description.texture.c_str(), 32),
              halo->GetTextureId());
    EXPECT_EQ(2.0f, halo->GetScaleX());
    EXPECT_EQ(3.0f, halo->GetScaleY());
    EXPECT_EQ(NOD_Halo::NO_RADIUS, halo->GetRadius());
    EXPECT_EQ(BRISEL_BUCKET_HALOS, halo->GetRenderBucket());
    f32 box[6];
    halo->GetBoundingBox(box, 0.0f);
    EXPECT_EQ(-3.0f, box[0]);
    EXPECT_EQ(3.0f, box[5]);

    for (const char* key : {"Visual", "Texture", "Scale", "Color", "Opacity"}) {
        SCOPED_TRACE(key);
        TOOL_HaloDescription broken;
        (std::string(key) == "Visual" ? broken.omitSection : broken.omitKey) = key;
        m_dir.Write("vfx/glow.osd", TOOL_HaloDescriptionText(broken) + "[Info]\n{\n    Kind = 1\n}\n");
        std::unique_ptr<NOD_Halo> node(new NOD_Halo());
        const std::string text = std::string(key) == "Visual"
                                     ? "(NOD_Halo::ParseIniFile()): Get [\"Visual\"] in file \"vfx\\glow.osd\" failed"
                                     : "data \"" + std::string(key) + "\" not found in file \"vfx\\glow.osd\"";
        EXPECT_FATAL(node->ParseIniFile_File("glow.osd"),
                     std::string(key) == "Visual" ? "DES FILE ERROR" : "DesFile Error", text.c_str());
    }
}

// The camera stands at the origin looking along +y (near limit 1); halos hang under a body
// with a box of +/- 2 about it.
TEST_F(GlowTest, BothBillboardsSitOnTheHalosViewRayAtTheSpheresNearAndFarDepths)
{
    struct Case
    {
        const char* what;
        bool hasRadius;
        f32 radius;
        f32 depth;      // of the halo and its father
        f32 nearDepth;  // where the near billboard lands
        f32 farDepth;   // where the far one lands
    };
    const f32 cube = 2.0f * std::sqrt(3.0f);  // half the diagonal of the father's box
    const Case cases[] = {
        {"father's box", false, 0.0f, 50.0f, 50.0f - cube, 50.0f + cube},
        {"BSRad 0 is the father's box", true, 0.0f, 50.0f, 50.0f - cube, 50.0f + cube},
        {"own sphere", true, 3.0f, 50.0f, 50.0f - 3.0f * std::sqrt(3.0f), 50.0f + 3.0f * std::sqrt(3.0f)},
        // The sphere straddles the near limit: the near billboard stays at 1.1.
        {"straddling", true, 3.0f, 2.5f, 1.1f, 2.5f + 3.0f * std::sqrt(3.0f)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TST_Mover* mover = Mover(MAT_Vector3(4.0f, c.depth, 3.0f));
        TOOL_HaloDescription description;
        description.hasRadius = c.hasRadius;
        description.radius = c.radius;
        NOD_Halo* halo = Parse<NOD_Halo>("NOD_Halo", TOOL_HaloDescriptionText(description));
        Hang(halo, mover, Frame(MAT_Vector3(), 90.0f));
        m_world->Render();
        const std::vector<TST_FakeDevice::Draw> draws = HaloDraws(halo);
        ASSERT_EQ(2u, draws.size());
        const Placed reference = Reference(halo, MAT_Vector3(4.0f, c.depth, 3.0f));
        const f32 depths[2] = {c.farDepth, c.nearDepth};
        for (s32 i = 0; i < 2; ++i) {
            SCOPED_TRACE(i);
            const Placed placed(draws[(u32)i]);
            // On the halo's own spot on the screen, at its own screen size, at the depth.
            EXPECT_NEAR(reference.x, placed.x, 1e-5f);
            EXPECT_NEAR(reference.y, placed.y, 1e-5f);
            EXPECT_NEAR(reference.halfWidth, placed.halfWidth, 1e-5f);
            EXPECT_NEAR(depths[i] / c.depth, placed.w / reference.w, 1e-5f);
            // Side on: each half faded.
            EXPECT_FLOAT_EQ(127.0f, placed.alpha);
        }
        delete mover->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        delete mover;
    }
}

TEST_F(GlowTest, HalosFadeFromTheNearBillboardToTheFarOneAsTheyTurnAway)
{
    struct Case
    {
        f32 heading;
        f32 farAlpha;
        f32 nearAlpha;
    };
    TST_Mover* mover = Mover(MAT_Vector3(0.0f, 40.0f, 0.0f));
    for (const Case& c : {Case{0.0f, 255.0f, 0.0f}, Case{180.0f, 0.0f, 255.0f}, Case{90.0f, 127.0f, 127.0f},
                          Case{-60.0f, 191.0f, 63.0f}}) {
        SCOPED_TRACE(c.heading);
        NOD_Halo* halo = Parse<NOD_Halo>("NOD_Halo", TOOL_HaloDescriptionText(TOOL_HaloDescription()));
        Hang(halo, mover, Frame(MAT_Vector3(), c.heading));
        m_world->Render();
        const std::vector<TST_FakeDevice::Draw> draws = HaloDraws(halo);
        ASSERT_EQ(2u, draws.size());
        EXPECT_FLOAT_EQ(c.farAlpha, Placed(draws[0]).alpha);
        EXPECT_FLOAT_EQ(c.nearAlpha, Placed(draws[1]).alpha);
        delete halo->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        delete halo;
    }
}

TEST_F(GlowTest, HalosBehindTheEyeOrTheNearLimitOrWithoutAFatherBodyDrawNothing)
{
    struct Case
    {
        const char* what;
        MAT_Vector3 father;
        MAT_Vector3 offset;
        bool hasRadius;
        f32 radius;
    };
    const Case cases[] = {
        {"sphere wholly behind the near limit", {0.0f, 0.5f, 0.0f}, {}, true, 0.1f},
        {"sphere behind the camera", {0.0f, -20.0f, 0.0f}, {}, true, 3.0f},
        // The father's sphere reaches past the near limit while the halo is behind the eye:
        // both billboards would come out mirrored in front of the camera.
        {"behind the eye, father's sphere in front", {0.0f, 2.0f, 0.0f}, {0.0f, -3.0f, 0.0f}, false, 0.0f},
        {"at the eye's depth", {0.0f, 2.0f, 0.0f}, {0.0f, -2.0f, 0.0f}, false, 0.0f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TST_Mover* mover = Mover(c.father);
        TOOL_HaloDescription description;
        description.hasRadius = c.hasRadius;
        description.radius = c.radius;
        NOD_Halo* halo = Parse<NOD_Halo>("NOD_Halo", TOOL_HaloDescriptionText(description));
        Hang(halo, mover, Frame(c.offset));
        m_world->Render();
        EXPECT_EQ(0u, HaloDraws(halo).size());
        delete mover->ProcessMessage(NOD_Node_LeaveSimulation::Create());
        delete mover;
    }
    // No radius and a father that is no body: nothing, and nothing said.
    NOD_Halo* orphan = Parse<NOD_Halo>("NOD_Halo", TOOL_HaloDescriptionText(TOOL_HaloDescription()));
    m_world->root->AddSon(orphan);
    orphan->GetCS().SetTransform(0.0f, Frame(MAT_Vector3(0.0f, 30.0f, 0.0f)));
    EXPECT_EQ(0u, HaloDraws(orphan).size());
    delete orphan;
}

TEST_F(GlowTest, AFrameShowsAHalosBillboardsWhereTheyProjectOnlyWhileItIsInView)
{
    TST_Mover* mover = Mover(MAT_Vector3(-6.0f, 60.0f, 4.0f), MAT_Vector3(0.0f, -10.0f, 0.0f));
    TOOL_HaloDescription description;
    description.hasRadius = true;
    description.radius = 5.0f;
    NOD_Halo* halo = Parse<NOD_Halo>("NOD_Halo", TOOL_HaloDescriptionText(description));
    Hang(halo, mover, Frame(MAT_Vector3(1.0f, 0.0f, 0.0f), 30.0f));
    m_world->Steps(3);
    m_world->Render();
    const std::vector<TST_FakeDevice::Draw> frame = Device().draws;
    const std::vector<TST_FakeDevice::Draw> own = HaloDraws(halo);
    ASSERT_EQ(2u, own.size());
    const MAT_Vector3 at = halo->GetWorldTransform(SIM_GetFrameClock().time)->t;
    const Placed reference = Reference(halo, at);
    // The frame holds the halo's two draws, one after the other, each on the halo's spot.
    auto same = [](const TST_FakeDevice::Draw& _a, const TST_FakeDevice::Draw& _b) {
        for (s32 r = 2; r < 7; ++r)
            for (s32 c = 0; c < 4; ++c)
                if (_a.constants[r][c] != _b.constants[r][c])
                    return false;
        return true;
    };
    s32 found = -1;
    for (size_t i = 0; i + 1 < frame.size(); ++i)
        if (same(frame[i], own[0]) && same(frame[i + 1], own[1]))
            found = (s32)i;
    EXPECT_NE(-1, found);
    for (const auto& draw : own) {
        EXPECT_NEAR(reference.x, Placed(draw).x, 1e-5f);
        EXPECT_NEAR(reference.y, Placed(draw).y, 1e-5f);
        EXPECT_GT(Placed(draw).alpha + 0.5f, 1.0f);
    }

    // Far out of the view the camera no longer collects it.
    delete mover->ProcessMessage(NOD_Body_SetPosition::Create(MAT_Vector3(500.0f, -400.0f, 0.0f)));
    m_world->Steps(2);
    m_world->Render();
    for (const auto& draw : Device().draws)
        EXPECT_FALSE(same(draw, own[0]) || same(draw, own[1]));
}

// ---- cone ---------------------------------------------------------------------------------------

TEST_F(GlowTest, AConeRegistersItsMeshBoxAndCarriesItWithItsFather)
{
    m_dir.Write("vfx/msh/cone.msh", TOOL_LightConeMeshText(10.0f, 3.0f, 8, ""));
    NOD_Cone* cone = Parse<NOD_Cone>("NOD_Cone", TOOL_ConeDescriptionText(TOOL_ConeDescription()));
    EXPECT_EQ(BRISEL_BUCKET_PLANTS, cone->GetRenderBucket());
    EXPECT_NE(0, cone->GetMeshHandle());
    EXPECT_EQ(NOD_PART_GENERATED, cone->GetAggregate().GetState(NOD_PART_VISIBLE));
    const f32* local = cone->GetAggregate().GetBox();
    EXPECT_NEAR(-3.0f, local[0], 1e-5f);
    EXPECT_NEAR(0.0f, local[1], 1e-5f);
    EXPECT_NEAR(10.0f, local[4], 1e-5f);

    TST_Mover* mover = Mover(MAT_Vector3(10.0f, 20.0f, 30.0f), MAT_Vector3(0.0f, 0.0f, 20.0f));
    Hang(cone, mover, Frame(MAT_Vector3(), 90.0f));
    EXPECT_EQ(NOD_PART_REGISTERED, cone->GetAggregate().GetState(NOD_PART_VISIBLE));
    m_world->Steps(4);
    // Turned by 90 degrees the cone opens along -x from its father.
    f32 box[6];
    cone->GetBoundingBox(box, m_world->Now());
    const MAT_Vector3 father = mover->GetWorldTransform(m_world->Now())->t;
    EXPECT_NEAR(father.x - 10.0f, box[0], 1e-4f);
    EXPECT_NEAR(father.x, box[3], 1e-4f);
    EXPECT_NEAR(father.z - 3.0f, box[2], 1e-4f);
    EXPECT_NEAR(34.0f, father.z, 1e-3f);
    delete cone->ProcessMessage(NOD_Node_LeaveSimulation::Create());
    EXPECT_NE(NOD_PART_REGISTERED, cone->GetAggregate().GetState(NOD_PART_VISIBLE));
    EXPECT_FALSE(cone->IsInSimulation());

    for (const char* key : {"NameMesh", "Scale", "Color"}) {
        SCOPED_TRACE(key);
        TOOL_ConeDescription broken;
        broken.omitKey = key;
        m_dir.Write("vfx/glow.osd", TOOL_ConeDescriptionText(broken));
        std::unique_ptr<NOD_Cone> node(new NOD_Cone());
        EXPECT_FATAL(node->ParseIniFile_File("glow.osd"), "DesFile Error",
                     ("data \"" + std::string(key) + "\" not found in file \"vfx\\glow.osd\"").c_str());
    }
}

// ---- flare --------------------------------------------------------------------------------------

TEST_F(GlowTest, AFlareReadsAsManyPlanesAsTheLowByteOfItsCount)
{
    struct Case
    {
        s32 numOfPlane;
        s32 sections;
        u8 planes;
    };
    for (const Case& c : {Case{0, 0, 0}, Case{3, 4, 3}, Case{300, 44, 44}}) {
        SCOPED_TRACE(c.numOfPlane);
        TOOL_FlareDescription description;
        description.numOfPlane = c.numOfPlane;
        for (s32 i = 0; i < c.sections; ++i) {
            TOOL_FlarePlane plane;
            plane.distance = (f32)i;
            plane.angle = 90.0f;
            plane.scale[1] = 2.0f;
            plane.texture = "vfx\\tex\\fx\\flare" + std::to_string(i % 2);
            description.planes.push_back(plane);
        }
        std::unique_ptr<NOD_Flare> flare(Parse<NOD_Flare>("NOD_Flare", TOOL_FlareDescriptionText(description)));
        EXPECT_EQ(c.planes, flare->GetNumOfPlanes());
        EXPECT_EQ(c.planes == 0, flare->GetPlanes() == nullptr);
        for (u32 i = 0; i < c.planes; ++i) {
            const NOD_Flare::Plane& plane = flare->GetPlanes()[i];
            EXPECT_EQ((f32)i, plane.distance);
            EXPECT_FLOAT_EQ(90.0f * DEG, plane.angle);
            EXPECT_EQ(2.0f, plane.scale[1]);
            EXPECT_EQ(m_world->cache->GetTextureNames()->RegisterTextureName(description.planes[i].texture.c_str(), 32),
                      plane.textureId);
        }
        EXPECT_EQ(0.1f, flare->GetSizeClip());
        EXPECT_EQ(0.2f, flare->GetIntensityClip());
        EXPECT_EQ(BRISEL_BUCKET_FLARES, flare->GetRenderBucket());
    }
    // A plane short of the count stops the reader.
    TOOL_FlareDescription description;
    description.numOfPlane = 2;
    description.planes.resize(2);
    description.omitSection = "Plane1";
    m_dir.Write("vfx/glow.osd", TOOL_FlareDescriptionText(description));
    std::unique_ptr<NOD_Flare> flare(new NOD_Flare());
    EXPECT_FATAL(flare->ParseIniFile_File("glow.osd"), "DES FILE ERROR",
                 "(NOD_Flare::ParseIniFile()): Get [\"Plane1\"] in file \"vfx\\glow.osd\" failed");
}

TEST_F(GlowTest, FlaresShareOneQuadThatTheLastOneFrees)
{
    EXPECT_EQ(nullptr, NOD_Flare::GetSharedQuad());
    std::unique_ptr<NOD_Flare> first(new NOD_Flare());
    const VEC_MeshPart* quad = NOD_Flare::GetSharedQuad();
    ASSERT_NE(nullptr, quad);
    EXPECT_EQ(4, quad->vertexCount);
    EXPECT_EQ(2, quad->triangleCount);
    const f32 uv[4][2] = {{0.0f, 0.0f}, {0.0f, 0.9995f}, {0.9995f, 0.9995f}, {0.9995f, 0.0f}};
    for (s32 i = 0; i < 4; ++i) {
        EXPECT_EQ(uv[i][0], quad->vertices[i].u);
        EXPECT_EQ(uv[i][1], quad->vertices[i].v);
        EXPECT_NEAR(1.0f, std::fabs(quad->vertices[i].ny), 1e-6f);
    }
    EXPECT_EQ(2, quad->triangles[1].vertex[1]);
    std::unique_ptr<NOD_Flare> second(new NOD_Flare());
    EXPECT_EQ(quad, NOD_Flare::GetSharedQuad());
    EXPECT_EQ(2, NOD_Flare::GetLivingCount());
    first.reset();
    EXPECT_EQ(quad, NOD_Flare::GetSharedQuad());
    second.reset();
    EXPECT_EQ(nullptr, NOD_Flare::GetSharedQuad());
    EXPECT_EQ(0, NOD_Flare::GetLivingCount());
}

}  // namespace
