// The null device: what a caller can read back, and the calls it refuses as the GL device
// refuses them. No GPU is needed.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "dev_null.h"

namespace
{

class NullDeviceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        DEV_PresentParameters present;
        present.backBufferWidth = 64;
        present.backBufferHeight = 32;
        present.backBufferFormat = DEV_FMT_X8R8G8B8;
        present.windowed = 1;
        present.enableAutoDepthStencil = 1;
        present.autoDepthStencilFormat = DEV_FMT_D16;
        DEV_Device* device = nullptr;
        ASSERT_EQ(DEV_OK, m_driver.CreateDevice(0, DEV_DEVTYPE_HAL, nullptr, DEV_CREATE_HARDWARE_VERTEXPROCESSING,
                                                &present, &device));
        m_device = static_cast<DEV_NullDevice*>(device);
    }

    void TearDown() override { delete m_device; }

    DEV_Handle VertexBuffer(u32 _length, u32 _usage = DEV_USAGE_WRITEONLY, u32 _pool = DEV_POOL_MANAGED)
    {
        DEV_Handle buffer = 0;
        EXPECT_EQ(DEV_OK, m_device->CreateVertexBuffer(_length, _usage, _pool, &buffer));
        return buffer;
    }

    DEV_Handle IndexBuffer(u32 _length, u32 _usage = DEV_USAGE_WRITEONLY, u32 _pool = DEV_POOL_MANAGED)
    {
        DEV_Handle buffer = 0;
        EXPECT_EQ(DEV_OK, m_device->CreateIndexBuffer(_length, _usage, DEV_FMT_INDEX16, _pool, &buffer));
        return buffer;
    }

    DEV_Handle Texture(u32 _side = 8, u32 _levels = 1, u32 _format = DEV_FMT_A8R8G8B8)
    {
        DEV_Handle texture = 0;
        EXPECT_EQ(DEV_OK, m_device->CreateTexture(_side, _side, _levels, 0, _format, DEV_POOL_MANAGED, &texture));
        return texture;
    }

    DEV_Handle VertexShader()
    {
        DEV_Handle shader = 0;
        EXPECT_EQ(DEV_OK, m_device->CreateVertexShader("void VS_Main() {}", 0, &shader));
        return shader;
    }

    DEV_Handle PixelShader()
    {
        DEV_Handle shader = 0;
        EXPECT_EQ(DEV_OK, m_device->CreatePixelShader("vec4 PS_Main() { return v0; }", &shader));
        return shader;
    }

    s32 LockVertices(DEV_Handle _buffer, u32 _offset, u32 _size)
    {
        u8* data = nullptr;
        const s32 result = m_device->LockVertexBuffer(_buffer, _offset, _size, 0, &data);
        if (result == DEV_OK)
            m_device->UnlockVertexBuffer(_buffer);
        else
            EXPECT_EQ(nullptr, data);
        return result;
    }

    DEV_NullDriver m_driver;
    DEV_NullDevice* m_device = nullptr;
};

// ---- handles ----

TEST_F(NullDeviceTest, AHandleNamesOnlyALiveResourceOfItsOwnKind)
{
    const DEV_Handle vertices = VertexBuffer(400);
    const DEV_Handle entries = IndexBuffer(60);
    const DEV_Handle texture = Texture();
    const DEV_Handle vertexShader = VertexShader();
    const DEV_Handle pixelShader = PixelShader();
    const DEV_Handle all[] = {vertices, entries, texture, vertexShader, pixelShader};
    for (u32 i = 0; i < 5; ++i) {
        EXPECT_NE(0u, all[i]);
        for (u32 j = i + 1; j < 5; ++j)
            EXPECT_NE(all[i], all[j]) << "handles are unique across kinds";
    }
    u8* data = nullptr;
    s32 pitch = 0;
    DEV_SurfaceDesc desc;
    for (DEV_Handle other : {entries, texture, vertexShader, pixelShader, 0u, 999u}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->LockVertexBuffer(other, 0, 0, 0, &data));
        EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->UnlockVertexBuffer(other));
        if (other != 0) {
            EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetStreamSource(0, other, 40));
        }
    }
    for (DEV_Handle other : {vertices, texture, vertexShader, pixelShader, 999u}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->LockIndexBuffer(other, 0, 0, 0, &data));
        EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetIndices(other, 0));
    }
    for (DEV_Handle other : {vertices, entries, vertexShader, pixelShader, 999u}) {
        SCOPED_TRACE(other);
        EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetTexture(0, other));
        EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->LockRect(other, 0, &data, &pitch, 0));
        EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->GetLevelDesc(other, 0, &desc));
    }
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetVertexShader(pixelShader));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetPixelShader(vertexShader));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DeleteVertexShader(pixelShader));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DeletePixelShader(texture));

    // Handle 0 unbinds wherever binding is asked for.
    EXPECT_EQ(DEV_OK, m_device->SetStreamSource(0, 0, 0));
    EXPECT_EQ(DEV_OK, m_device->SetIndices(0, 0));
    EXPECT_EQ(DEV_OK, m_device->SetTexture(7, 0));
    EXPECT_EQ(DEV_OK, m_device->SetVertexShader(0));
    EXPECT_EQ(DEV_OK, m_device->SetPixelShader(0));
}

TEST_F(NullDeviceTest, AReleasedHandleStaysDeadAndIsNeverHandedOutAgain)
{
    const DEV_Handle buffer = VertexBuffer(400);
    const DEV_Handle texture = Texture();
    const DEV_Handle shader = VertexShader();
    ASSERT_EQ(DEV_OK, m_device->SetStreamSource(0, buffer, 40));
    ASSERT_EQ(DEV_OK, m_device->SetTexture(3, texture));
    ASSERT_EQ(DEV_OK, m_device->SetVertexShader(shader));

    m_device->ReleaseVertexBuffer(buffer);
    m_device->ReleaseTexture(texture);
    ASSERT_EQ(DEV_OK, m_device->DeleteVertexShader(shader));
    // Whatever had them bound has nothing now.
    EXPECT_EQ(0u, m_device->stream);
    EXPECT_EQ(0u, m_device->stageTextures[3]);
    EXPECT_EQ(0u, m_device->vertexShader);

    const DEV_Handle later[] = {VertexBuffer(400), Texture(), VertexShader(), IndexBuffer(8), PixelShader()};
    for (DEV_Handle made : later)
        for (DEV_Handle gone : {buffer, texture, shader})
            EXPECT_NE(gone, made);
    u8* data = nullptr;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->LockVertexBuffer(buffer, 0, 0, 0, &data));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetStreamSource(0, buffer, 40));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetTexture(0, texture));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetVertexShader(shader));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DeleteVertexShader(shader));
    // A second release is harmless.
    m_device->ReleaseVertexBuffer(buffer);
    m_device->ReleaseTexture(texture);
    EXPECT_EQ(1u, m_device->vertexBuffers.size());
    EXPECT_EQ(1u, m_device->textures.size());
}

// ---- buffers ----

TEST_F(NullDeviceTest, BufferBytesWrittenThroughALockReadBackAtTheirPlace)
{
    const DEV_Handle buffer = VertexBuffer(400);
    u8* data = nullptr;
    ASSERT_EQ(DEV_OK, m_device->LockVertexBuffer(buffer, 120, 40, DEV_LOCK_NOSYSLOCK, &data));
    const DEV_NullBuffer& held = m_device->vertexBuffers.at(buffer);
    EXPECT_EQ(held.data + 120, data);
    for (u32 i = 0; i < 40; ++i)
        data[i] = (u8)(i + 1);
    ASSERT_EQ(DEV_OK, m_device->UnlockVertexBuffer(buffer));

    // A lock of the whole buffer sees them, and zeros around them.
    ASSERT_EQ(DEV_OK, m_device->LockVertexBuffer(buffer, 0, 0, 0, &data));
    EXPECT_EQ(0, data[119]);
    EXPECT_EQ(1, data[120]);
    EXPECT_EQ(40, data[159]);
    EXPECT_EQ(0, data[160]);
    ASSERT_EQ(DEV_OK, m_device->UnlockVertexBuffer(buffer));
    EXPECT_EQ(400u, held.length);
    EXPECT_EQ((u32)DEV_USAGE_WRITEONLY, held.usage);
    EXPECT_EQ((u32)DEV_POOL_MANAGED, held.pool);
}

TEST_F(NullDeviceTest, ALockMustLieInsideItsBufferAndBeUnlockedOnce)
{
    const DEV_Handle buffer = VertexBuffer(400);
    struct Case
    {
        u32 offset, size;
        s32 result;
    };
    const Case cases[] = {
        {0, 0, DEV_OK},                            // the whole buffer
        {360, 0, DEV_OK},                          // from the offset to the end
        {399, 1, DEV_OK},                          // the last byte
        {0, 400, DEV_OK},                          //
        {400, 0, DEV_ERR_INVALIDCALL},             // nothing left to lock
        {0, 401, DEV_ERR_INVALIDCALL},             //
        {396, 8, DEV_ERR_INVALIDCALL},             // runs over the end
        {0xFFFFFFF0u, 0x20, DEV_ERR_INVALIDCALL},  // wraps in 32 bits
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result, LockVertices(buffer, c.offset, c.size)) << c.offset << " " << c.size;

    u8* data = nullptr;
    ASSERT_EQ(DEV_OK, m_device->LockVertexBuffer(buffer, 0, 0, 0, &data));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, LockVertices(buffer, 0, 40));
    EXPECT_EQ(DEV_OK, m_device->UnlockVertexBuffer(buffer));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->UnlockVertexBuffer(buffer));
}

TEST_F(NullDeviceTest, BuffersAreMadeOnlyAsTheGLDeviceMakesThem)
{
    struct Case
    {
        const char* name;
        u32 length, usage, pool, format;
        s32 result;
    };
    const Case cases[] = {
        {"static", 40, DEV_USAGE_WRITEONLY, DEV_POOL_MANAGED, DEV_FMT_INDEX16, DEV_OK},
        {"dynamic", 40, DEV_USAGE_DYNAMIC | DEV_USAGE_WRITEONLY, DEV_POOL_DEFAULT, DEV_FMT_INDEX16, DEV_OK},
        {"empty", 0, 0, DEV_POOL_MANAGED, DEV_FMT_INDEX16, DEV_ERR_INVALIDCALL},
        {"dynamic managed", 40, DEV_USAGE_DYNAMIC, DEV_POOL_MANAGED, DEV_FMT_INDEX16, DEV_ERR_INVALIDCALL},
        {"unknown usage", 40, 0x1, DEV_POOL_MANAGED, DEV_FMT_INDEX16, DEV_ERR_INVALIDCALL},
        {"unknown pool", 40, 0, 2, DEV_FMT_INDEX16, DEV_ERR_INVALIDCALL},
        {"32-bit indices", 40, 0, DEV_POOL_MANAGED, DEV_FMT_INDEX32, DEV_ERR_INVALIDCALL},
    };
    for (const Case& c : cases) {
        DEV_Handle buffer = 99;
        EXPECT_EQ(c.result, m_device->CreateIndexBuffer(c.length, c.usage, c.format, c.pool, &buffer)) << c.name;
        EXPECT_EQ(c.result == DEV_OK, buffer != 0) << c.name;
        if (c.format == DEV_FMT_INDEX16) {
            EXPECT_EQ(c.result, m_device->CreateVertexBuffer(c.length, c.usage, c.pool, &buffer)) << c.name;
            EXPECT_EQ(c.result == DEV_OK, buffer != 0) << c.name;
        }
    }
}

// ---- draws ----

TEST_F(NullDeviceTest, ADrawReadsOnlyInsideItsUnlockedBuffersWithinAScene)
{
    const DEV_Handle vertices = VertexBuffer(10 * 40);  // vertices 0 .. 9
    const DEV_Handle entries = IndexBuffer(12 * 2);     // indices 0 .. 11
    ASSERT_EQ(DEV_OK, m_device->SetStreamSource(0, vertices, 40));
    ASSERT_EQ(DEV_OK, m_device->SetIndices(entries, 2));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 3, 0, 1));  // no scene
    ASSERT_EQ(DEV_OK, m_device->BeginScene());
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->BeginScene());

    struct Case
    {
        u32 type, minIndex, numVertices, startIndex, primitives;
        s32 result;
    };
    const Case cases[] = {
        {DEV_PT_TRIANGLELIST, 0, 8, 0, 4, DEV_OK},               // base 2: vertices 2 .. 9, indices 0 .. 11
        {DEV_PT_TRIANGLELIST, 0, 9, 0, 1, DEV_ERR_INVALIDCALL},  // vertex 10
        {DEV_PT_TRIANGLELIST, 7, 1, 0, 1, DEV_OK},               // vertex 9 alone
        {DEV_PT_TRIANGLELIST, 0, 3, 3, 4, DEV_ERR_INVALIDCALL},  // index 12
        {DEV_PT_TRIANGLESTRIP, 0, 3, 2, 8, DEV_OK},              // indices 2 .. 11
        {DEV_PT_TRIANGLEFAN, 0, 3, 2, 9, DEV_ERR_INVALIDCALL},   //
        {DEV_PT_LINELIST, 0, 3, 0, 6, DEV_OK},                   //
        {DEV_PT_LINESTRIP, 0, 3, 0, 12, DEV_ERR_INVALIDCALL},    //
        {DEV_PT_TRIANGLELIST, 0, 0, 0, 1, DEV_ERR_INVALIDCALL},  // no vertices
        {DEV_PT_TRIANGLELIST, 0, 3, 0, 0, DEV_ERR_INVALIDCALL},  // no primitives
        {1, 0, 3, 0, 1, DEV_ERR_INVALIDCALL},                    // points: not drawn here
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.result,
                  m_device->DrawIndexedPrimitive(c.type, c.minIndex, c.numVertices, c.startIndex, c.primitives))
            << c.type << " " << c.minIndex << " " << c.numVertices << " " << c.startIndex << " " << c.primitives;

    // A wider stride reaches further for the same vertices.
    const DEV_Handle wide = VertexBuffer(10 * 40);
    ASSERT_EQ(DEV_OK, m_device->SetStreamSource(0, wide, 80));
    EXPECT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 3, 0, 1));  // vertices 2 .. 4
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 4, 0, 1));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetStreamSource(0, wide, 32));  // narrower than a vertex

    // Nor while a buffer is locked, nor once it is gone.
    u8* data = nullptr;
    ASSERT_EQ(DEV_OK, m_device->LockIndexBuffer(entries, 0, 0, 0, &data));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 3, 0, 1));
    ASSERT_EQ(DEV_OK, m_device->UnlockIndexBuffer(entries));
    const u64 draws = DEV_NullTotals().draws;
    EXPECT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 3, 0, 1));
    EXPECT_EQ(draws + 1, DEV_NullTotals().draws);
    m_device->ReleaseIndexBuffer(entries);
    EXPECT_EQ(0u, m_device->indices);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 3, 0, 1));
    EXPECT_EQ(draws + 1, DEV_NullTotals().draws);
    EXPECT_EQ(DEV_OK, m_device->EndScene());
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->EndScene());
}

// ---- textures ----

TEST_F(NullDeviceTest, TextureLevelsAreSizedAsTheGLDeviceSizesThem)
{
    struct Case
    {
        u32 width, height, levels, format;
        u32 expectedLevels;
        u32 lastPitch, lastSize;  // of the last level
    };
    const Case cases[] = {
        {8, 8, 0, DEV_FMT_A4R4G4B4, 4, 2, 2},   // 0 levels: down to 1x1
        {16, 4, 0, DEV_FMT_A8R8G8B8, 5, 4, 4},  // the longer side sets the chain
        {16, 16, 3, DEV_FMT_R5G6B5, 3, 8, 32},  // 4x4
        {16, 16, 5, DEV_FMT_DXT1, 5, 8, 8},     // 1x1 is still one block
        {8, 8, 2, DEV_FMT_DXT5, 2, 16, 16},     // 4x4: one block of 16 bytes
        {12, 12, 1, DEV_FMT_DXT3, 1, 48, 144},  // 3x3 blocks
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        DEV_Handle texture = 0;
        ASSERT_EQ(DEV_OK,
                  m_device->CreateTexture(c.width, c.height, c.levels, 0, c.format, DEV_POOL_MANAGED, &texture));
        const DEV_NullTexture& held = m_device->textures.at(texture);
        EXPECT_EQ(c.expectedLevels, held.levels);
        const u32 last = c.expectedLevels - 1;
        DEV_SurfaceDesc desc;
        ASSERT_EQ(DEV_OK, m_device->GetLevelDesc(texture, last, &desc));
        EXPECT_EQ(c.lastSize, desc.size);
        EXPECT_EQ(c.format, desc.format);
        EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->GetLevelDesc(texture, c.expectedLevels, &desc));
        u8* bits = nullptr;
        s32 pitch = 0;
        ASSERT_EQ(DEV_OK, m_device->LockRect(texture, last, &bits, &pitch, 0));
        EXPECT_EQ((s32)c.lastPitch, pitch);
        EXPECT_EQ(held.memory[last].data(), bits);
        ASSERT_EQ(DEV_OK, m_device->UnlockRect(texture, last));
    }

    DEV_Handle texture = 99;
    for (u32 refused : {DEV_FMT_X8R8G8B8, DEV_FMT_A8, DEV_FMT_UNKNOWN})
        EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->CreateTexture(8, 8, 1, 0, refused, DEV_POOL_MANAGED, &texture));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->CreateTexture(8, 8, 5, 0, DEV_FMT_A8R8G8B8, DEV_POOL_MANAGED, &texture));
    EXPECT_EQ(DEV_ERR_INVALIDCALL,
              m_device->CreateTexture(4096, 8, 1, 0, DEV_FMT_A8R8G8B8, DEV_POOL_MANAGED, &texture));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->CreateTexture(0, 8, 1, 0, DEV_FMT_A8R8G8B8, DEV_POOL_MANAGED, &texture));
    EXPECT_EQ(0u, texture);
}

TEST_F(NullDeviceTest, TexelsWrittenThroughALockStayForTheNextLock)
{
    const DEV_Handle texture = Texture(4, 2, DEV_FMT_A8R8G8B8);
    u8* bits = nullptr;
    s32 pitch = 0;
    ASSERT_EQ(DEV_OK, m_device->LockRect(texture, 1, &bits, &pitch, 0));
    ASSERT_EQ(8, pitch);
    memset(bits + pitch, 0xAB, 8);  // row 1 of the 2x2 level
    u8* again = nullptr;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->LockRect(texture, 1, &again, &pitch, 0));
    EXPECT_EQ(nullptr, again);
    ASSERT_EQ(DEV_OK, m_device->LockRect(texture, 0, &again, &pitch, 0));  // another level
    ASSERT_EQ(DEV_OK, m_device->UnlockRect(texture, 0));
    ASSERT_EQ(DEV_OK, m_device->UnlockRect(texture, 1));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->UnlockRect(texture, 1));

    ASSERT_EQ(DEV_OK, m_device->LockRect(texture, 1, &bits, &pitch, 0));
    const std::vector<u8> expected = {0, 0, 0, 0, 0, 0, 0, 0, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB, 0xAB};
    EXPECT_EQ(expected, std::vector<u8>(bits, bits + 16));
    ASSERT_EQ(DEV_OK, m_device->UnlockRect(texture, 1));
}

// ---- state ----

TEST_F(NullDeviceTest, StatesAreKeptAsSetWithinTheirRanges)
{
    EXPECT_EQ(DEV_OK, m_device->SetRenderState(DEV_RS_CULLMODE, DEV_CULL_NONE));
    EXPECT_EQ(DEV_OK, m_device->SetTextureStageState(7, DEV_TSS_ADDRESSU, DEV_TADDRESS_CLAMP));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetRenderState(256, 1));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetTextureStageState(8, DEV_TSS_COLOROP, DEV_TOP_ADD));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetTextureStageState(0, 32, 1));
    EXPECT_EQ((std::map<u32, u32>{{DEV_RS_CULLMODE, DEV_CULL_NONE}}), m_device->renderStates);
    EXPECT_EQ((std::map<u32, u32>{{DEV_TSS_ADDRESSU, DEV_TADDRESS_CLAMP}}), m_device->stageStates[7]);

    const f32 values[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(DEV_OK, m_device->SetVertexShaderConstant(94, values, 2));
    EXPECT_EQ(8.0f, m_device->constants[95][3]);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetVertexShaderConstant(95, values, 2));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetVertexShaderConstant(96, values, 0));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetVertexShaderConstant(0, nullptr, 1));

    DEV_Viewport viewport;
    viewport.x = 32;
    viewport.width = 32;
    viewport.height = 32;
    EXPECT_EQ(DEV_OK, m_device->SetViewport(viewport));
    EXPECT_EQ(32u, m_device->viewport.x);
    viewport.x = 33;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetViewport(viewport));  // past the 64-pixel back buffer
    EXPECT_EQ(32u, m_device->viewport.x);

    // A depth buffer without stencil.
    EXPECT_EQ(DEV_OK, m_device->Clear(DEV_CLEAR_TARGET | DEV_CLEAR_ZBUFFER, 0, 1.0f, 0));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->Clear(DEV_CLEAR_STENCIL, 0, 1.0f, 0));
}

TEST_F(NullDeviceTest, ResetWaitsForDefaultPoolResourcesAndShadersThenForgetsTheStates)
{
    const DEV_Handle kept = VertexBuffer(80);
    const DEV_Handle texture = Texture();
    const DEV_Handle dynamic = VertexBuffer(80, DEV_USAGE_DYNAMIC | DEV_USAGE_WRITEONLY, DEV_POOL_DEFAULT);
    const DEV_Handle shader = VertexShader();
    u8* data = nullptr;
    ASSERT_EQ(DEV_OK, m_device->LockVertexBuffer(kept, 0, 0, 0, &data));
    data[79] = 0x5A;
    ASSERT_EQ(DEV_OK, m_device->UnlockVertexBuffer(kept));
    ASSERT_EQ(DEV_OK, m_device->SetStreamSource(0, kept, 40));
    ASSERT_EQ(DEV_OK, m_device->SetTexture(0, texture));
    ASSERT_EQ(DEV_OK, m_device->SetRenderState(DEV_RS_ZENABLE, 0));

    DEV_PresentParameters present = m_device->present;
    present.backBufferWidth = 128;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->Reset(&present));
    m_device->ReleaseVertexBuffer(dynamic);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->Reset(&present));
    ASSERT_EQ(DEV_OK, m_device->DeleteVertexShader(shader));
    ASSERT_EQ(DEV_OK, m_device->Reset(&present));

    EXPECT_EQ(128u, m_device->present.backBufferWidth);
    EXPECT_EQ(128u, m_device->viewport.width);
    EXPECT_TRUE(m_device->renderStates.empty());
    EXPECT_EQ(0u, m_device->stream);
    EXPECT_EQ(0u, m_device->stageTextures[0]);
    // Managed resources survive with their contents.
    EXPECT_EQ(0x5A, m_device->vertexBuffers.at(kept).data[79]);
    EXPECT_EQ(DEV_OK, m_device->SetTexture(0, texture));
}

TEST_F(NullDeviceTest, TheFrontBufferIsBlackAndHasTheBackBuffersSize)
{
    std::vector<u8> pixels(64 * 32 * 4, 0x77);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->GetFrontBuffer(pixels.data(), 32, 64));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->GetFrontBuffer(nullptr, 64, 32));
    EXPECT_EQ(0x77, pixels[0]);
    ASSERT_EQ(DEV_OK, m_device->GetFrontBuffer(pixels.data(), 64, 32));
    EXPECT_EQ(std::vector<u8>(64 * 32 * 4, 0), pixels);
    DEV_SurfaceDesc desc;
    ASSERT_EQ(DEV_OK, m_device->GetBackBufferDesc(&desc));
    EXPECT_EQ(64u, desc.width);
    EXPECT_EQ(32u, desc.height);
    EXPECT_EQ(64u * 32u * 4u, desc.size);
}

// ---- the driver ----

TEST(NullDriverTest, AnswersFromItsMachineAsItReadsIt)
{
    DEV_NullMachine machine;
    machine.adapterCount = 2;
    machine.firstUsableAdapter = 1;
    machine.description = "Board";
    DEV_NullDriver driver(&machine);

    DEV_AdapterIdentifier identifier;
    ASSERT_EQ(DEV_OK, driver.GetAdapterIdentifier(1, &identifier));
    EXPECT_STREQ("Board 1", identifier.description);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, driver.GetAdapterIdentifier(2, &identifier));
    EXPECT_EQ(DEV_ERR_NOTAVAILABLE, driver.CheckDeviceType(0, DEV_DEVTYPE_HAL, DEV_FMT_R5G6B5, DEV_FMT_R5G6B5, 1));
    EXPECT_EQ(DEV_OK, driver.CheckDeviceType(1, DEV_DEVTYPE_HAL, DEV_FMT_R5G6B5, DEV_FMT_R5G6B5, 1));
    EXPECT_EQ(DEV_OK,
              driver.CheckDeviceFormat(1, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, 0, DEV_RTYPE_TEXTURE, DEV_FMT_DXT5));
    EXPECT_EQ(DEV_ERR_NOTAVAILABLE, driver.CheckDeviceFormat(1, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8,
                                                             DEV_USAGE_DEPTHSTENCIL, DEV_RTYPE_SURFACE, DEV_FMT_D32));
    EXPECT_EQ(DEV_OK, driver.CheckDeviceMultiSampleType(1, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, 1, 4));
    EXPECT_EQ(DEV_ERR_NOTAVAILABLE, driver.CheckDeviceMultiSampleType(1, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, 1, 5));
    ASSERT_EQ(machine.modes.size(), driver.GetAdapterModeCount(1));
    DEV_DisplayMode mode;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, driver.EnumAdapterModes(1, driver.GetAdapterModeCount(1), &mode));

    // Read at each question, not at construction.
    machine.depthFormats.push_back(DEV_FMT_D32);
    machine.maxSamples = 8;
    EXPECT_EQ(DEV_OK, driver.CheckDeviceFormat(1, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, DEV_USAGE_DEPTHSTENCIL,
                                               DEV_RTYPE_SURFACE, DEV_FMT_D32));
    EXPECT_EQ(DEV_OK, driver.CheckDeviceMultiSampleType(1, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, 1, 5));
}

TEST(NullDriverTest, DevicesCarryTheirAdaptersCapsAndOnlyExistingDevicesAreMade)
{
    DEV_NullMachine machine;
    machine.adapterCount = 2;
    machine.caps.maxTextureWidth = 64;
    DEV_NullDriver driver(&machine);
    DEV_PresentParameters present;
    present.backBufferWidth = 320;
    present.backBufferHeight = 200;
    DEV_Device* device = nullptr;
    EXPECT_EQ(DEV_ERR_NOTAVAILABLE, driver.CreateDevice(0, DEV_DEVTYPE_REF, nullptr, 0, &present, &device));
    EXPECT_EQ(nullptr, device);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, driver.CreateDevice(2, DEV_DEVTYPE_HAL, nullptr, 0, &present, &device));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, driver.CreateDevice(0, DEV_DEVTYPE_HAL, nullptr, 0, nullptr, &device));

    ASSERT_EQ(DEV_OK, driver.CreateDevice(1, DEV_DEVTYPE_HAL, nullptr, DEV_CREATE_SOFTWARE_VERTEXPROCESSING, &present,
                                          &device));
    DEV_NullDevice* null = static_cast<DEV_NullDevice*>(device);
    DEV_Caps caps;
    ASSERT_EQ(DEV_OK, device->GetDeviceCaps(&caps));
    EXPECT_EQ(1u, caps.adapterOrdinal);
    EXPECT_EQ((u32)DEV_DEVTYPE_HAL, caps.deviceType);
    EXPECT_EQ((u32)DEV_CREATE_SOFTWARE_VERTEXPROCESSING, null->behavior);
    EXPECT_EQ(320u, null->viewport.width);
    // Textures as large as the caps allow, no larger.
    DEV_Handle texture = 0;
    EXPECT_EQ(DEV_OK, device->CreateTexture(64, 64, 1, 0, DEV_FMT_A8R8G8B8, DEV_POOL_MANAGED, &texture));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, device->CreateTexture(128, 64, 1, 0, DEV_FMT_A8R8G8B8, DEV_POOL_MANAGED, &texture));
    delete device;
}

TEST(NullDriverTest, TheFactoryWithoutAWindowReportsTheDefaultMachine)
{
    DEV_Driver* driver = DEV_CreateNullDriver(nullptr);
    ASSERT_NE(nullptr, driver);
    DEV_AdapterIdentifier identifier;
    ASSERT_EQ(DEV_OK, driver->GetAdapterIdentifier(0, &identifier));
    EXPECT_STREQ("Null Renderer", identifier.description);
    DEV_PresentParameters present;
    present.backBufferWidth = 640;
    present.backBufferHeight = 480;
    DEV_Device* device = nullptr;
    ASSERT_EQ(DEV_OK, driver->CreateDevice(0, DEV_DEVTYPE_HAL, nullptr, 0, &present, &device));
    const u64 calls = DEV_NullTotals().calls;
    EXPECT_EQ(DEV_OK, device->BeginScene());
    EXPECT_EQ(DEV_OK, device->EndScene());
    EXPECT_EQ(DEV_OK, device->Present());
    EXPECT_EQ(calls + 3, DEV_NullTotals().calls);
    delete device;
    delete driver;
}

}  // namespace
