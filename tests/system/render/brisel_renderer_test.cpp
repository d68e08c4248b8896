// The frame renderer's frame: filing and sorting bodies, the clear, console, head-up display
// and logos, fog, caustics, statistics, configuration and textures.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "brisel_renderer_fixture.h"
#include "clock_fixture.h"
#include "fx_textureset.h"
#include "reb_lightset.h"
#include "rem_foglayer.h"
#include "rep_clear.h"
#include "rep_constants.h"
#include "rep_object.h"
#include "rep_terrainprelit.h"
#include "tools_fog.h"

namespace
{

// A 4 x 4 level file of the texture _name, as the texture cache looks for it.
void WriteLevel2(const TST_TempDir& _dir, const std::string& _name)
{
    _dir.Write(_name + "_l2.tga", TOOL_TGABytes(TOOL_MakeTGA(4, 4, 32, 0xFF204060u)));
}

// The handle a device call gave a texture, read back from its "CreateTexture ... -> handle" line.
DEV_Handle CreatedHandle(const std::string& _call)
{
    return (DEV_Handle)std::stoul(_call.substr(_call.rfind("-> ") + 3));
}

TEST(RendererDepthTest, DistancesFallIntoListsOfSixteenUnitsUpTo255)
{
    struct Case
    {
        f32 distance;
        s32 list;
    };
    const Case cases[] = {{0.0f, 0},  {15.9f, 0},     {16.0f, 1},     {47.9f, 2},
                          {48.0f, 3}, {4095.0f, 255}, {4096.0f, 255}, {1.0e9f, 255}};
    for (const Case& c : cases)
        EXPECT_EQ(c.list, Brisel_Renderer::GetDepthList(c.distance)) << c.distance;
}

TEST_F(RendererTest, SolidBodiesDrawNearToFarAndEqualDistancesInFilingOrder)
{
    TST_FakeBody* far = Body(BRISEL_BUCKET_SOLID, {0.0f, 40.0f, 0.0f});
    TST_FakeBody* first = Body(BRISEL_BUCKET_SOLID, {0.0f, 10.0f, 0.0f});
    TST_FakeBody* beyond = Body(BRISEL_BUCKET_SOLID, {0.0f, 5000.0f, 0.0f});
    TST_FakeBody* middle = Body(BRISEL_BUCKET_SOLID, {0.0f, 0.0f, 20.0f});
    TST_FakeBody* second = Body(BRISEL_BUCKET_SOLID, {10.0f, 0.0f, 0.0f});  // as near as the first
    TST_FakeBody* sameList = Body(BRISEL_BUCKET_SOLID, {0.0f, 12.0f, 0.0f});
    Frame();
    const std::vector<const TST_FakeBody*> expected = {first, second, sameList, middle, far, beyond};
    EXPECT_EQ(expected, m_drawn);

    // The lists are emptied after use: the next frame draws the same once.
    m_drawn.clear();
    Frame();
    EXPECT_EQ(expected, m_drawn);
}

TEST_F(RendererTest, BucketsDrawInOrderPermanentBodiesFirstAndOtherBucketsNever)
{
    TST_FakeBody* cockpit = Body(BRISEL_BUCKET_COCKPIT, {0.0f, 1.0f, 0.0f});
    TST_FakeBody* trailB = Body(BRISEL_BUCKET_TRAILS, {0.0f, 2.0f, 0.0f});
    TST_FakeBody* hidden = Body(BRISEL_BUCKET_NONE, {0.0f, 3.0f, 0.0f});
    TST_FakeBody* negative = Body(-1, {0.0f, 3.0f, 0.0f});
    TST_FakeBody* terrain = Body(BRISEL_BUCKET_TERRAIN, {0.0f, 4.0f, 0.0f});
    TST_FakeBody* solid = Body(BRISEL_BUCKET_SOLID, {0.0f, 5.0f, 0.0f});
    TST_FakeBody* trailA = Body(BRISEL_BUCKET_TRAILS, {0.0f, 6.0f, 0.0f}, false);
    m_renderer->AddPermanentBody(trailA);
    m_scene->camera->visible.push_back(nullptr);  // the camera leaves out what it has not
    Frame(2.5f);

    const std::vector<const TST_FakeBody*> expected = {solid, terrain, trailA, trailB, cockpit};
    EXPECT_EQ(expected, m_drawn);
    // Every filed body is brought to the frame time once; the others are never asked.
    for (const TST_FakeBody* body : {solid, terrain, trailA, trailB, cockpit})
        EXPECT_EQ(std::vector<f32>{2.5f}, body->times);
    EXPECT_TRUE(hidden->times.empty());
    EXPECT_TRUE(negative->times.empty());
    EXPECT_EQ(512, m_scene->camera->capacity);
    EXPECT_EQ(std::vector<f32>{2.5f}, m_scene->camera->times);
}

TEST_F(RendererTest, ABucketTakes256BodiesAFrameAndTheOthersAreUnaffected)
{
    std::vector<TST_FakeBody*> halos;
    for (s32 i = 0; i < 257; ++i)
        halos.push_back(Body(BRISEL_BUCKET_HALOS, {0.0f, 1.0f + (f32)i, 0.0f}));
    TST_FakeBody* flare = Body(BRISEL_BUCKET_FLARES, {0.0f, 1.0f, 0.0f});
    Frame();
    ASSERT_EQ(257u, m_drawn.size());
    for (s32 i = 0; i < 256; ++i)
        EXPECT_EQ(halos[(size_t)i], m_drawn[(size_t)i]);
    EXPECT_EQ(flare, m_drawn.back());
}

TEST_F(RendererTest, TheTerrainBucketFollowsItsFlag)
{
    TST_FakeBody* terrain = Body(BRISEL_BUCKET_TERRAIN, {0.0f, 4.0f, 0.0f});
    TST_FakeBody* plant = Body(BRISEL_BUCKET_PLANTS, {0.0f, 4.0f, 0.0f});
    EXPECT_EQ((u32)(Brisel_Renderer::FLAG_FOG | Brisel_Renderer::FLAG_TERRAIN), m_renderer->GetRenderFlags());
    m_renderer->SetRenderFlags(Brisel_Renderer::FLAG_FOG);
    Frame();
    EXPECT_EQ(std::vector<const TST_FakeBody*>{plant}, m_drawn);
    m_drawn.clear();
    m_renderer->SetRenderFlags(Brisel_Renderer::FLAG_FOG | Brisel_Renderer::FLAG_TERRAIN);
    Frame();
    EXPECT_EQ((std::vector<const TST_FakeBody*>{terrain, plant}), m_drawn);
}

TEST_F(RendererTest, TheFrameNeedsARootAndACamera)
{
    // A node named "camera" that is no camera.
    delete m_scene->camera;
    NOD_Node* impostor = new NOD_Node();
    impostor->SetName("camera");
    m_scene->root->AddSon(impostor);
    EXPECT_FATAL(Frame(), "Brisel_Renderer::Render()", "no camera or wrong camera node type");
    delete impostor;
    EXPECT_FATAL(Frame(), "Brisel_Renderer::Render()", "no camera or wrong camera node type");

    NOD_Node* root = NOD_Node::GetRoot();
    NOD_Node::SetRoot(nullptr);
    EXPECT_FATAL(Frame(), "Brisel_Renderer::Render()", "no root node");
    NOD_Node::SetRoot(root);
    m_scene->camera = nullptr;
}

TEST_F(RendererTest, WithoutTheCastsNoNodeIsACamera)
{
    const Brisel_SceneCasts installed = Brisel_Scene::SetCasts(Brisel_SceneCasts());
    EXPECT_FATAL(Frame(), "Brisel_Renderer::Render()", "no camera or wrong camera node type");
    Brisel_Scene::SetCasts(installed);
}

TEST_F(RendererTest, ConsoleThenHudAfterTheSceneAndMissingOnesAreSkipped)
{
    std::vector<std::string> order;
    TST_FakeBody* body = Body(BRISEL_BUCKET_COCKPIT, {0.0f, 1.0f, 0.0f});
    body->onRender = [&] { order.push_back("body"); };
    Frame();  // neither exists yet
    EXPECT_EQ(std::vector<std::string>{"body"}, order);

    order.clear();
    TST_FakeScreenNode* hud = m_scene->AddScreen("hud");
    TST_FakeScreenNode* console = m_scene->AddScreen("console");
    console->onRender = [&] { order.push_back("console"); };
    hud->onRender = [&] {
        order.push_back("hud");
        EXPECT_EQ(0u, m_fake.Count("EndScene"));
    };
    m_fake.Forget();
    Frame();
    EXPECT_EQ((std::vector<std::string>{"body", "console", "hud"}), order);
    EXPECT_EQ(1u, m_fake.Count("EndScene"));
    EXPECT_EQ(1u, m_fake.Count("Present"));
}

TEST_F(RendererTest, TheClearShowsTheSkyUnlessWireframeOrBlack)
{
    struct Case
    {
        const char* name;
        u32 flags;
        u32 target;  // the colour buffer is cleared too
        u32 color;
        size_t draws;  // the sky's, as nothing else is in the frame
        u32 fillMode;
    };
    const u32 base = Brisel_Renderer::FLAG_FOG | Brisel_Renderer::FLAG_TERRAIN;
    const Case cases[] = {
        {"sky", base, 0, 0, 1, 3},
        {"wireframe", base | Brisel_Renderer::FLAG_WIREFRAME, 1, 0x40, 0, 2},
        {"black", base | Brisel_Renderer::FLAG_BLACK, 1, 0, 0, 3},
        {"black wins", base | Brisel_Renderer::FLAG_BLACK | Brisel_Renderer::FLAG_WIREFRAME, 1, 0, 0, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_renderer->SetRenderFlags(c.flags);
        m_fake.Forget();
        Frame();
        const std::vector<std::string> clears = m_fake.Matching("Clear ");
        ASSERT_EQ(1u, clears.size());
        u32 flags = 0;
        u32 color = 0;
        ASSERT_EQ(2, std::sscanf(clears[0].c_str(), "Clear %u 0x%x", &flags, &color)) << clears[0];
        EXPECT_EQ(c.target, flags & 1u);
        EXPECT_NE(0u, flags & 2u);  // the depth always
        EXPECT_EQ(c.color, color);
        EXPECT_EQ(c.draws, Draws());
        u32 fillMode = 0;
        SITO_DISPLAY->GetRenderState(DSP_RS_FILLMODE, &fillMode);
        EXPECT_EQ(c.fillMode, fillMode);
        EXPECT_EQ(c.fillMode == 2 ? 1u : 0u, SITO_DISPLAY->AreTexturesDisabled());
    }
}

TEST_F(RendererTest, FillModeMessageSetsAndClearsWireframeOnly)
{
    const u32 base = m_renderer->GetRenderFlags();
    m_renderer->SetFillMode(1);
    EXPECT_EQ(base | Brisel_Renderer::FLAG_WIREFRAME, m_renderer->GetRenderFlags());
    m_renderer->SetFillMode(2);
    EXPECT_EQ(base | Brisel_Renderer::FLAG_WIREFRAME, m_renderer->GetRenderFlags());
    m_renderer->SetFillMode(0);
    EXPECT_EQ(base, m_renderer->GetRenderFlags());
}

TEST_F(RendererTest, PermanentBodiesAreRemovedByMovingTheLastIn)
{
    TST_FakeBody* a = Body(BRISEL_BUCKET_GUNS, {}, false);
    TST_FakeBody* b = Body(BRISEL_BUCKET_GUNS, {}, false);
    TST_FakeBody* c = Body(BRISEL_BUCKET_GUNS, {}, false);
    TST_FakeBody* stranger = Body(BRISEL_BUCKET_GUNS, {}, false);
    EXPECT_EQ(a, m_renderer->AddPermanentBody(a));
    m_renderer->AddPermanentBody(b);
    m_renderer->AddPermanentBody(c);

    EXPECT_EQ(nullptr, m_renderer->RemovePermanentBody(stranger));
    ASSERT_EQ(3, m_renderer->GetPermanentBodyCount());
    EXPECT_EQ(a, m_renderer->GetPermanentBody(0));

    EXPECT_EQ(a, m_renderer->RemovePermanentBody(a));
    ASSERT_EQ(2, m_renderer->GetPermanentBodyCount());
    EXPECT_EQ(c, m_renderer->GetPermanentBody(0));
    EXPECT_EQ(b, m_renderer->GetPermanentBody(1));
    EXPECT_EQ(nullptr, m_renderer->RemovePermanentBody(a));

    Frame();
    EXPECT_EQ((std::vector<const TST_FakeBody*>{c, b}), m_drawn);
}

TEST_F(RendererTest, The33rdPermanentBodyIsFatal)
{
    for (s32 i = 0; i < 32; ++i)
        m_renderer->AddPermanentBody(Body(BRISEL_BUCKET_GUNS, {}, false));
    EXPECT_FATAL(m_renderer->AddPermanentBody(Body(BRISEL_BUCKET_GUNS, {}, false)),
                 "Brisel_Renderer::AddPermanentBody()", "array overflow");
    EXPECT_EQ(32, m_renderer->GetPermanentBodyCount());
}

TEST_F(RendererTest, CausticFramesRunAt24PerSecondAndWrap)
{
    const FX_TextureSet* set = m_resources->GetTextureSet(m_renderer->GetCausticHandle());
    ASSERT_NE(nullptr, set);
    ASSERT_EQ(4, set->GetCount());
    struct Case
    {
        f32 time;
        s32 frame;
    };
    const Case cases[] = {{0.0f, 0},         {1.0f / 24.0f, 1}, {2.5f / 24.0f, 2},
                          {4.0f / 24.0f, 0}, {5.0f / 24.0f, 1}, {10.0f, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        Frame(c.time);
        const s32 id = set->GetID(c.frame);
        EXPECT_EQ(id, m_renderer->GetTerrainPass()->causticTexture);
        EXPECT_EQ(id, m_renderer->GetObjectPass()->causticTexture);
        EXPECT_EQ(id, m_renderer->GetObjectPrelitPass()->causticTexture);
    }
}

TEST_F(RendererTest, CausticPairsGoToTheirPasses)
{
    m_renderer->SetCausticTerrain(0.25f, 2.0f);
    m_renderer->SetCausticObject(0.125f, 3.0f);
    m_renderer->SetCausticBuilding(9.0f, 9.0f);
    Frame();
    const REB_PlanarProjection& terrain = m_renderer->GetTerrainPass()->causticRecord;
    EXPECT_EQ(0.25f, terrain.tiling);
    EXPECT_EQ(2.0f, terrain.heightFactor);
    for (const REB_PlanarProjection* record :
         {&m_renderer->GetObjectPass()->causticRecord, &m_renderer->GetObjectPrelitPass()->causticRecord}) {
        EXPECT_EQ(0.0f, record->originU);
        EXPECT_EQ(0.0f, record->originV);
        EXPECT_EQ(0.125f, record->tiling);
        EXPECT_EQ(3.0f, record->heightFactor);
    }
}

TEST_F(RendererTest, CreateDisplaySetsUpPassesFogAndTheCausticSet)
{
    EXPECT_EQ(Brisel_Renderer::TEXTURE_TABLE_SIZE, SITO_DISPLAY->GetTextureTableSize());
    EXPECT_EQ(640, m_renderer->GetConfiguration().width);  // the display's mode, not the file's
    EXPECT_EQ(480, m_renderer->GetConfiguration().height);
    EXPECT_EQ(32, m_renderer->GetConfiguration().depth);
    EXPECT_EQ((u32)(REP_TERRAIN_DETAIL | REP_TERRAIN_LIGHTMAP | REP_TERRAIN_FOG), m_renderer->GetTerrainPass()->flags);
    EXPECT_EQ((u32)REP_OBJECT_BUMP, m_renderer->GetObjectPass()->flags);
    EXPECT_EQ((u32)REP_OBJECT_BUMP, m_renderer->GetObjectPrelitPass()->flags);
    EXPECT_EQ(0.5f, m_renderer->GetObjectPass()->fogFactor);
    EXPECT_EQ(m_renderer->GetFogLayer(), m_renderer->GetClearPass()->fogLayer);
    EXPECT_EQ(1, m_resources->GetReferences(m_renderer->GetCausticHandle()));
    EXPECT_EQ(0u, m_renderer->HasFog4444());
    for (s32 i = 0; i < Brisel_Renderer::LOGO_COUNT; ++i)
        EXPECT_EQ(-1, m_renderer->GetLogo(i));

    // The renderer gives its reference back.
    const s32 handle = m_renderer->GetCausticHandle();
    delete m_renderer;
    m_renderer = nullptr;
    EXPECT_EQ(0, m_resources->GetReferences(handle));
    EXPECT_EQ(nullptr, Brisel_Renderer::Get());
}

TEST_F(RendererTest, ThePixelShaderChoiceNeedsTheDeviceToo)
{
    Brisel_GetProgramData().display.pixelShaders = 1;
    m_renderer->CreateDisplay();
    EXPECT_NE(0u, m_renderer->GetTerrainPass()->flags & REP_TERRAIN_PIXELSHADER);
    EXPECT_NE(0u, m_renderer->GetObjectPass()->flags & REP_OBJECT_PIXELSHADER);
    EXPECT_EQ(0u, m_renderer->GetObjectPrelitPass()->flags & REP_OBJECT_PIXELSHADER);
    // Still one reference on the caustic set after building the scene twice.
    EXPECT_EQ(1, m_resources->GetReferences(m_renderer->GetCausticHandle()));
}

class NoPixelShaderTest : public RendererTest
{
protected:
    void SetUp() override
    {
        m_fake.caps.pixelShaderVersion = 0;
        RendererTest::SetUp();
    }
};

TEST_F(NoPixelShaderTest, ThePixelShaderChoiceIsIgnoredWithoutThem)
{
    Brisel_GetProgramData().display.pixelShaders = 1;
    m_renderer->CreateDisplay();
    EXPECT_EQ(0u, m_renderer->GetTerrainPass()->flags & REP_TERRAIN_PIXELSHADER);
    EXPECT_EQ(0u, m_renderer->GetObjectPass()->flags & REP_OBJECT_PIXELSHADER);
}

TEST_F(RendererTest, AMissingCausticSetStopsWithTheCacheText)
{
    delete m_renderer;
    m_renderer = new Brisel_Renderer();
    std::remove("vfx/tex/caustic/caustic.tse");
    EXPECT_FATAL(m_renderer->CreateDisplay(), "CON_Cache::Allocate() file not found", "vfx\\tex\\caustic\\caustic.tse");
}

TEST_F(RendererTest, ConfigurationIsReadWithTheMenuBudgetAndAtLeastOnePlantDivisor)
{
    m_data.renderPlankton = -1;
    m_data.renderPlants = 0;
    m_dir.Write("ini/display.des", TST_DisplayDes(m_data));
    Brisel_GetProgramData().display.textureMegabytes = 32;
    m_renderer->ReadConfiguration("ini\\display.des");
    const Brisel_DisplayConfiguration& c = m_renderer->GetConfiguration();
    EXPECT_EQ(800, c.width);
    EXPECT_EQ(600, c.height);
    EXPECT_EQ(16, c.depth);
    EXPECT_EQ(8192, c.textureCacheSize);
    EXPECT_EQ(1, c.useMipMap);
    EXPECT_EQ(0, c.useCompressedTextures);
    EXPECT_EQ(1, c.renderRays);
    EXPECT_EQ(-1, c.renderPlankton);
    EXPECT_EQ(1, c.renderPlants);
    EXPECT_EQ(32 << 20, m_renderer->GetTextureBudget());
    EXPECT_NE(std::string::npos, m_dir.Read("log.txt").find("RenderPlants 0 taken as 1"));
}

TEST_F(RendererTest, MissingConfigurationFileSectionOrKeyIsFatal)
{
    EXPECT_FATAL(m_renderer->ReadConfiguration("ini\\other.des"), "Brisel_Renderer::ReadConfiguration() file not found",
                 "ini\\other.des");
    m_dir.Write("ini/other.des", "[Video]\n{\n    Width = 640\n}\n");
    EXPECT_FATAL(m_renderer->ReadConfiguration("ini\\other.des"), "DES FILE ERROR",
                 "(Brisel_Renderer::ReadConfiguration()): Get [\"Display\"] in file \"ini\\other.des\" failed");
    m_dir.Write("ini/other.des", "[Display]\n{\n    Width = 640\n    Height = 480\n    Depth = 32\n"
                                 "    Texturecachesize = 1\n    UseMipMap = 1\n}\n");
    EXPECT_FATAL(m_renderer->ReadConfiguration("ini\\other.des"), "DesFile Error",
                 "data \"UseCompressedTextures\" not found in file \"ini\\other.des\"");
}

TEST_F(RendererTest, StatisticsResetToTheirSentinelsAndZeroTheDisplayCounters)
{
    SITO_DISPLAY->GetFrameCounters().triangles = 5;
    SITO_DISPLAY->GetFrameCounters().textureBinds = 6;
    m_renderer->ResetStatistics();
    const Brisel_Statistics& s = m_renderer->GetStatistics();
    EXPECT_EQ(0xFFFFFFFFu, s.minPolygonsPerFrame);
    EXPECT_EQ(0xFFFFFFFFu, s.minPolygonsPerSecond);
    EXPECT_EQ(FLT_MAX, s.minFps);
    EXPECT_EQ(FLT_MIN, s.maxFps);
    EXPECT_EQ(0u, s.numFrames);
    EXPECT_EQ(0.0f, s.fpsSampleCount);
    EXPECT_EQ(0u, SITO_DISPLAY->GetFrameCounters().triangles);
    EXPECT_EQ(0u, SITO_DISPLAY->GetFrameCounters().textureBinds);
}

TEST_F(RendererTest, EachFrameCopiesAndZeroesTheDisplayCounters)
{
    // The head-up display is the last to draw: what the counters hold then is the frame's.
    TST_FakeScreenNode* hud = m_scene->AddScreen("hud");
    hud->onRender = [] {
        DSP_FrameCounters& counters = SITO_DISPLAY->GetFrameCounters();
        counters.triangles = 70;
        counters.textureBinds = 1;
        counters.streamBinds = 2;
        counters.indexBufferBinds = 3;
        counters.pixelShaderChanges = 4;
        counters.vertexShaderChanges = 5;
    };
    m_renderer->ResetStatistics();
    Frame();
    hud->onRender = [] { SITO_DISPLAY->GetFrameCounters().triangles = 30; };
    Frame();
    const Brisel_Statistics& s = m_renderer->GetStatistics();
    EXPECT_EQ(2u, s.numFrames);
    EXPECT_EQ(100u, s.numPolygons);
    EXPECT_EQ(30u, s.polygonsThisFrame);
    EXPECT_EQ(30u, s.minPolygonsPerFrame);
    EXPECT_EQ(70u, s.maxPolygonsPerFrame);
    EXPECT_EQ(0u, s.streamBinds);  // the second frame's
    EXPECT_EQ(0u, SITO_DISPLAY->GetFrameCounters().triangles);

    hud->onRender = [] {
        DSP_FrameCounters& counters = SITO_DISPLAY->GetFrameCounters();
        counters.textureBinds = 1;
        counters.streamBinds = 2;
        counters.indexBufferBinds = 3;
        counters.pixelShaderChanges = 4;
        counters.vertexShaderChanges = 5;
    };
    Frame();
    EXPECT_EQ(2u, s.streamBinds);
    EXPECT_EQ(3u, s.indexBufferBinds);
    EXPECT_EQ(4u, s.pixelShaderChanges);
    EXPECT_EQ(5u, s.vertexShaderChanges);
    EXPECT_EQ(1u, s.textureBinds);
}

TEST_F(RendererTest, SamplesComeOncePerSecondOfFramesAndCountTheirPolygons)
{
    TST_FakeScreenNode* hud = m_scene->AddScreen("hud");
    hud->onRender = [] { SITO_DISPLAY->GetFrameCounters().triangles = 10; };
    TST_ManualClock clock;
    clock.Set(0.0);
    m_renderer->ResetStatistics();
    const Brisel_Statistics& s = m_renderer->GetStatistics();
    // Frames of 0.3 s: the first sample at 1.2 s, the next at 2.4 s, four frames each.
    for (s32 frame = 1; frame <= 8; ++frame) {
        SCOPED_TRACE(frame);
        clock.Set((f64)frame * 0.3);
        Frame();
        const f32 samples = frame < 4 ? 0.0f : frame < 8 ? 1.0f : 2.0f;
        EXPECT_EQ(samples, s.fpsSampleCount);
        if (frame < 4) {
            EXPECT_EQ(FLT_MAX, s.minFps);
            EXPECT_EQ(FLT_MIN, s.maxFps);
            EXPECT_EQ(0u, s.polygonsPerSecond);
        } else {
            EXPECT_EQ(40u, s.polygonsPerSecond);
            EXPECT_NEAR(4.0 / 1.2, s.fps, 0.01);
            EXPECT_NEAR(4.0 / 1.2, s.avgFps, 0.01);
            EXPECT_EQ(40u, s.minPolygonsPerSecond);
            EXPECT_EQ(40u, s.maxPolygonsPerSecond);
        }
        EXPECT_EQ(10u, s.minPolygonsPerFrame);
    }
    EXPECT_EQ(8u, s.framesAtSample);
    EXPECT_EQ(80u, s.polygonsAtSample);
}

TEST_F(RendererTest, LogosAreDrawnWhereTheyBelongWithBlendingAlpha)
{
    EXPECT_EQ(1u, m_renderer->DrawsLogos());
    m_renderer->SetLogos("vfx\\tex\\logo\\a", nullptr, "vfx\\tex\\logo\\c", "vfx\\tex\\logo\\d", "vfx\\tex\\logo\\e");
    EXPECT_EQ(-1, m_renderer->GetLogo(1));
    const s32 a = m_renderer->GetLogo(0);
    EXPECT_EQ(a, m_resources->names.RegisterTextureName("vfx\\tex\\logo\\a", 32));
    Frame();
    EXPECT_EQ(5u, Draws());  // the sky and four logos
    // The last logo: 320, 576 and blending alpha 192 in c6.w.
    EXPECT_NEAR(192.0f / 255.0f, REP_VertexShaderConstants[6][3], 1e-6f);
    EXPECT_NEAR(320.5f * 2.0f / 640.0f - 1.0f, REP_VertexShaderConstants[2][3], 1e-6f);
}

TEST_F(RendererTest, EachLogoHasItsPlaceAndSize)
{
    // One logo at a time, so that the overlay constants after the frame are that logo's: in the
    // 640 x 480 virtual screen, c2.w and c3.w the quad's centre (half a pixel in), c2.x and c3.z
    // its size.
    struct Case
    {
        f32 x, y, width, height;
    };
    const Case places[Brisel_Renderer::LOGO_COUNT] = {
        {64.0f, 64.0f, 96.0f, 96.0f},  {576.0f, 64.0f, 96.0f, 96.0f},    {576.0f, 416.0f, 96.0f, 96.0f},
        {64.0f, 416.0f, 96.0f, 96.0f}, {320.0f, 576.0f, 256.0f, 256.0f},
    };
    for (s32 i = 0; i < Brisel_Renderer::LOGO_COUNT; ++i) {
        SCOPED_TRACE(i);
        const char* names[Brisel_Renderer::LOGO_COUNT] = {};
        names[i] = "vfx\\tex\\logo\\one";
        m_renderer->SetLogos(names[0], names[1], names[2], names[3], names[4]);
        m_fake.Forget();
        Frame();
        EXPECT_EQ(2u, Draws());  // the sky and the logo
        const Case& place = places[i];
        const auto& c = REP_VertexShaderConstants;
        EXPECT_NEAR((place.x + 0.5f) * 2.0f / 640.0f - 1.0f, c[2][3], 1e-6f);
        EXPECT_NEAR(1.0f - (place.y + 0.5f) * 2.0f / 480.0f, c[3][3], 1e-6f);
        EXPECT_NEAR(place.width * 2.0f / 640.0f, c[2][0], 1e-6f);
        EXPECT_NEAR(place.height * 2.0f / 480.0f, c[3][2], 1e-6f);
    }
}

class NoLogoTest : public RendererTest
{
protected:
    NoLogoTest() { m_commandLine = "-window-nologo -fullscreen"; }
};

TEST_F(NoLogoTest, NologoAnywhereOnTheCommandLineDrawsNone)
{
    EXPECT_EQ(0u, m_renderer->DrawsLogos());
    m_renderer->SetLogos("a", "b", "c", "d", "e");
    Frame();
    EXPECT_EQ(1u, Draws());  // the sky only
}

TEST_F(RendererTest, FogTexturesAlternateAndThePassesDrawTheOneJustWritten)
{
    // Both exist from CreateDisplay on (the fixture's frames would stop otherwise), and every
    // LoadTextures makes them again.
    m_renderer->LoadTextures();
    m_renderer->LoadTextures();
    EXPECT_EQ(4u, m_fake.Count("CreateTexture 64 64 1 "));
    for (s32 frame = 0; frame < 3; ++frame) {
        Frame();
        const s32 expected = frame % 2 == 0 ? 757 : 756;
        EXPECT_EQ(expected, m_renderer->GetCurrentFogTexture());
        EXPECT_EQ(expected, m_renderer->GetObjectPass()->fogTexture);
        EXPECT_EQ(expected ^ 1, m_renderer->GetObjectPass()->otherFogTexture);
        EXPECT_EQ(expected, m_renderer->GetClearPass()->fogTexture);
        EXPECT_EQ(expected, m_renderer->GetTerrainPass()->fogTexture);
        EXPECT_EQ(expected, m_renderer->GetPlantPass()->fogTexture);
        EXPECT_EQ(expected, m_renderer->GetTrailPass()->fogTexture);
    }
}

u32 LayerColor(s32 _layer) { return 0xFF000000u | (u32)(_layer * 4) << 16 | 0x2040u; }

TEST_F(RendererTest, FogFollowsTheLayersAtTheEyeAndItsDensityCurve)
{
    // Without layers: no colour, no density.
    Frame();
    EXPECT_EQ(0.0f, m_renderer->GetClearPass()->fogDensity);
    EXPECT_EQ(0u, m_renderer->GetFogMap()[10][10]);

    m_dir.Write("fog/sea.fog", TOOL_FogBytes(TOOL_MakeFog(4, -10.0f, 1.0f, 1.0f, &LayerColor)));
    TOOL_TGA density = TOOL_MakeTGA(8, 1, 32, 0);
    for (s32 x = 0; x < 8; ++x)
        density.pixels[(size_t)x] = (u32)(x * 32) << 24;
    m_dir.Write("fog/sea.tga", TOOL_TGABytes(density));
    m_renderer->LoadFog("fog\\sea");
    m_renderer->SetFog(0.75f, 0.25f);
    MAT_Matrix34 eye;
    eye.r.SetDiagonal(1.0f);
    eye.t = {0.0f, 0.0f, 12.5f};
    m_scene->camera->camera.SetTransform(eye);
    Frame();

    REM_FogLayer probe;  // the same files evaluated on their own
    probe.LoadFromFile("fog/sea.fog");
    probe.LoadDensityFile("fog/sea.tga");
    const f32 density12 = probe.Density(12.5f);
    EXPECT_GT(density12, 0.0f);
    EXPECT_EQ(density12, m_renderer->GetClearPass()->fogDensity);
    EXPECT_EQ(density12, m_renderer->GetObjectPass()->fogDensity);
    EXPECT_EQ(density12, m_renderer->GetTerrainPass()->fogDensity);
    EXPECT_EQ(0.75f, m_renderer->GetObjectPass()->fogFactor);
    EXPECT_EQ(0.75f, m_renderer->GetObjectPrelitPass()->fogFactor);
    EXPECT_EQ(0.75f, m_renderer->GetTerrainPass()->fogFactor);

    MOS_Map<u32> expected;
    expected.Reconstruct(64, 64);
    std::memset(expected.m_cells, 0, 64 * 64 * 4);
    probe.Blend(12.5f, expected);
    EXPECT_EQ(0, std::memcmp(expected.m_cells, m_renderer->GetFogMap().m_cells, 64 * 64 * 4));
    EXPECT_NE(0u, expected[0][0]);

    // The texture written by the next frame holds the map as A8R8G8B8.
    m_fake.Forget();
    m_renderer->LoadTextures();
    const std::vector<std::string> created = m_fake.Matching("CreateTexture 64 64 1 ");
    ASSERT_EQ(2u, created.size());
    const DEV_Handle next = CreatedHandle(created[m_renderer->GetCurrentFogTexture() == 756 ? 1 : 0]);
    Frame();
    const std::vector<u8>& texels = Device().textures[next].memory[0];
    ASSERT_EQ(64u * 64u * 4u, texels.size());
    EXPECT_EQ(0, std::memcmp(m_renderer->GetFogMap().m_cells, texels.data(), texels.size()));
    // Fog off: the map, and so the texture, is all zero.
    m_renderer->SetRenderFlags(m_renderer->GetRenderFlags() & ~(u32)Brisel_Renderer::FLAG_FOG);
    Frame();
    for (s32 y = 0; y < 64; ++y)
        for (s32 x = 0; x < 64; ++x)
            ASSERT_EQ(0u, m_renderer->GetFogMap()[y][x]);
}

TEST(RendererFogTest, The4444FormHonoursThePitchOfTheLock)
{
    MOS_Map<u32> map;
    map.Reconstruct(64, 64);
    for (s32 y = 0; y < 64; ++y)
        for (s32 x = 0; x < 64; ++x)
            map[y][x] = 0x9Fu << 24 | (u32)(x * 4) << 16 | (u32)(y * 4) << 8 | 0x3Cu;
    const s32 pitch = 160;  // wider than the 128 bytes of a row
    std::vector<u8> bits((size_t)pitch * 64, 0xEE);
    Brisel_Renderer::PackFog4444(map, bits.data(), pitch);
    for (s32 y = 0; y < 64; ++y) {
        for (s32 x = 0; x < 64; ++x) {
            u16 pixel = 0;
            std::memcpy(&pixel, &bits[(size_t)(y * pitch + x * 2)], 2);
            const u16 expected = (u16)(0x9 << 12 | ((x * 4) >> 4) << 8 | ((y * 4) >> 4) << 4 | 0x3);
            ASSERT_EQ(expected, pixel) << x << ", " << y;
        }
        // The bytes between the rows stay as they were.
        for (s32 b = 128; b < pitch; ++b)
            ASSERT_EQ(0xEE, bits[(size_t)(y * pitch + b)]);
    }
}

TEST_F(RendererTest, LoadTexturesBindsEveryNamedTextureBehindItsFolder)
{
    TOOL_Mesh source = TOOL_MeshGrid(1, 1, 1);
    source.materials[0].diffuseBitmap = "geometry";
    m_dir.Write("vfx/msh/geometry.msh", TOOL_MeshText(source));
    VEC_Mesh* geometry = new VEC_Mesh();
    geometry->Load("vfx\\msh\\geometry.msh");
    source.materials[0].diffuseBitmap = "hull";
    source.materials[0].bumpBitmap = "hullbump";
    m_dir.Write("vfx/msh/hull.msh", TOOL_MeshText(source));
    REB_Mesh* hull = new REB_Mesh();
    hull->LoadFromFile("vfx\\msh\\hull.msh");
    source.materials[0].bumpBitmap.clear();
    source.materials[0].diffuseBitmap = "near";
    m_dir.Write("vfx/msh/near.msh", TOOL_MeshText(source));
    REB_Mesh* near = new REB_Mesh();
    near->LoadFromFile("vfx\\msh\\near.msh");
    source.materials[0].diffuseBitmap = "lit";
    m_dir.Write("vfx/msh/lit.msh", TOOL_MeshText(source));
    REB_Mesh* lit = new REB_Mesh();
    lit->LoadFromFile("vfx\\msh\\lit.msh");
    TST_FakeDetailedMesh detailed;
    detailed.meshes = {nullptr, near};
    m_resources->meshes = {nullptr, geometry};
    m_resources->renderMeshes = {hull, nullptr};
    m_resources->detailed = {&detailed};
    m_resources->lightMeshes = {nullptr, nullptr, lit};
    m_renderer->SetLightCache("d:\\dat\\lmesh2\\", "dat\\lmtex\\");
    EXPECT_EQ("d:\\dat\\lmesh2\\", m_resources->lightMeshFolder);
    m_renderer->SetLogos("vfx\\tex\\logo\\brand", nullptr, nullptr, nullptr, nullptr);

    // Level files of 4 x 4 (level 2) for the names, each where its folder says.
    for (const char* file : {"vfx/tex/geometry", "vfx/tex/hull", "vfx/tex/hullbump", "vfx/tex/near", "vfx/tex/sky",
                             "dat/lmtex/lit", "vfx/tex/logo/brand"})
        WriteLevel2(m_dir, file);
    m_fake.Forget();
    m_renderer->LoadTextures();
    // Seven textures from files and the two fog textures.
    EXPECT_EQ(7u, m_fake.Count("CreateTexture 4 4 "));
    EXPECT_EQ(2u, m_fake.Count("CreateTexture 64 64 "));
    // Ids: the meshes' from 0 in registration order, light meshes' from 704.
    EXPECT_EQ(0u, geometry->parts[0].material.diffuseMap.textureId);
    EXPECT_EQ(1u, hull->GetMaterial(0)->material.diffuseMap.textureId);
    EXPECT_EQ(2u, hull->GetMaterial(0)->material.detailMap.textureId);
    EXPECT_EQ(704u, lit->GetMaterial(0)->material.diffuseMap.textureId);
    Frame();

    m_resources->meshes.clear();
    m_resources->renderMeshes.clear();
    m_resources->detailed.clear();
    m_resources->lightMeshes.clear();
    delete geometry;
    delete hull;
    delete near;
    delete lit;
}

}  // namespace
