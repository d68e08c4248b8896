// The display layer on the recording fake device: modes, caches, counters, ids, slot limits,
// device loss, screenshots and result names.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <vector>

#include "clock_fixture.h"
#include "display_fixture.h"
#include "mat_random.h"
#include "os_shell.h"
#include "texture_files.h"

namespace
{

// ---- construction and modes ----

TEST_F(DisplayTest, OldRuntimeRefusesAndMissingDriverIsFatal)
{
    m_fake.graphicsVersion = 0x700;
    u32 ok = 1;
    DSP_Display refused(&ok, nullptr, nullptr, 1);
    EXPECT_EQ(0u, ok);
    EXPECT_EQ(0, refused.HasDevice());

    m_fake.graphicsVersion = 0x800;
    m_fake.driverAvailable = 0;
    EXPECT_FATAL(DSP_Display(&ok, nullptr, nullptr, 1), "D3DUtil_Application::D3DUtil_Application()",
                 "creation of d3d8 failed");
}

TEST_F(DisplayTest, BoardsAreListedAndOpenedOnce)
{
    u32 ok = 0;
    m_display = new DSP_Display(&ok, nullptr, nullptr, 1);
    s32 count = 0;
    EXPECT_EQ(0, m_display->QueryBoards(nullptr, &count));
    EXPECT_EQ(1, count);
    EXPECT_EQ(1, m_display->QueryBoards(nullptr, nullptr));
    DSP_BoardInfo boards[4];
    count = 4;
    EXPECT_EQ(0, m_display->QueryBoards(boards, &count));
    EXPECT_EQ(1, count);
    EXPECT_STREQ("Fake Renderer", boards[0].description);
    EXPECT_EQ(0, boards[0].description[200]);
    EXPECT_EQ(0, boards[0].ordinal);

    s32 resolutions = 0;
    EXPECT_FATAL(m_display->QueryResolutions(nullptr, &resolutions), "DSP_Display::QueryResolutions()",
                 "no board is open");
    DSP_BoardInfo bad;
    bad.ordinal = 1;
    EXPECT_FATAL(m_display->OpenBoard(&bad), "DSP_Display::OpenBoard()", "the ordinal has an illegal value");
    EXPECT_EQ(0, m_display->OpenBoard(&boards[0]));
    EXPECT_FATAL(m_display->OpenBoard(&boards[0]), "DSP_Display::OpenBoard()", "there is already an open board");
    EXPECT_FATAL(m_display->QueryResolutions(nullptr, nullptr), "DSP_Display::QueryResolutions()",
                 "numofresolutions must not be NULL");
}

TEST_F(DisplayTest, SixteenBitsFindTheFirstSixteenBitModeAndNeverFifteen)
{
    // X1R5G5B5 sorts before R5G6B5 (larger code) and reports 15 bits.
    m_fake.modes = {{640, 480, 60, DEV_FMT_R5G6B5}, {640, 480, 60, DEV_FMT_X1R5G5B5}, {640, 480, 60, DEV_FMT_X8R8G8B8}};
    Make();
    DSP_ResolutionInfo list[8];
    s32 count = 8;
    m_display->QueryResolutions(list, &count);
    ASSERT_EQ(3, count);
    EXPECT_EQ(15, list[0].bitsPerPixel);
    EXPECT_EQ(16, list[1].bitsPerPixel);
    EXPECT_EQ(32, list[2].bitsPerPixel);

    EXPECT_EQ(0, m_display->OpenResolution(640, 480, 16, 0));
    EXPECT_EQ(DEV_FMT_R5G6B5, Device().present.backBufferFormat);
    s32 width = 0, height = 0, bits = 0;
    m_display->GetMode(&width, &height, &bits);
    EXPECT_EQ(640, width);
    EXPECT_EQ(480, height);
    EXPECT_EQ(16, bits);
    m_display->CloseResolution();
    EXPECT_FATAL(m_display->OpenResolution(800, 600, 16, 0), "DSP_Display::OpenResolution()",
                 "illegal resolution specified");
}

TEST_F(DisplayTest, MultisampleBitsChooseTheLowestCountTheDeviceTakes)
{
    struct Case
    {
        u32 bits;
        u32 samples;
    };
    const Case cases[] = {
        {0x0000, 0}, {0x0001, 0}, {0x0006, 2},
        {0x0008, 4}, {0x8000, 0},  // 16 samples: the fake offers at most 4, so none
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        Open(640, 480, 32, c.bits);
        EXPECT_EQ(c.samples, Device().present.multiSampleType);
        delete m_display;
        m_display = nullptr;
    }
    m_fake.maxSamples = 16;
    Open(640, 480, 32, 0x8000);
    EXPECT_EQ(16u, Device().present.multiSampleType);
}

TEST_F(DisplayTest, OpeningFillsThePresentationAndWritesEveryDefault)
{
    Make();
    ASSERT_EQ(0, m_display->OpenResolution(1024, 768, 32, 0));
    const DEV_PresentParameters& present = Device().present;
    EXPECT_EQ(1024u, present.backBufferWidth);
    EXPECT_EQ(768u, present.backBufferHeight);
    EXPECT_EQ(1u, present.backBufferCount);
    EXPECT_EQ((u32)DEV_SWAPEFFECT_DISCARD, present.swapEffect);
    EXPECT_EQ(1u, present.enableAutoDepthStencil);
    EXPECT_EQ((u32)DEV_FMT_D16, present.autoDepthStencilFormat);
    EXPECT_EQ((u32)DEV_PRESENT_INTERVAL_IMMEDIATE, present.fullScreenPresentationInterval);
    EXPECT_EQ(0u, present.windowed);
    EXPECT_EQ((u32)DEV_CREATE_HARDWARE_VERTEXPROCESSING, Device().behavior);

    EXPECT_EQ(32u, m_fake.Count("SetRenderState "));
    EXPECT_EQ(8u * 24u, m_fake.Count("SetTextureStageState "));
    EXPECT_EQ(1u, Device().renderStates[DEV_RS_ZENABLE]);
    EXPECT_EQ(1u, Device().renderStates[DEV_RS_ALPHABLENDENABLE]);
    EXPECT_EQ(0u, Device().renderStates[DEV_RS_SOFTWAREVERTEXPROCESSING]);
    EXPECT_EQ(0xFFFFFFFFu, Device().renderStates[DEV_RS_MULTISAMPLEMASK]);
    EXPECT_EQ((u32)DEV_TOP_MODULATE, Device().stageStates[0][DEV_TSS_COLOROP]);
    EXPECT_EQ((u32)DEV_TOP_DISABLE, Device().stageStates[5][DEV_TSS_COLOROP]);
    EXPECT_EQ(5u, Device().stageStates[5][DEV_TSS_TEXCOORDINDEX]);
    EXPECT_EQ(1u, Device().stageStates[3][DEV_TSS_MAXANISOTROPY]);

    const u32 defaults[DSP_RS_COUNT] = {1, 3, 1, 1, 2, 1, 3, 4, 0, 5, 0, 0, 0};
    for (s32 i = 0; i < DSP_RS_COUNT; ++i) {
        u32 value = 99;
        m_display->GetRenderState(i, &value);
        EXPECT_EQ(defaults[i], value) << i;
    }

    // The shared dynamic buffers: 4M vertices and 4M 16-bit entries, ids 1 and 1.
    EXPECT_EQ(1, m_display->GetSharedVertexBuffer());
    EXPECT_EQ(1, m_display->GetSharedIndexBuffer());
    ASSERT_EQ(1u, m_fake.Count("CreateVertexBuffer 167772160 0x208 0 "));
    ASSERT_EQ(1u, m_fake.Count("CreateIndexBuffer 8388608 0x208 0 "));
}

TEST_F(DisplayTest, WindowedUsesTheClientAreaAndTheDesktopFormat)
{
    Open(1600, 1200, 16, 0, 0);
    EXPECT_EQ(640u, Device().present.backBufferWidth);
    EXPECT_EQ(480u, Device().present.backBufferHeight);
    EXPECT_EQ((u32)DEV_FMT_X8R8G8B8, Device().present.backBufferFormat);
    EXPECT_EQ(1u, Device().present.windowed);
    EXPECT_EQ((u32)DEV_PRESENT_INTERVAL_DEFAULT, Device().present.fullScreenPresentationInterval);
}

TEST_F(DisplayTest, MissingRequiredTextureFormatsAreFatalInOrder)
{
    struct Case
    {
        u32 missing;
        const char* message;
    };
    const Case cases[] = {
        {DEV_FMT_R5G6B5, "texture format rgb565 not supported"},
        {DEV_FMT_A1R5G5B5, "texture format argb1555 not supported"},
        {DEV_FMT_A8R8G8B8, "texture format argb8888 not supported"},
    };
    for (const Case& c : cases) {
        m_fake.textureFormats = {DEV_FMT_R5G6B5, DEV_FMT_A1R5G5B5, DEV_FMT_A8R8G8B8};
        m_fake.textureFormats.erase(std::find(m_fake.textureFormats.begin(), m_fake.textureFormats.end(), c.missing));
        Make();
        EXPECT_FATAL(m_display->OpenResolution(640, 480, 32, 0), "DSP_Display::OpenResoultion()", c.message);
        delete m_display;
        m_display = nullptr;
    }
    // The optional ones only answer the support question.
    m_fake.textureFormats = {DEV_FMT_R5G6B5, DEV_FMT_A1R5G5B5, DEV_FMT_A8R8G8B8, DEV_FMT_DXT3};
    Open();
    const s32 expected[9] = {0, 0, 1, 0, 0, 1, 1, 1, 0};
    for (s32 type = 0; type < 9; ++type)
        EXPECT_EQ(expected[type], m_display->IsTextureTypeSupported(type)) << type;
    EXPECT_FATAL(m_display->IsTextureTypeSupported(9), "DSP_Display::IsTextureTypeSupported()", "illegal type");
}

TEST_F(DisplayTest, DeviceWithoutStreamsIsNotUsable)
{
    m_fake.caps.maxStreams = 0;
    Make();
    EXPECT_FATAL(m_display->OpenResolution(640, 480, 32, 0), "DSP_Display::OpenResolution()",
                 "the gfx card driver is not DX8 compliant");
}

// ---- render-state cache ----

TEST_F(DisplayTest, RepeatedRenderStateReachesTheDeviceOnce)
{
    Open();
    m_display->SetRenderState(DSP_RS_SRCBLEND, DEV_BLEND_SRCALPHA);
    m_display->SetRenderState(DSP_RS_SRCBLEND, DEV_BLEND_SRCALPHA);
    m_display->SetRenderState(DSP_RS_DESTBLEND, DEV_BLEND_ZERO);  // the default already
    EXPECT_EQ(1u, m_fake.Count("SetRenderState "));
    EXPECT_EQ(1u, m_fake.Count("SetRenderState 19 5"));
    const DSP_CacheCounters& counters = m_display->GetRenderStateCounters();
    EXPECT_EQ(3u, counters.calls);
    EXPECT_EQ(2u, counters.redundant);
    EXPECT_EQ(1u, counters.applied);

    // Depth testing on writes the z-buffer type, off writes 0.
    m_display->SetRenderState(DSP_RS_ZENABLE, 0);
    m_display->SetRenderState(DSP_RS_ZENABLE, 7);
    EXPECT_EQ(1u, m_fake.Count("SetRenderState 7 0"));
    EXPECT_EQ(1u, m_fake.Count("SetRenderState 7 1"));
    u32 value = 0;
    m_display->GetRenderState(DSP_RS_ZENABLE, &value);
    EXPECT_EQ(7u, value);
}

TEST_F(DisplayTest, SetRenderStatesNeverTouchesTheFillMode)
{
    Open();
    m_display->SetRenderState(DSP_RS_FILLMODE, DEV_FILL_WIREFRAME);
    u32 block[DSP_RS_COUNT] = {1, DEV_FILL_SOLID, 0, 1, 5, 6, 1, 4, 64, 5, 0, 0, 0x80808080u};
    m_fake.Forget();
    m_display->SetRenderStates(block);
    EXPECT_EQ(0u, m_fake.Count("SetRenderState 8 "));
    EXPECT_EQ((u32)DEV_FILL_WIREFRAME, Device().renderStates[DEV_RS_FILLMODE]);
    EXPECT_EQ(0x80808080u, Device().renderStates[DEV_RS_TEXTUREFACTOR]);
    EXPECT_EQ(64u, Device().renderStates[DEV_RS_ALPHAREF]);
    u32 fill = 0;
    m_display->GetRenderState(DSP_RS_FILLMODE, &fill);
    EXPECT_EQ((u32)DEV_FILL_WIREFRAME, fill);
}

TEST_F(DisplayTest, CachedStatesLeaveTheDeviceWhereDirectWritesWould)
{
    Open();
    // Random blocks through the cache must end with the device holding exactly the last value
    // of every state, as if each had been written straight through.
    const u32 codes[DSP_RS_COUNT] = {
        DEV_RS_ZENABLE,        DEV_RS_FILLMODE, DEV_RS_ZWRITEENABLE, DEV_RS_ALPHATESTENABLE, DEV_RS_SRCBLEND,
        DEV_RS_DESTBLEND,      DEV_RS_CULLMODE, DEV_RS_ZFUNC,        DEV_RS_ALPHAREF,        DEV_RS_ALPHAFUNC,
        DEV_RS_SPECULARENABLE, DEV_RS_ZBIAS,    DEV_RS_TEXTUREFACTOR};
    MAT_Random random;
    std::map<u32, u32> expected = Device().renderStates;
    for (s32 round = 0; round < 200; ++round) {
        u32 block[DSP_RS_COUNT];
        for (u32& value : block)
            value = random.Next() % 3;
        m_display->SetRenderStates(block);
        for (s32 i = 0; i < DSP_RS_COUNT; ++i)
            if (i != DSP_RS_FILLMODE)
                expected[codes[i]] = i == DSP_RS_ZENABLE ? (block[i] ? 1u : 0u) : block[i];
        const s32 stage = (s32)(random.Next() % 8);
        const s32 entry = (s32)(random.Next() % 13);
        m_display->SetTextureStageState(stage, entry, (s32)(random.Next() % 4));
    }
    EXPECT_EQ(expected, Device().renderStates);
    const DSP_CacheCounters& counters = m_display->GetRenderStateCounters();
    EXPECT_EQ(200u * 12u, counters.calls);
    EXPECT_EQ(counters.calls, counters.redundant + counters.applied);
    EXPECT_EQ(counters.applied, m_fake.Count("SetRenderState "));
    EXPECT_GT(counters.redundant, 0u);
}

// ---- texture stages ----

TEST_F(DisplayTest, TextureBindsUnbindAndCount)
{
    Open();
    m_display->SetTextureCacheSize(16);
    m_display->Texture_Create(5, DSP_TEXTURE_A8R8G8B8, 3, 1);
    m_display->Texture_Create(6, DSP_TEXTURE_R5G6B5, 3, 1);
    const DEV_Handle five = Device().textures.rbegin()->first - 1;
    m_fake.Forget();

    m_display->SetTextureStageState(0, DSP_TSS_TEXTURE, 5);
    EXPECT_EQ(five, Device().stageTextures[0]);
    m_display->SetTextureStageState(0, DSP_TSS_TEXTURE, 5);  // redundant
    EXPECT_EQ(1u, m_display->GetFrameCounters().textureBinds);
    // A change unbinds the old texture first; -1 unbinds and still counts a bind.
    m_display->SetTextureStageState(0, DSP_TSS_TEXTURE, 6);
    m_display->SetTextureStageState(0, DSP_TSS_TEXTURE, -1);
    EXPECT_EQ(0u, Device().stageTextures[0]);
    EXPECT_EQ(3u, m_display->GetFrameCounters().textureBinds);
    const std::vector<std::string> expected = {"SetTexture 0 " + std::to_string(five), "SetTexture 0 0",
                                               "SetTexture 0 " + std::to_string(five + 1), "SetTexture 0 0"};
    EXPECT_EQ(expected, m_fake.Matching("SetTexture "));
    // An id without a texture binds nothing; ids outside the table are fatal.
    m_display->SetTextureStageState(1, DSP_TSS_TEXTURE, 9);
    EXPECT_EQ(0u, Device().stageTextures[1]);
    EXPECT_FATAL(m_display->SetTextureStageState(2, DSP_TSS_TEXTURE, -2), "DSP_Display::SetTextureStageState()",
                 "texture ID is out of range");
    EXPECT_FATAL(m_display->SetTextureStageState(2, DSP_TSS_TEXTURE, 16), "DSP_Display::SetTextureStageState()",
                 "texture ID is out of range");

    const DSP_CacheCounters& stage0 = m_display->GetTextureStageCounters(0);
    EXPECT_EQ(4u, stage0.calls);
    EXPECT_EQ(1u, stage0.redundant);
    EXPECT_EQ(3u, stage0.applied);
}

TEST_F(DisplayTest, TextureOverrideIgnoresBindsUntilEnabled)
{
    Open();
    m_display->SetTextureCacheSize(16);
    m_display->Texture_Create(3, DSP_TEXTURE_A8R8G8B8, 2, 1);
    m_display->Texture_Create(5, DSP_TEXTURE_A8R8G8B8, 2, 1);
    m_display->SetTextureStageState(1, DSP_TSS_TEXTURE, 3);
    m_display->DisableTextures();
    EXPECT_EQ(0u, Device().stageTextures[1]);
    m_fake.Forget();

    m_display->SetTextureStageState(0, DSP_TSS_TEXTURE, 5);
    EXPECT_EQ(0u, m_fake.Count("SetTexture"));
    m_display->DisableTextures();  // already on: nothing
    EXPECT_EQ(0u, m_fake.Count("SetTexture"));

    m_display->EnableTextures();
    EXPECT_EQ(0u, m_fake.Count("SetTexture"));  // nothing is re-bound
    m_display->SetTextureStageState(0, DSP_TSS_TEXTURE, 5);
    EXPECT_EQ(Device().textures.rbegin()->first, Device().stageTextures[0]);
}

TEST_F(DisplayTest, StageDescriptorsAndTheDisableShortcut)
{
    Open();
    m_display->SetTextureCacheSize(4);
    const s32 descriptor[DSP_TSS_COUNT] = {DEV_TOP_SELECTARG2,
                                           DEV_TA_DIFFUSE,
                                           DEV_TA_TEXTURE,
                                           DEV_TOP_SELECTARG2,
                                           DEV_TA_DIFFUSE,
                                           DEV_TA_TEXTURE,
                                           1,
                                           DEV_TADDRESS_CLAMP,
                                           DEV_TADDRESS_CLAMP,
                                           DEV_TEXF_LINEAR,
                                           DEV_TEXF_LINEAR,
                                           DEV_TEXF_POINT,
                                           0,
                                           -1};
    m_display->SetTextureStageStates(1, descriptor);
    const std::vector<std::string> expected = {"SetTextureStageState 1 1 3", "SetTextureStageState 1 4 3",
                                               "SetTextureStageState 1 13 3", "SetTextureStageState 1 14 3"};
    EXPECT_EQ(expected, m_fake.calls);
    m_fake.Forget();
    m_display->SetTextureStageStates(1, nullptr);
    EXPECT_EQ(std::vector<std::string>{"SetTextureStageState 1 1 1"}, m_fake.calls);
    EXPECT_FATAL(m_display->SetTextureStageState(8, 0, 1), "DSP_Display::SetTextureStageState()", "illegal stage");
}

// ---- drawing ----

TEST_F(DisplayTest, TrianglesAreCountedPerMode)
{
    Open();
    s32 vb = 0, ib = 0;
    m_display->VertexBuffer_Create(&vb, 0, 400);
    m_display->IndexBuffer_Create(&ib, 0, 0, 400);
    struct Case
    {
        s32 mode;
        s32 indices;
        u32 triangles;
        u32 type;
        u32 primitives;
    };
    const Case cases[] = {
        {0, 300, 100, DEV_PT_TRIANGLELIST, 100}, {1, 300, 298, DEV_PT_TRIANGLESTRIP, 298},
        {2, 300, 298, DEV_PT_TRIANGLEFAN, 298},  {3, 300, 0, DEV_PT_LINELIST, 150},
        {4, 300, 0, DEV_PT_LINESTRIP, 299},      {0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        m_display->GetFrameCounters() = DSP_FrameCounters();
        m_fake.Forget();
        m_display->DrawVertexArray(c.mode, ib, 0, c.indices, vb, 0, 0, 400);
        EXPECT_EQ(c.triangles, m_display->GetFrameCounters().triangles);
        if (c.indices == 0) {
            EXPECT_EQ(0u, m_fake.Count("DrawIndexedPrimitive"));
        } else {
            EXPECT_EQ(1u, m_fake.Count("DrawIndexedPrimitive " + std::to_string(c.type) + " 0 400 0 " +
                                       std::to_string(c.primitives)));
        }
    }
    // No vertices: nothing drawn, nothing counted.
    m_display->GetFrameCounters() = DSP_FrameCounters();
    m_display->DrawVertexArray(0, ib, 0, 3, vb, 0, 0, 0);
    EXPECT_EQ(0u, m_display->GetFrameCounters().triangles);
    EXPECT_FATAL(m_display->DrawVertexArray(5, ib, 0, 3, vb, 0, 0, 3), "DSP_Display::DrawVertexArray()",
                 "illegal mode");
}

TEST_F(DisplayTest, BuffersAreBoundOnlyWhenTheyChange)
{
    Open();
    s32 vb1 = 0, vb2 = 0, ib = 0;
    m_display->VertexBuffer_Create(&vb1, 0, 64);
    m_display->VertexBuffer_Create(&vb2, 0, 64);
    m_display->IndexBuffer_Create(&ib, 0, 0, 64);
    m_fake.Forget();
    m_display->DrawVertexArray(0, ib, 0, 6, vb1, 0, 0, 8);
    m_display->DrawVertexArray(0, ib, 6, 6, vb1, 0, 0, 8);
    DSP_FrameCounters counters = m_display->GetFrameCounters();
    EXPECT_EQ(1u, counters.streamBinds);
    EXPECT_EQ(1u, counters.indexBufferBinds);
    // A different base vertex alone re-binds the indices, not the stream.
    m_display->DrawVertexArray(0, ib, 0, 6, vb1, 8, 0, 8);
    EXPECT_EQ(1u, m_display->GetFrameCounters().streamBinds);
    EXPECT_EQ(2u, m_display->GetFrameCounters().indexBufferBinds);
    EXPECT_EQ(8u, Device().baseVertexIndex);
    // Another vertex buffer re-binds the stream only.
    m_display->DrawVertexArray(0, ib, 0, 6, vb2, 8, 0, 8);
    EXPECT_EQ(2u, m_display->GetFrameCounters().streamBinds);
    EXPECT_EQ(2u, m_display->GetFrameCounters().indexBufferBinds);
    EXPECT_EQ(2u, m_fake.Count("SetStreamSource 0 "));
    EXPECT_EQ(1u, m_fake.Count("SetStreamSource 0 " + std::to_string(Device().stream) + " 40"));

    // Destroying a bound buffer unbinds it first, so the next draw binds again.
    m_display->VertexBuffer_Destroy(vb2);
    m_display->IndexBuffer_Destroy(ib);
    EXPECT_EQ(0u, Device().stream);
    EXPECT_EQ(0u, Device().indices);
}

TEST_F(DisplayTest, DrawRangesOutsideTheBuffersAreRefused)
{
    Open();
    s32 vb = 0, ib = 0;
    m_display->VertexBuffer_Create(&vb, 0, 10);
    m_display->IndexBuffer_Create(&ib, 0, 0, 12);
    m_fake.Forget();
    struct Case
    {
        s32 ib, start, count, vb, base, minIndex, vertices;
    };
    const Case cases[] = {
        {ib, 9, 6, vb, 0, 0, 10},                            // indices past the end
        {ib, -3, 6, vb, 0, 0, 10},                           // before the start
        {ib, 0, 6, vb, 0, 0, 11},                            // vertices past the end
        {ib, 0, 6, vb, 4, 2, 5},                             // base + minimum index + count past the end
        {ib, 0, 6, vb, -1, 0, 5},  {ib, 0, 6, 0, 0, 0, 5},   // no vertex buffer
        {ib, 0, 6, 600, 0, 0, 5},  {77, 0, 6, vb, 0, 0, 5},  // an index buffer that does not exist
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        EXPECT_D3D_ERROR(m_display->DrawVertexArray(0, c.ib, c.start, c.count, c.vb, c.base, c.minIndex, c.vertices),
                         "D3DERR_INVALIDCALL");
    }
    EXPECT_EQ(0u, m_fake.Count("DrawIndexedPrimitive"));
    m_display->DrawVertexArray(0, ib, 6, 6, vb, 4, 1, 5);  // exactly up to both ends
    EXPECT_EQ(1u, m_fake.Count("DrawIndexedPrimitive"));
}

// ---- buffers ----

TEST_F(DisplayTest, LocksAddressTheirRangeAndOutOfRangeLocksFail)
{
    Open();
    s32 vb = 0, ib = 0;
    m_display->VertexBuffer_Create(&vb, 1, 100);
    m_display->IndexBuffer_Create(&ib, 0, 0, 50);
    const DEV_NullBuffer& vertices = Device().vertexBuffers.rbegin()->second;
    EXPECT_EQ((u32)(DEV_USAGE_DYNAMIC | DEV_USAGE_WRITEONLY), vertices.usage);
    EXPECT_EQ((u32)DEV_POOL_DEFAULT, vertices.pool);
    EXPECT_EQ((u32)DEV_USAGE_WRITEONLY, Device().indexBuffers.rbegin()->second.usage);
    EXPECT_EQ((u32)DEV_POOL_MANAGED, Device().indexBuffers.rbegin()->second.pool);
    m_fake.Forget();

    void* data = nullptr;
    m_display->VertexBuffer_Lock(vb, 1, &data, 10, 5);
    EXPECT_EQ(vertices.data + 400, data);
    m_display->VertexBuffer_Unlock(vb);
    m_display->IndexBuffer_Lock(ib, 2, &data, 3, 4);
    m_display->IndexBuffer_Unlock(ib);
    const std::vector<std::string> locks = m_fake.Matching("Lock");
    ASSERT_EQ(2u, locks.size());
    EXPECT_NE(std::string::npos, locks[0].find(" 400 200 0x2800"));  // discard + no system lock
    EXPECT_NE(std::string::npos, locks[1].find(" 6 8 0x1800"));      // no-overwrite + no system lock

    m_fake.Forget();
    EXPECT_D3D_ERROR(m_display->VertexBuffer_Lock(vb, 0, &data, 96, 5), "D3DERR_INVALIDCALL");
    EXPECT_EQ(nullptr, data);
    EXPECT_D3D_ERROR(m_display->VertexBuffer_Lock(vb, 0, &data, -1, 5), "D3DERR_INVALIDCALL");
    EXPECT_D3D_ERROR(m_display->IndexBuffer_Lock(ib, 0, &data, 0, 51), "D3DERR_INVALIDCALL");
    EXPECT_EQ(0u, m_fake.Count("Lock"));
}

TEST_F(DisplayTest, BufferIdErrorsHaveTheirTexts)
{
    Open();
    s32 id = 0;
    void* data = nullptr;
    EXPECT_FATAL(m_display->VertexBuffer_Create(&id, 2, 10), "DSP_Display::VertexBuffer_Create()", "illegal type");
    EXPECT_FATAL(m_display->IndexBuffer_Create(&id, 0, 1, 10), "DSP_Display::IndexBuffer_Create()",
                 "32bit index buffers currently not supported");
    EXPECT_FATAL(m_display->IndexBuffer_Create(&id, 0, 2, 10), "DSP_Display::IndexBuffer_Create()",
                 "illegal entrytype");
    EXPECT_FATAL(m_display->VertexBuffer_Destroy(513), "DSP_Display::VertexBuffer_Destroy()", "ID is out of range");
    EXPECT_FATAL(m_display->VertexBuffer_Destroy(7), "DSP_Display::VertexBuffer_Destroy()",
                 "ID specified no valid vertexbuffer");
    EXPECT_FATAL(m_display->IndexBuffer_Destroy(-1), "DSP_Display::IndexBuffer_Destroy()", "ID is out of range");
    EXPECT_FATAL(m_display->IndexBuffer_Destroy(7), "DSP_Display::IndexBuffer_Destroy()",
                 "ID specified no valid IndexBuffer");
    EXPECT_EQ(0, m_display->VertexBuffer_Destroy(0));
    EXPECT_EQ(0, m_display->IndexBuffer_Destroy(0));
    EXPECT_FATAL(m_display->VertexBuffer_Lock(0, 0, &data, 0, 1), "DSP_Display::VertexBuffer_Lock()", "illegal ID");
    EXPECT_FATAL(m_display->VertexBuffer_Lock(7, 0, &data, 0, 1), "DSP_Display::VertexBuffer_Lock()",
                 "vb has not been created");
    EXPECT_FATAL(m_display->VertexBuffer_Lock(1, 3, &data, 0, 1), "DSP_Display::VertexBuffer_Lock()",
                 "illegal lock type");
    EXPECT_FATAL(m_display->VertexBuffer_Unlock(600), "DSP_Display::VertexBuffer_Lock()", "illegal vb ID");
    EXPECT_FATAL(m_display->VertexBuffer_Unlock(7), "DSP_Display::VertexBuffer_Lock()", "vb has not been created");
    EXPECT_FATAL(m_display->IndexBuffer_Lock(1025, 0, &data, 0, 1), "DSP_Display::IndexBuffer_Lock()", "illegal ID");
    EXPECT_FATAL(m_display->IndexBuffer_Lock(7, 0, &data, 0, 1), "DSP_Display::IndexBuffer_Lock()",
                 "ib has not been created");
    EXPECT_FATAL(m_display->IndexBuffer_Lock(1, -1, &data, 0, 1), "DSP_Display::IndexBuffer_Lock()",
                 "illegal lock type");
}

TEST_F(DisplayTest, SlotLimitsAreFatalOverflows)
{
    Open();
    s32 id = 0;
    // The shared dynamic buffers hold slot 1 of each table.
    for (s32 i = 2; i <= DSP_NUM_VERTEXBUFFERS; ++i) {
        m_display->VertexBuffer_Create(&id, 0, 1);
        ASSERT_EQ(i, id);
    }
    EXPECT_FATAL(m_display->VertexBuffer_Create(&id, 0, 1), "DSP_Display::VertexBuffer_Create()", "overflow");
    for (s32 i = 2; i <= DSP_NUM_INDEXBUFFERS; ++i) {
        m_display->IndexBuffer_Create(&id, 0, 0, 1);
        ASSERT_EQ(i, id);
    }
    EXPECT_FATAL(m_display->IndexBuffer_Create(&id, 0, 0, 1), "DSP_Display::IndexBuffer_Create()", "overflow");
    for (s32 i = 1; i <= DSP_NUM_VERTEXSHADERS; ++i) {
        m_display->VertexShader_CreateFromFile(&id, "void VS_Main() {}");
        ASSERT_EQ(i, id);
    }
    EXPECT_FATAL(m_display->VertexShader_CreateFromFile(&id, "void VS_Main() {}"),
                 "DSP_Display::VertexShader_CreateFromFile()", "overflow");
    for (s32 i = 1; i <= DSP_NUM_PIXELSHADERS; ++i) {
        m_display->PixelShader_CreateFromMemory(&id, "vec4 PS_Main() { return t0; }");
        ASSERT_EQ(i, id);
    }
    EXPECT_FATAL(m_display->PixelShader_CreateFromMemory(&id, "vec4 PS_Main() { return t0; }"),
                 "DSP_Display::PixelShader_CreateFromMemory()", "overflow");

    // A freed slot is the next one taken.
    m_display->VertexBuffer_Destroy(300);
    m_display->VertexBuffer_Create(&id, 1, 1);
    EXPECT_EQ(300, id);
}

TEST_F(DisplayTest, TouchAllLocksEveryBufferEightTimes)
{
    Open();
    s32 vb = 0;
    m_display->VertexBuffer_Create(&vb, 0, 10);
    m_fake.Forget();
    m_display->VertexBuffer_TouchAll();
    // The shared dynamic buffer with discard, the static one plainly.
    EXPECT_EQ(8u, m_fake.Count("LockVertexBuffer " + std::to_string(Device().vertexBuffers.begin()->first) +
                               " 0 167772160 0x2000"));
    EXPECT_EQ(
        8u, m_fake.Count("LockVertexBuffer " + std::to_string(Device().vertexBuffers.rbegin()->first) + " 0 400 0x0"));
    EXPECT_EQ(16u, m_fake.Count("UnlockVertexBuffer"));
    m_fake.Forget();
    m_display->IndexBuffer_TouchAll();
    EXPECT_EQ(8u, m_fake.Count("LockIndexBuffer"));
    EXPECT_EQ(8u, m_fake.Count("UnlockIndexBuffer"));
}

// ---- shaders ----

TEST_F(DisplayTest, ShaderSelectionIsCachedAndCounted)
{
    Open();
    s32 vs1 = 0, vs2 = 0, ps = 0;
    m_display->VertexShader_CreateFromFile(&vs1, "a");
    m_display->VertexShader_CreateFromFile(&vs2, "b");
    m_display->PixelShader_CreateFromMemory(&ps, "c");
    EXPECT_EQ(2u, m_fake.Count("CreateVertexShader 0x0 "));  // hardware vertex processing: no usage flag
    m_fake.Forget();

    m_display->VertexShader_Set(vs1);
    m_display->VertexShader_Set(vs1);
    m_display->VertexShader_Set(vs2);
    m_display->PixelShader_Set(0);  // none is selected already
    m_display->PixelShader_Set(ps);
    m_display->PixelShader_Set(ps);
    m_display->PixelShader_Set(0);
    EXPECT_EQ(2u, m_fake.Count("SetVertexShader"));
    EXPECT_EQ(2u, m_fake.Count("SetPixelShader"));
    EXPECT_EQ(2u, m_display->GetFrameCounters().vertexShaderChanges);
    EXPECT_EQ(2u, m_display->GetFrameCounters().pixelShaderChanges);
    EXPECT_EQ(1u, m_display->GetVertexShaderCounters().redundant);
    EXPECT_EQ(2u, m_display->GetPixelShaderCounters().redundant);
    EXPECT_EQ(4u, m_display->GetPixelShaderCounters().calls);

    // Destroying the selected shader forgets it, so selecting the id again reaches the device.
    m_display->VertexShader_Destroy(vs2);
    EXPECT_FATAL(m_display->VertexShader_Set(vs2), "DSP_Display::VertexShader_Set()", "vertex shader not created");
    m_display->VertexShader_CreateFromFile(&vs2, "b");
    m_fake.Forget();
    m_display->VertexShader_Set(vs2);
    EXPECT_EQ(1u, m_fake.Count("SetVertexShader"));
    m_display->PixelShader_Set(ps);
    m_fake.Forget();
    m_display->PixelShader_Destroy(ps);
    EXPECT_EQ(1u, m_fake.Count("SetPixelShader 0"));

    EXPECT_FATAL(m_display->VertexShader_Set(129), "DSP_Display::VertexShader_Set()", "ID is out of range");
    EXPECT_FATAL(m_display->VertexShader_Destroy(50), "DSP_Display::VertexShader_Destroy()",
                 "vertex shader not created");
    EXPECT_FATAL(m_display->PixelShader_Destroy(65), "DSP_Display::PixelShader_Destroy()", "ID is out of range");
    EXPECT_FATAL(m_display->PixelShader_Destroy(ps), "DSP_Display::PixelShader_Destroy()", "vertex shader not created");
    EXPECT_FATAL(m_display->PixelShader_Set(3), "DSP_Display::PixelShader_Set()", "vertex shader not created");
}

TEST_F(DisplayTest, ShadersNeedADeviceAndPixelShadersItsSupport)
{
    Make();
    s32 id = 9;
    EXPECT_FATAL(m_display->VertexShader_CreateFromFile(&id, "a"), "DSP_Display::VertexShader_CreateFromFile()",
                 "no device available, call OpenResolution()");
    EXPECT_FATAL(m_display->PixelShader_CreateFromMemory(&id, "a"), "DSP_Display::PixelShader_CreateFromMemory()",
                 "no device available, call OpenResolution()");
    delete m_display;
    m_display = nullptr;

    m_fake.caps.pixelShaderVersion = 0;
    m_fake.caps.devCaps = 0;  // and no hardware vertex processing
    Open();
    m_display->PixelShader_CreateFromMemory(&id, "a");
    EXPECT_EQ(0, id);
    EXPECT_EQ(0u, m_fake.Count("CreatePixelShader"));
    s32 major = -1, minor = -1;
    m_display->GetPixelShaderVersion(&major, &minor);
    EXPECT_EQ(0, major);
    EXPECT_EQ((u32)DEV_CREATE_SOFTWARE_VERTEXPROCESSING, Device().behavior);
    m_display->VertexShader_CreateFromFile(&id, "a");
    EXPECT_EQ(1u, m_fake.Count("CreateVertexShader 0x10 "));
}

// ---- textures ----

TEST_F(DisplayTest, RecreatingATextureUnbindsItFromEveryStage)
{
    Open();
    m_display->SetTextureCacheSize(8);
    m_display->Texture_Create(3, DSP_TEXTURE_A8R8G8B8, 4, 1);
    m_display->SetTextureStageState(0, DSP_TSS_TEXTURE, 3);
    m_display->SetTextureStageState(2, DSP_TSS_TEXTURE, 3);
    m_fake.Forget();

    m_display->Texture_Create(3, DSP_TEXTURE_R5G6B5, 5, 2);
    const DEV_Handle created = Device().textures.rbegin()->first;
    EXPECT_EQ(1u, Device().textures.size());
    EXPECT_EQ("CreateTexture 32 32 2 0 23 1 -> " + std::to_string(created), m_fake.calls.back());
    // The stages forgot the old texture: binding id 3 again reaches the device with the new one.
    m_display->SetTextureStageState(0, DSP_TSS_TEXTURE, 3);
    m_display->SetTextureStageState(2, DSP_TSS_TEXTURE, 3);
    EXPECT_EQ(created, Device().stageTextures[0]);
    EXPECT_EQ(created, Device().stageTextures[2]);

    // Destroying unbinds in the same way and empties the entry.
    m_display->Texture_Destroy(3);
    EXPECT_EQ(0u, Device().stageTextures[0]);
    EXPECT_EQ(0u, Device().stageTextures[2]);
    EXPECT_FATAL(m_display->Texture_Destroy(3), "DSP_Display::Texture_Destroy()", "no surface created");
}

TEST_F(DisplayTest, TextureCallsCheckTheirArguments)
{
    Open();
    void* bits = nullptr;
    s32 pitch = 0;
    EXPECT_EQ(1, m_display->Texture_FlushTextures(0, 0));  // no table yet
    EXPECT_FATAL(m_display->RequestTexture(0, "x"), "DSP_Display::RequestTexture()", "no texturcache set");
    m_display->SetTextureCacheSize(8);
    EXPECT_FATAL(m_display->Texture_Create(8, 7, 2, 1), "DSP_Display::Texture_Create()", "ID is out of range");
    EXPECT_FATAL(m_display->Texture_Create(0, 7, 2, 13), "DSP_Display::Texture_Create()",
                 "numofmiplevels is out of range");
    EXPECT_FATAL(m_display->Texture_Create(0, 9, 2, 1), "DSP_Display::Texture_Create()", "illegal type");
    EXPECT_D3D_ERROR(m_display->Texture_Create(0, 7, 12, 1), "D3DERR_INVALIDCALL");
    EXPECT_FATAL(m_display->Texture_Lock(-1, 0, &bits, &pitch), "DSP_Display::Texture_Lock()", "ID is out of range");
    EXPECT_FATAL(m_display->Texture_Lock(1, 0, &bits, &pitch), "DSP_Display::Texture_Lock()", "no surface created");
    EXPECT_FATAL(m_display->Texture_Unlock(1, 0), "DSP_Display::Texture_Unlock()", "no surface created");
    EXPECT_FATAL(m_display->Texture_Refresh(9, nullptr), "DSP_Display::Texture_Refresh()", "ID is out of range");
    EXPECT_FATAL(m_display->Texture_FlushTextures(5, 4), "DSP_Display::Texture_FlushTextures()",
                 "minid must be lower than maxid");
    EXPECT_FATAL(m_display->Texture_FlushTextures(0, 8), "DSP_Display::Texture_FlushTextures()",
                 "maxid must be less than maxnumoftextures");
    EXPECT_FATAL(m_display->Texture_ReleaseTextureSurfaces(0, 8), "DSP_Display::Texture_ReleaseTextureSurfaces()",
                 "maxid must be less than maxnumoftextures");

    m_display->Texture_Create(1, DSP_TEXTURE_A4R4G4B4, 3, 1);
    EXPECT_D3D_ERROR(m_display->Texture_Lock(1, 1, &bits, &pitch), "D3DERR_INVALIDCALL");
    m_display->Texture_Lock(1, 0, &bits, &pitch);
    EXPECT_EQ(16, pitch);
    m_display->Texture_Unlock(1, 0);
}

TEST_F(DisplayTest, FlushReleasesTheRangeAndForgetsBindingsWithoutTheDevice)
{
    Open();
    m_display->SetTextureCacheSize(8);
    for (s32 id = 0; id < 8; ++id)
        m_display->Texture_Create(id, DSP_TEXTURE_A1R5G5B5, 1, 1);
    m_display->SetTextureStageState(0, DSP_TSS_TEXTURE, 6);
    m_display->SetTextureStageState(1, DSP_TSS_TEXTURE, 1);
    m_fake.Forget();

    m_display->Texture_ReleaseTextureSurfaces(2, 3);
    EXPECT_EQ(2u, m_fake.Count("ReleaseTexture"));
    m_display->Texture_FlushTextures(5, 6);
    EXPECT_EQ(4u, m_fake.Count("ReleaseTexture"));
    EXPECT_EQ(0u, m_fake.Count("SetTexture"));
    EXPECT_EQ(4u, Device().textures.size());
    // Both stages forgot their ids, so binding id 1 again reaches the device.
    m_display->SetTextureStageState(1, DSP_TSS_TEXTURE, 1);
    EXPECT_EQ(1u, m_fake.Count("SetTexture 1 "));
    m_fake.Forget();
    m_display->Texture_FlushTextures(-1, -1);
    EXPECT_EQ(4u, m_fake.Count("ReleaseTexture"));
    EXPECT_TRUE(Device().textures.empty());
}

TEST_F(DisplayTest, RefreshCopiesRowsAtThePitchAndNeverPastTheLevel)
{
    Open();
    m_display->SetTextureCacheSize(4);
    m_display->Texture_Create(0, DSP_TEXTURE_R5G6B5, 2, 1);  // 4 x 4, 8 bytes a row
    std::vector<u8> pixels(32);
    for (size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = (u8)i;
    EXPECT_EQ(0, m_display->Texture_Refresh(0, pixels.data()));
    const DEV_NullTexture& texture = Device().textures.begin()->second;
    EXPECT_EQ(pixels, texture.memory[0]);

    // A DXT1 level of 8 x 8 holds 32 bytes; the refresh copies what fits and no more.
    m_display->Texture_Create(1, DSP_TEXTURE_DXT1, 3, 1);
    std::vector<u8> block(8 * 2 / 8 * 8, 0xAB);
    EXPECT_EQ(0, m_display->Texture_Refresh(1, block.data()));
    EXPECT_EQ(32u, Device().textures.rbegin()->second.memory[0].size());

    // A picture smaller than the level (a texture file of another size than the picture drawn
    // for it) leaves the level alone instead of being read past its end.
    std::vector<u8> small(16, 0xCD);
    EXPECT_EQ(1, m_display->Texture_Refresh(0, small.data(), small.size()));
    EXPECT_EQ(pixels, texture.memory[0]);
    EXPECT_EQ(0, m_display->Texture_Refresh(0, pixels.data(), pixels.size()));
}

TEST_F(DisplayTest, ReloadLoadsTheChosenLevelsAndPreloads)
{
    TST_TempDir dir;
    Open();
    m_display->SetTextureCacheSize(4);
    TST_WriteLevels(dir, "rock", {1, 2, 3}, 32);
    m_display->RequestTexture(2, "rock");
    m_fake.Forget();
    EXPECT_EQ(0, m_display->Texture_ReloadTextures(-1, -1, 1 << 20, 1, 0));
    // Level 3 with its mips 2 and 1: three levels, each locked, filled and unlocked.
    ASSERT_EQ(1u, Device().textures.size());
    const DEV_NullTexture& texture = Device().textures.begin()->second;
    EXPECT_EQ(8u, texture.width);
    EXPECT_EQ(3u, texture.levels);
    EXPECT_EQ((u32)DEV_FMT_A8R8G8B8, texture.format);
    EXPECT_EQ(3u, m_fake.Count("LockRect"));
    EXPECT_EQ(3u, m_fake.Count("UnlockRect"));
    EXPECT_EQ(1u, m_fake.Count("PreLoad"));
    EXPECT_NE(std::vector<u8>(texture.memory[2].size(), 0), texture.memory[2]);  // level 1 was read
    // Without mip-mapping one level.
    m_display->Texture_ReloadTextures(2, 2, 1 << 20, 0, 0);
    EXPECT_EQ(1u, Device().textures.begin()->second.levels);
}

// ---- frame and device loss ----

TEST_F(DisplayTest, ClearPicksTheStencilByTheDepthFormat)
{
    struct Case
    {
        std::vector<u32> depthFormats;
        const char* clear;
    };
    const Case cases[] = {
        {{DEV_FMT_D16}, "Clear 3 0x00000040 1 0"},   {{DEV_FMT_D24X8}, "Clear 3 0x00000040 1 0"},
        {{DEV_FMT_D24S8}, "Clear 7 0x00000040 1 0"}, {{DEV_FMT_D24X4S4}, "Clear 7 0x00000040 1 0"},
        {{DEV_FMT_D32}, "Clear 3 0x00000040 1 0"},
    };
    for (const Case& c : cases) {
        m_fake.depthFormats = c.depthFormats;
        Open();
        m_display->Clear(1, 1, 0x40);
        m_display->Clear(0, 0, 0x40);
        const std::vector<std::string> expected = {c.clear, "Clear 0 0x00000040 1 0"};
        EXPECT_EQ(expected, m_fake.calls);
        delete m_display;
        m_display = nullptr;
    }
}

TEST_F(DisplayTest, AFrameSetsTheViewportAndPresents)
{
    Open();
    m_display->BeginScene();
    m_display->EndScene();
    m_display->Flip();
    const std::vector<std::string> expected = {"SetViewport 0 0 640 480 0 1", "BeginScene", "EndScene", "Present"};
    EXPECT_EQ(expected, m_fake.calls);

    m_fake.results["TestCooperativeLevel"] = DEV_ERR_DEVICELOST;
    EXPECT_D3D_ERROR(m_display->Flip(), "D3DERR_DEVICELOST");
}

TEST_F(DisplayTest, DeviceLossKeepsIdsAndPausesForOneSecond)
{
    TST_ManualClock clock;  // the pause is on the real clock: it stands still until the test moves it
    Open();
    m_display->SetTextureCacheSize(4);
    m_display->Texture_Create(1, DSP_TEXTURE_A8R8G8B8, 2, 1);
    s32 dynamicVb = 0, staticVb = 0, dynamicIb = 0, vs = 0, ps = 0;
    m_display->VertexBuffer_Create(&dynamicVb, 1, 30);
    m_display->VertexBuffer_Create(&staticVb, 0, 30);
    m_display->IndexBuffer_Create(&dynamicIb, 1, 0, 30);
    m_display->VertexShader_CreateFromFile(&vs, "vertex program");
    m_display->PixelShader_CreateFromMemory(&ps, "pixel program");
    m_display->SetRenderState(DSP_RS_CULLMODE, DEV_CULL_NONE);
    m_display->VertexShader_Set(vs);
    m_display->DrawVertexArray(0, dynamicIb, 0, 3, dynamicVb, 0, 0, 3);
    const DEV_Handle staticHandle = Device().vertexBuffers.rbegin()->first;

    EXPECT_EQ(1, m_display->OS_ReleaseResources());
    // Default-pool buffers and shaders are gone from the device; managed ones stay.
    EXPECT_EQ(1u, Device().vertexBuffers.size());
    EXPECT_EQ(1u, Device().vertexBuffers.count(staticHandle));
    EXPECT_TRUE(Device().indexBuffers.empty());
    EXPECT_TRUE(Device().vertexShaders.empty());
    EXPECT_TRUE(Device().pixelShaders.empty());
    EXPECT_EQ(1u, Device().textures.size());

    m_fake.Forget();
    EXPECT_EQ(1, m_display->OS_ReAllocateResources());
    EXPECT_EQ("Reset", m_fake.calls[0]);
    EXPECT_EQ(3u, m_fake.Count("Clear 3 0x10101010 1 0"));
    EXPECT_EQ(3u, m_fake.Count("Present"));
    EXPECT_EQ(1u, m_fake.Count("PreLoad"));
    EXPECT_EQ(3u, Device().vertexBuffers.size());  // the shared ones too
    EXPECT_EQ(2u, Device().indexBuffers.size());
    EXPECT_EQ(1u, Device().vertexShaders.size());
    EXPECT_EQ("vertex program", Device().vertexShaders.begin()->second);
    EXPECT_EQ(1.0f, Device().constants[1][3]);
    EXPECT_EQ((u32)DEV_CULL_CCW, Device().renderStates[DEV_RS_CULLMODE]);
    u32 cull = 0;
    m_display->GetRenderState(DSP_RS_CULLMODE, &cull);
    EXPECT_EQ((u32)DEV_CULL_CCW, cull);

    // Same ids, working again; but for one second nothing is cleared, drawn or shown.
    m_fake.Forget();
    void* data = nullptr;
    m_display->VertexBuffer_Lock(dynamicVb, 1, &data, 0, 30);
    EXPECT_NE(nullptr, data);
    m_display->VertexBuffer_Unlock(dynamicVb);
    m_display->VertexShader_Set(vs);
    EXPECT_EQ(1u, m_fake.Count("SetVertexShader"));
    m_display->PixelShader_Set(ps);
    EXPECT_EQ(1u, m_fake.Count("SetPixelShader"));
    m_display->Clear(1, 1, 0);
    m_display->DrawVertexArray(0, dynamicIb, 0, 3, dynamicVb, 0, 0, 3);
    m_display->Flip();
    EXPECT_EQ(0u, m_fake.Count("Clear"));
    EXPECT_EQ(0u, m_fake.Count("DrawIndexedPrimitive"));
    EXPECT_EQ(0u, m_fake.Count("Present"));

    OS_SetTicks(OS_GetTicks() + OS_GetTickFrequency() * 2);
    m_display->Flip();
    m_display->Clear(1, 1, 0);
    m_display->DrawVertexArray(0, dynamicIb, 0, 3, dynamicVb, 0, 0, 3);
    EXPECT_EQ(1u, m_fake.Count("Present"));
    EXPECT_EQ(1u, m_fake.Count("Clear"));
    EXPECT_EQ(1u, m_fake.Count("DrawIndexedPrimitive"));
}

TEST_F(DisplayTest, CloseReleasesEverythingButKeepsTheTextureTable)
{
    Open();
    m_display->SetTextureCacheSize(4);
    m_display->Texture_Create(1, DSP_TEXTURE_A8R8G8B8, 2, 1);
    s32 id = 0;
    m_display->VertexBuffer_Create(&id, 0, 3);
    m_display->VertexShader_CreateFromFile(&id, "v");
    EXPECT_EQ(0, m_display->CloseResolution());
    EXPECT_EQ(0, m_display->HasDevice());
    EXPECT_EQ("Release device", m_fake.calls.back());
    EXPECT_EQ(4, m_display->GetTextureTableSize());
    // Reopening starts with empty slots again.
    EXPECT_EQ(0, m_display->OpenResolution(640, 480, 32, 0));
    m_display->VertexBuffer_Create(&id, 0, 3);
    EXPECT_EQ(2, id);
    m_display->VertexShader_CreateFromFile(&id, "v");
    EXPECT_EQ(1, id);
}

// ---- pictures ----

TEST_F(DisplayTest, ScreenshotNamesAndLayout)
{
    TST_TempDir dir;
    Open(640, 480, 32);
    struct Case
    {
        s32 number;
        const char* name;
    };
    const Case cases[] = {{7, "vurizezaza00007.tga"}, {123456, "vurizezaza123456.tga"}, {0, "vurizezaza00000.tga"}};
    for (const Case& c : cases) {
        EXPECT_EQ(0, m_display->SaveScreenshot("vurizezaza", c.number));
        EXPECT_TRUE(dir.Exists(c.name)) << c.name;
    }
    const std::string file = dir.Read("vurizezaza00007.tga");
    ASSERT_EQ(18u + 640u * 480u * 3u + 26u, file.size());
    const std::string header("\0\0\x02\0\0\0\0\0\0\0\0\0\x80\x02\xE0\x01\x18\x20", 18);
    EXPECT_EQ(header, file.substr(0, 18));
    EXPECT_EQ(std::string("\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0", 26), file.substr(file.size() - 26));
    // Pixels top row first, B, G, R: the fake's frame has B = x, G = y, R = x + y.
    const u8* pixels = (const u8*)file.data() + 18;
    EXPECT_EQ(3, pixels[3 * 3 + 0]);
    EXPECT_EQ(0, pixels[3 * 3 + 1]);
    const size_t rowTwo = 2 * 640 * 3;
    EXPECT_EQ(5, pixels[rowTwo + 3 * 3 + 2]);

    s32 width = 0, height = 0, size = 100;
    std::vector<u8> small(100);
    EXPECT_EQ(1, m_display->Export(small.data(), &width, &height, &size));
    EXPECT_FATAL(m_display->Export(nullptr, nullptr, &height, &size), "DSP_Display::Export()", "illegal width pointer");
    EXPECT_FATAL(m_display->Export(nullptr, &width, nullptr, &size), "DSP_Display::Export()", "illegal height pointer");
    EXPECT_FATAL(m_display->Export(nullptr, &width, &height, nullptr), "DSP_Display::Export()",
                 "illegal depth pointer");
}

TEST(DisplayWriteTGATest, WritesThePixelsAsTheyAreAndAnswersOneEvenWhenTheFileCannotBeMade)
{
    TST_TempDir dir;
    const u8 pixels[6] = {1, 2, 3, 4, 5, 6};  // two pixels of B, G, R
    EXPECT_EQ(1, DSP_WriteTGA("two.tga", pixels, 2, 1));
    const std::string header("\0\0\x02\0\0\0\0\0\0\0\0\0\x02\0\x01\0\x18\x20", 18);
    EXPECT_EQ(header + std::string("\1\2\3\4\5\6", 6) + std::string("\0\0\0\0\0\0\0\0TRUEVISION-XFILE.\0", 26),
              dir.Read("two.tga"));
    EXPECT_EQ(1, DSP_WriteTGA("no such folder/two.tga", pixels, 2, 1));
    EXPECT_FALSE(dir.Exists("no such folder"));
}

TEST_F(DisplayTest, NoScreenshotInAWindow)
{
    TST_TempDir dir;
    Open(640, 480, 32, 0, 0);
    EXPECT_EQ(1, m_display->SaveScreenshot("vurizezaza", 7));
    EXPECT_FALSE(dir.Exists("vurizezaza00007.tga"));
    s32 width = 0, height = 0, size = 0;
    EXPECT_EQ(1, m_display->Export(nullptr, &width, &height, &size));
    EXPECT_EQ(0u, m_fake.Count("GetFrontBuffer"));
}

TEST_F(DisplayTest, ScreenshotThatCannotBeCreatedAnswersTheFailure)
{
    TST_TempDir dir;
    Open(640, 480, 32);
    EXPECT_EQ(1, m_display->SaveScreenshot("no such folder/vurizezaza", 7));
    EXPECT_FALSE(dir.Exists("no such folder"));
    EXPECT_EQ(0, m_display->SaveScreenshot("vurizezaza", 7));  // the same frame, where it can go
}

// ---- results ----

// The codes as drivers return them, written out rather than taken from the device header, so
// a mistyped constant or a wrong row in the name table shows.
TEST(DisplayResultTest, CheckResultNamesRealCodes)
{
    struct Case
    {
        u32 code;
        const char* name;
    };
    const Case cases[] = {
        {0x88760868u, "D3DERR_DEVICELOST"},
        {0x88760869u, "D3DERR_DEVICENOTRESET"},
        {0x8876086Cu, "D3DERR_INVALIDCALL"},
        {0x8876017Cu, "D3DERR_OUTOFVIDEOMEMORY"},
        {0x88760818u, "D3DERR_WRONGTEXTUREFORMAT"},
        {0x80004005u, "E_FAIL"},
        {0x8007000Eu, "E_OUTOFMEMORY"},
        {0x8876086Du, "UNKNOWN D3DERROR"},  // next to a known code
        {0x00000001u, "UNKNOWN D3DERROR"},  // success codes above zero too
    };
    DSP_Display::CheckResult(0, 5);
    for (const Case& c : cases)
        EXPECT_FATAL(DSP_Display::CheckResult((s32)c.code, 1234), "D3D Error",
                     (std::string(c.name) + " (1234)").c_str());
}

}  // namespace
