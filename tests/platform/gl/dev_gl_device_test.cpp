// The GL device against what Direct3D 8 draws: pixels read back from a small target,
// headless on the offscreen driver (Mesa's software rasteriser here). Skips when the machine
// offers no OpenGL 3.3 context.
#include <epoxy/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dev_device.h"
#include "plt_system.h"
#include "tools_bytes.h"

namespace
{

// ---- colours as Direct3D packs them (0xAARRGGBB) ----
constexpr u32 Argb(u32 _a, u32 _r, u32 _g, u32 _b) { return (_a << 24) | (_r << 16) | (_g << 8) | _b; }

struct Color
{
    f32 r, g, b, a;
};

Color Unpack(u32 _argb)
{
    return {(f32)((_argb >> 16) & 0xFF) / 255.0f, (f32)((_argb >> 8) & 0xFF) / 255.0f, (f32)(_argb & 0xFF) / 255.0f,
            (f32)(_argb >> 24) / 255.0f};
}

f32 Saturate(f32 _v) { return _v < 0.0f ? 0.0f : _v > 1.0f ? 1.0f : _v; }

u32 Pack(const Color& _c)
{
    auto byte = [](f32 _v) { return (u32)lrintf(Saturate(_v) * 255.0f); };
    return Argb(byte(_c.a), byte(_c.r), byte(_c.g), byte(_c.b));
}

// Channel-wise comparison with the rounding slack of 8-bit arithmetic.
::testing::AssertionResult Near(u32 _expected, u32 _actual, u32 _tolerance = 2)
{
    for (u32 shift = 0; shift < 32; shift += 8) {
        const s32 e = (s32)((_expected >> shift) & 0xFF), a = (s32)((_actual >> shift) & 0xFF);
        if (std::abs(e - a) > (s32)_tolerance) {
            char text[96];
            snprintf(text, sizeof(text), "expected 0x%08X, got 0x%08X", _expected, _actual);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

struct Vertex
{
    f32 x, y, z;
    f32 nx, ny, nz;
    u32 color;
    f32 u, v;
    f32 extra;
};
static_assert(sizeof(Vertex) == 40, "the device's vertex");

// Position straight through, diffuse from the vertex, one set of coordinates for every stage.
const char* s_passThrough = "void VS_Main()\n"
                            "{\n"
                            "    oPos = v0;\n"
                            "    oD0 = v2;\n"
                            "    oT0 = v3;\n"
                            "    oT1 = v3;\n"
                            "    oT2 = v3;\n"
                            "    oT3 = v3;\n"
                            "}\n";

// Diffuse from constant register 10, to show what the device does with colours out of range.
const char* s_constantDiffuse = "void VS_Main()\n"
                                "{\n"
                                "    oPos = v0;\n"
                                "    oD0 = c[10];\n"
                                "    oT0 = v3;\n"
                                "}\n";

constexpr u32 SIZE = 16;

class GLDeviceTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        PLT_System* system = PLT_GetSystem();
        if (system->Init() != 0) {
            s_reason = std::string("no video: ") + system->ErrorText();
            return;
        }
        PLT_WindowDesc desc;
        desc.title = "gl device test";
        desc.width = 64;
        desc.height = 64;
        if (system->CreateWindow(desc) != 0) {
            s_reason = std::string("no window: ") + system->ErrorText();
            return;
        }
        s_driver = DEV_CreateGLDevice(system->Window());
        if (s_driver == nullptr)
            s_reason = "no OpenGL 3.3 context";
    }

    static void TearDownTestSuite()
    {
        delete s_driver;
        s_driver = nullptr;
        PLT_GetSystem()->Shutdown();
    }

    void SetUp() override
    {
        if (s_driver == nullptr)
            GTEST_SKIP() << s_reason;
        ASSERT_EQ(DEV_OK, Open(SIZE, SIZE, DEV_MULTISAMPLE_NONE));
    }

    void TearDown() override { Close(); }

    s32 Open(u32 _width, u32 _height, u32 _samples, u32 _format = DEV_FMT_X8R8G8B8)
    {
        Close();
        m_parameters = DEV_PresentParameters();
        m_parameters.backBufferWidth = _width;
        m_parameters.backBufferHeight = _height;
        m_parameters.backBufferFormat = _format;
        m_parameters.backBufferCount = 1;
        m_parameters.multiSampleType = _samples;
        m_parameters.swapEffect = DEV_SWAPEFFECT_DISCARD;
        m_parameters.deviceWindow = PLT_GetSystem()->Window();
        m_parameters.windowed = 1;
        m_parameters.enableAutoDepthStencil = 1;
        m_parameters.autoDepthStencilFormat = DEV_FMT_D16;
        const s32 result = s_driver->CreateDevice(0, DEV_DEVTYPE_HAL, m_parameters.deviceWindow,
                                                  DEV_CREATE_HARDWARE_VERTEXPROCESSING, &m_parameters, &m_device);
        if (result != DEV_OK)
            return result;
        m_width = _width;
        m_height = _height;
        EXPECT_EQ(DEV_OK, m_device->CreateVertexBuffer(64 * 40, DEV_USAGE_DYNAMIC | DEV_USAGE_WRITEONLY,
                                                       DEV_POOL_DEFAULT, &m_vertices));
        EXPECT_EQ(DEV_OK, m_device->CreateIndexBuffer(64 * 2, DEV_USAGE_DYNAMIC | DEV_USAGE_WRITEONLY, DEV_FMT_INDEX16,
                                                      DEV_POOL_DEFAULT, &m_indices));
        EXPECT_EQ(DEV_OK, m_device->CreateVertexShader(s_passThrough, 0, &m_shader));
        EXPECT_EQ(DEV_OK, m_device->SetVertexShader(m_shader));
        return DEV_OK;
    }

    void Close()
    {
        delete m_device;
        m_device = nullptr;
    }

    // A vertex at Direct3D screen position (x, y): pixel centres on integers, y down.
    Vertex At(f32 _x, f32 _y, f32 _z, u32 _color, f32 _u = 0.0f, f32 _v = 0.0f) const
    {
        Vertex vertex = {};
        vertex.x = _x * 2.0f / (f32)m_width - 1.0f;
        vertex.y = 1.0f - _y * 2.0f / (f32)m_height;
        vertex.z = _z;
        vertex.color = _color;
        vertex.u = _u;
        vertex.v = _v;
        return vertex;
    }

    s32 Draw(u32 _type, const std::vector<Vertex>& _vertices, const std::vector<u16>& _indices, u32 _primitives)
    {
        u8* data = nullptr;
        EXPECT_EQ(DEV_OK,
                  m_device->LockVertexBuffer(m_vertices, 0, (u32)(_vertices.size() * 40), DEV_LOCK_DISCARD, &data));
        memcpy(data, _vertices.data(), _vertices.size() * 40);
        m_device->UnlockVertexBuffer(m_vertices);
        EXPECT_EQ(DEV_OK, m_device->LockIndexBuffer(m_indices, 0, (u32)(_indices.size() * 2), DEV_LOCK_DISCARD, &data));
        memcpy(data, _indices.data(), _indices.size() * 2);
        m_device->UnlockIndexBuffer(m_indices);
        m_device->SetStreamSource(0, m_vertices, 40);
        m_device->SetIndices(m_indices, 0);
        return m_device->DrawIndexedPrimitive(_type, 0, (u32)_vertices.size(), 0, _primitives);
    }

    // A rectangle in screen pixels, drawn clockwise as Direct3D sees it (its front face).
    s32 Quad(f32 _x0, f32 _y0, f32 _x1, f32 _y1, f32 _z, u32 _color)
    {
        return Draw(DEV_PT_TRIANGLELIST,
                    {At(_x0, _y0, _z, _color, 0, 0), At(_x1, _y0, _z, _color, 1, 0), At(_x1, _y1, _z, _color, 1, 1),
                     At(_x0, _y1, _z, _color, 0, 1)},
                    {0, 1, 2, 0, 2, 3}, 2);
    }

    // The whole target, with the pixel centres inside.
    s32 FullQuad(u32 _color, f32 _z = 0.5f)
    {
        return Quad(-0.5f, -0.5f, (f32)m_width - 0.5f, (f32)m_height - 0.5f, _z, _color);
    }

    void Begin(u32 _clear = Argb(0, 0, 0, 0))
    {
        ASSERT_EQ(DEV_OK, m_device->Clear(DEV_CLEAR_TARGET | DEV_CLEAR_ZBUFFER, _clear, 1.0f, 0));
        ASSERT_EQ(DEV_OK, m_device->BeginScene());
    }

    // Ends the frame, shows it and reads it back (0xAARRGGBB per pixel, top row first).
    std::vector<u32> End()
    {
        EXPECT_EQ(DEV_OK, m_device->EndScene());
        EXPECT_EQ(DEV_OK, m_device->Present());
        std::vector<u8> bytes(m_width * m_height * 4);
        EXPECT_EQ(DEV_OK, m_device->GetFrontBuffer(bytes.data(), m_width, m_height));
        std::vector<u32> pixels(m_width * m_height);
        for (size_t i = 0; i < pixels.size(); ++i)
            pixels[i] = Argb(bytes[i * 4 + 3], bytes[i * 4 + 2], bytes[i * 4 + 1], bytes[i * 4]);
        return pixels;
    }

    u32 At(const std::vector<u32>& _pixels, u32 _x, u32 _y) const { return _pixels[_y * m_width + _x]; }

    // A texture of one level filled row by row from _texels (bytes of each row back to back).
    DEV_Handle Texture(u32 _format, u32 _width, u32 _height, const std::vector<u8>& _texels, u32 _rowBytes)
    {
        DEV_Handle texture = 0;
        EXPECT_EQ(DEV_OK, m_device->CreateTexture(_width, _height, 1, 0, _format, DEV_POOL_MANAGED, &texture));
        u8* bits = nullptr;
        s32 pitch = 0;
        EXPECT_EQ(DEV_OK, m_device->LockRect(texture, 0, &bits, &pitch, 0));
        const u32 rows = (u32)(_texels.size() / _rowBytes);
        for (u32 row = 0; row < rows; ++row)
            memcpy(bits + row * pitch, &_texels[row * _rowBytes], _rowBytes);
        EXPECT_EQ(DEV_OK, m_device->UnlockRect(texture, 0));
        return texture;
    }

    DEV_Handle Texel(u32 _argb)
    {
        std::vector<u8> bytes(4);
        memcpy(bytes.data(), &_argb, 4);
        return Texture(DEV_FMT_A8R8G8B8, 1, 1, bytes, 4);
    }

    void Stage(u32 _stage, u32 _colorOp, u32 _colorArg1, u32 _colorArg2, u32 _alphaOp, u32 _alphaArg1, u32 _alphaArg2)
    {
        m_device->SetTextureStageState(_stage, DEV_TSS_COLOROP, _colorOp);
        m_device->SetTextureStageState(_stage, DEV_TSS_COLORARG1, _colorArg1);
        m_device->SetTextureStageState(_stage, DEV_TSS_COLORARG2, _colorArg2);
        m_device->SetTextureStageState(_stage, DEV_TSS_ALPHAOP, _alphaOp);
        m_device->SetTextureStageState(_stage, DEV_TSS_ALPHAARG1, _alphaArg1);
        m_device->SetTextureStageState(_stage, DEV_TSS_ALPHAARG2, _alphaArg2);
    }

    static DEV_Driver* s_driver;
    static std::string s_reason;
    DEV_PresentParameters m_parameters;
    DEV_Device* m_device = nullptr;
    u32 m_width = 0;
    u32 m_height = 0;
    DEV_Handle m_vertices = 0;
    DEV_Handle m_indices = 0;
    DEV_Handle m_shader = 0;
};

DEV_Driver* GLDeviceTest::s_driver = nullptr;
std::string GLDeviceTest::s_reason;

// ---- presentation and read-back ----

TEST_F(GLDeviceTest, ScreenshotIsTheLastPresentedFrameTopRowFirstInBGRA)
{
    Begin(Argb(0x11, 0x22, 0x33, 0x44));
    ASSERT_EQ(DEV_OK, Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f, Argb(0xFF, 0xC0, 0xB0, 0xA0)));    // top-left pixel
    ASSERT_EQ(DEV_OK, Quad(14.5f, 14.5f, 15.5f, 15.5f, 0.5f, Argb(0x80, 0x01, 0x02, 0x03)));  // bottom-right pixel
    End();

    // The next frame is drawn but not presented: the front buffer keeps the last one.
    Begin(Argb(0xFF, 0, 0xFF, 0));
    ASSERT_EQ(DEV_OK, m_device->EndScene());
    std::vector<u8> bytes(SIZE * SIZE * 4);
    ASSERT_EQ(DEV_OK, m_device->GetFrontBuffer(bytes.data(), SIZE, SIZE));
    const u8 first[] = {0xA0, 0xB0, 0xC0, 0xFF, 0x44, 0x33, 0x22, 0x11};
    EXPECT_EQ(0, memcmp(first, bytes.data(), sizeof(first)));
    const u8 last[] = {0x44, 0x33, 0x22, 0x11, 0x03, 0x02, 0x01, 0x80};
    EXPECT_EQ(0, memcmp(last, &bytes[bytes.size() - 8], sizeof(last)));

    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->GetFrontBuffer(bytes.data(), SIZE, SIZE - 1));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->GetFrontBuffer(nullptr, SIZE, SIZE));
}

TEST_F(GLDeviceTest, PresentShowsTheFrameUprightAndScaledToFitTheWindow)
{
    // The window is 64x64. What reached it, read straight from its surface (bottom row first,
    // as GL reads), as 0xAARRGGBB at window pixel (x, y) counted from the top.
    auto window = [&]() {
        std::vector<u8> bytes(64 * 64 * 4);
        glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
        glReadPixels(0, 0, 64, 64, GL_BGRA, GL_UNSIGNED_BYTE, bytes.data());
        return [bytes](u32 _x, u32 _y) {
            const u8* p = &bytes[((63 - _y) * 64 + _x) * 4];
            return Argb(0xFF, p[2], p[1], p[0]);
        };
    };
    const u32 red = Argb(0xFF, 0xFF, 0, 0), white = 0xFFFFFFFF, black = Argb(0xFF, 0, 0, 0);
    // 16x16 into 64x64: each pixel becomes 4x4 (filtered); the top-left pixel stays at the
    // top left.
    Begin(white);
    ASSERT_EQ(DEV_OK, Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f, red));
    End();
    auto square = window();
    EXPECT_EQ(red, square(1, 1));
    EXPECT_EQ(white, square(8, 8));
    EXPECT_EQ(white, square(62, 62));

    // 16x8 keeps its proportions: 64x32 in the middle, black bands above and below.
    ASSERT_EQ(DEV_OK, Open(16, 8, DEV_MULTISAMPLE_NONE));
    Begin(white);
    ASSERT_EQ(DEV_OK, Quad(-0.5f, -0.5f, 0.5f, 0.5f, 0.5f, red));
    End();
    auto wide = window();
    EXPECT_EQ(black, wide(32, 4));
    EXPECT_EQ(red, wide(1, 17));
    EXPECT_EQ(white, wide(32, 32));
    EXPECT_EQ(white, wide(62, 46));
    EXPECT_EQ(black, wide(32, 60));
}

TEST_F(GLDeviceTest, OnePixelQuadLandsOnTheIntendedPixel)
{
    // Direct3D's pixel centres lie on integer coordinates: the square from (x-0.5, y-0.5) to
    // (x+0.5, y+0.5) covers pixel (x, y) alone, and so does a square half a pixel wide around
    // the centre; both would miss by half a pixel with GL's centres.
    const f32 cases[][3] = {{3.0f, 5.0f, 0.5f}, {0.0f, 0.0f, 0.5f}, {15.0f, 15.0f, 0.5f}, {7.0f, 2.0f, 0.25f}};
    for (const auto& entry : cases) {
        Begin();
        const f32 x = entry[0], y = entry[1], half = entry[2];
        ASSERT_EQ(DEV_OK, Quad(x - half, y - half, x + half, y + half, 0.5f, Argb(0xFF, 0xFF, 0xFF, 0xFF)));
        const std::vector<u32> pixels = End();
        for (u32 py = 0; py < SIZE; ++py)
            for (u32 px = 0; px < SIZE; ++px)
                EXPECT_EQ(px == (u32)x && py == (u32)y ? 0xFFFFFFFFu : 0u, At(pixels, px, py))
                    << "quad at " << x << "," << y << " pixel " << px << "," << py;
    }
}

// ---- texture stages ----

struct StageSetup
{
    u32 colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2;
};

TEST_F(GLDeviceTest, TextureStageOperationsOnKnownColours)
{
    const u32 diffuse = Argb(0x80, 0x40, 0x80, 0xC0), texel = Argb(0xC0, 0x80, 0x40, 0xFF),
              factor = Argb(0x40, 0xFF, 0x80, 0x20);
    const Color D = Unpack(diffuse), T = Unpack(texel), F = Unpack(factor);
    enum : u32
    {
        DIS = DEV_TOP_DISABLE,
        S1 = DEV_TOP_SELECTARG1,
        S2 = DEV_TOP_SELECTARG2,
        MOD = DEV_TOP_MODULATE,
        MOD2 = DEV_TOP_MODULATE2X,
        ADD = DEV_TOP_ADD,
        BTA = DEV_TOP_BLENDTEXTUREALPHA,
        BFA = DEV_TOP_BLENDFACTORALPHA,
        BCA = DEV_TOP_BLENDCURRENTALPHA,
        MAAC = DEV_TOP_MODULATEALPHA_ADDCOLOR,
        DIF = DEV_TA_DIFFUSE,
        CUR = DEV_TA_CURRENT,
        TEX = DEV_TA_TEXTURE,
        TF = DEV_TA_TFACTOR,
    };
    auto blend = [](const Color& _a, const Color& _b, f32 _w) {
        return Color{_a.r * _w + _b.r * (1 - _w), _a.g * _w + _b.g * (1 - _w), _a.b * _w + _b.b * (1 - _w),
                     _a.a * _w + _b.a * (1 - _w)};
    };
    const Color sum = {Saturate(T.r + D.r), Saturate(T.g + D.g), Saturate(T.b + D.b), Saturate(T.a + D.a)};
    const Color currentBlend = blend(F, D, T.a);
    struct Case
    {
        const char* name;
        StageSetup stages[3];
        u32 textured;  // stages holding the texel
        Color expected;
    };
    const Case cases[] = {
        {"selectarg1 texture", {{S1, TEX, DIF, S1, TEX, DIF}}, 1, T},
        {"selectarg2 diffuse", {{S2, TEX, DIF, S2, TEX, DIF}}, 1, D},
        {"modulate", {{MOD, TEX, DIF, MOD, TEX, DIF}}, 1, {T.r * D.r, T.g * D.g, T.b * D.b, T.a * D.a}},
        {"modulate2x saturates",
         {{MOD2, TEX, DIF, MOD2, TEX, DIF}},
         1,
         {2 * T.r * D.r, 2 * T.g * D.g, 2 * T.b * D.b, 2 * T.a * D.a}},
        {"add saturates", {{ADD, TEX, DIF, ADD, TEX, DIF}}, 1, sum},
        {"blend by texture alpha", {{BTA, TEX, DIF, BTA, TEX, DIF}}, 1, blend(T, D, T.a)},
        {"blend by factor alpha", {{BFA, TEX, DIF, BFA, TEX, DIF}}, 1, blend(T, D, F.a)},
        {"blend by current alpha (diffuse at stage 0)", {{BCA, TEX, DIF, BCA, TEX, DIF}}, 1, blend(T, D, D.a)},
        {"modulate alpha, add colour",
         {{MAAC, DIF, TEX, S1, DIF, TEX}},
         1,
         {D.r + D.a * T.r, D.g + D.a * T.g, D.b + D.a * T.b, D.a}},
        {"texture factor", {{S1, TF, DIF, S1, TF, DIF}}, 1, F},
        {"current at stage 0 is diffuse", {{S1, CUR, TEX, S1, CUR, TEX}}, 1, D},
        // Each stage's result is saturated before the next reads it: blue is 1 x 0.125, not
        // 1.75 x 0.125.
        {"saturated between stages",
         {{ADD, TEX, DIF, ADD, TEX, DIF}, {MOD, CUR, TF, MOD, CUR, TF}},
         1,
         {sum.r * F.r, sum.g * F.g, sum.b * F.b, sum.a * F.a}},
        {"blend by current alpha at stage 1",
         {{S1, DIF, TEX, S1, TEX, DIF}, {BCA, TF, CUR, S1, CUR, TF}},
         1,
         {currentBlend.r, currentBlend.g, currentBlend.b, T.a}},
        {"a disabled colour operation ends the chain",
         {{S1, DIF, TEX, S1, DIF, TEX}, {DIS, TF, TF, S1, TF, TF}, {S1, TF, TF, S1, TF, TF}},
         1,
         D},
        {"texture stage 1 modulates current",
         {{S1, DIF, TEX, S1, DIF, TEX}, {MOD, CUR, TEX, MOD, CUR, TEX}},
         2,
         {D.r * T.r, D.g * T.g, D.b * T.b, D.a * T.a}},
        // Without a texture, an operation that reads it passes the current value through,
        // for colour and alpha separately.
        {"no texture: colour passes", {{MOD, TEX, DIF, S1, TF, DIF}}, 0, {D.r, D.g, D.b, F.a}},
        {"no texture: alpha passes", {{S1, TF, DIF, MOD, TEX, DIF}}, 0, {F.r, F.g, F.b, D.a}},
        {"no texture at stage 1", {{S1, TF, DIF, S1, TF, DIF}, {BTA, DIF, CUR, ADD, TEX, CUR}}, 1, F},
    };
    const DEV_Handle texture = Texel(texel);
    m_device->SetRenderState(DEV_RS_TEXTUREFACTOR, factor);
    for (const Case& entry : cases) {
        for (u32 stage = 0; stage < 3; ++stage) {
            const StageSetup& setup = entry.stages[stage];
            if (setup.colorOp == 0)
                Stage(stage, DIS, TEX, CUR, DIS, TEX, CUR);
            else
                Stage(stage, setup.colorOp, setup.colorArg1, setup.colorArg2, setup.alphaOp, setup.alphaArg1,
                      setup.alphaArg2);
            m_device->SetTexture(stage, (entry.textured & (1u << stage)) ? texture : 0);
        }
        Begin();
        ASSERT_EQ(DEV_OK, FullQuad(diffuse)) << entry.name;
        const std::vector<u32> pixels = End();
        EXPECT_TRUE(Near(Pack(entry.expected), At(pixels, 8, 8))) << entry.name;
    }
}

TEST_F(GLDeviceTest, VertexDiffuseIsSaturatedBeforeTheStages)
{
    DEV_Handle shader = 0;
    ASSERT_EQ(DEV_OK, m_device->CreateVertexShader(s_constantDiffuse, 0, &shader));
    ASSERT_EQ(DEV_OK, m_device->SetVertexShader(shader));
    const f32 diffuse[4] = {2.0f, -1.0f, 0.5f, 1.0f};
    ASSERT_EQ(DEV_OK, m_device->SetVertexShaderConstant(10, diffuse, 1));
    m_device->SetRenderState(DEV_RS_TEXTUREFACTOR, Argb(0xFF, 0x80, 0x80, 0x80));
    // Red 2 becomes 1 (x 0.5 = 0.5, not 1); green -1 becomes 0 (+ 0.5 = 0.5, not 0).
    Stage(0, DEV_TOP_MODULATE, DEV_TA_DIFFUSE, DEV_TA_TFACTOR, DEV_TOP_SELECTARG1, DEV_TA_DIFFUSE, DEV_TA_TFACTOR);
    Begin();
    ASSERT_EQ(DEV_OK, FullQuad(0));
    EXPECT_TRUE(Near(Argb(0xFF, 0x80, 0x00, 0x40), At(End(), 8, 8)));
    Stage(0, DEV_TOP_ADD, DEV_TA_DIFFUSE, DEV_TA_TFACTOR, DEV_TOP_SELECTARG1, DEV_TA_DIFFUSE, DEV_TA_TFACTOR);
    Begin();
    ASSERT_EQ(DEV_OK, FullQuad(0));
    EXPECT_TRUE(Near(Argb(0xFF, 0xFF, 0x80, 0xFF), At(End(), 8, 8)));
}

TEST_F(GLDeviceTest, UnknownOperationsFailAtTheDraw)
{
    Begin();
    Stage(0, 6 /* modulate 4x */, DEV_TA_TEXTURE, DEV_TA_DIFFUSE, DEV_TOP_SELECTARG1, DEV_TA_DIFFUSE, DEV_TA_DIFFUSE);
    EXPECT_EQ(DEV_ERR_UNSUPPORTEDCOLOROPERATION, FullQuad(0));
    Stage(0, DEV_TOP_MODULATE, 4 /* specular */, DEV_TA_DIFFUSE, DEV_TOP_SELECTARG1, DEV_TA_DIFFUSE, DEV_TA_DIFFUSE);
    EXPECT_EQ(DEV_ERR_UNSUPPORTEDCOLORARG, FullQuad(0));
    Stage(0, DEV_TOP_MODULATE, DEV_TA_DIFFUSE, DEV_TA_DIFFUSE, DEV_TOP_MODULATEALPHA_ADDCOLOR, DEV_TA_DIFFUSE,
          DEV_TA_DIFFUSE);
    EXPECT_EQ(DEV_ERR_UNSUPPORTEDALPHAOPERATION, FullQuad(0));
    Stage(0, DEV_TOP_MODULATE, DEV_TA_DIFFUSE, DEV_TA_DIFFUSE, DEV_TOP_SELECTARG1, 5, DEV_TA_DIFFUSE);
    EXPECT_EQ(DEV_ERR_UNSUPPORTEDALPHAARG, FullQuad(0));
    Stage(0, DEV_TOP_SELECTARG1, DEV_TA_DIFFUSE, DEV_TA_DIFFUSE, DEV_TOP_SELECTARG1, DEV_TA_DIFFUSE, DEV_TA_DIFFUSE);
    EXPECT_EQ(DEV_OK, FullQuad(0));
    m_device->EndScene();
}

// ---- alpha test, blending ----

TEST_F(GLDeviceTest, AlphaTestComparesTheEightBitAlphaWithTheReference)
{
    struct Case
    {
        u32 func, ref, alpha, passes;
    };
    const Case cases[] = {
        {DEV_CMP_GREATER, 0x80, 0x80, 0},   {DEV_CMP_GREATER, 0x80, 0x81, 1},      {DEV_CMP_GREATER, 0, 0, 0},
        {DEV_CMP_GREATER, 64, 65, 1},       {DEV_CMP_GREATEREQUAL, 0x80, 0x80, 1}, {DEV_CMP_LESS, 0x80, 0x7F, 1},
        {DEV_CMP_LESS, 0x80, 0x80, 0},      {DEV_CMP_EQUAL, 0x80, 0x80, 1},        {DEV_CMP_NOTEQUAL, 0x80, 0x80, 0},
        {DEV_CMP_LESSEQUAL, 0x80, 0x80, 1}, {DEV_CMP_NEVER, 0, 0xFF, 0},           {DEV_CMP_ALWAYS, 0xFF, 0, 1},
    };
    m_device->SetRenderState(DEV_RS_ALPHATESTENABLE, 1);
    for (const Case& entry : cases) {
        m_device->SetRenderState(DEV_RS_ALPHAFUNC, entry.func);
        m_device->SetRenderState(DEV_RS_ALPHAREF, entry.ref);
        Begin(Argb(0xFF, 0, 0, 0xFF));
        ASSERT_EQ(DEV_OK, FullQuad(Argb(entry.alpha, 0xFF, 0, 0)));
        EXPECT_EQ(entry.passes ? Argb(entry.alpha, 0xFF, 0, 0) : Argb(0xFF, 0, 0, 0xFF), At(End(), 5, 5))
            << "func " << entry.func << " ref " << entry.ref << " alpha " << entry.alpha;
    }
    // Switched off, nothing is discarded.
    m_device->SetRenderState(DEV_RS_ALPHATESTENABLE, 0);
    m_device->SetRenderState(DEV_RS_ALPHAFUNC, DEV_CMP_NEVER);
    Begin();
    ASSERT_EQ(DEV_OK, FullQuad(Argb(0, 0xFF, 0, 0)));
    EXPECT_EQ(Argb(0, 0xFF, 0, 0), At(End(), 5, 5));
}

TEST_F(GLDeviceTest, BlendPairsOfTheRenderPasses)
{
    const u32 source = Argb(0x80, 0xC0, 0x40, 0x20), dest = Argb(0x60, 0x30, 0x90, 0xF0);
    const Color S = Unpack(source), D = Unpack(dest);
    // One factor of Direct3D's blend, for channel c of the source and destination.
    auto factor = [&](u32 _blend, u32 _channel) {
        const f32 s[4] = {S.r, S.g, S.b, S.a}, d[4] = {D.r, D.g, D.b, D.a};
        switch (_blend) {
        case DEV_BLEND_ZERO:
            return 0.0f;
        case DEV_BLEND_ONE:
            return 1.0f;
        case DEV_BLEND_SRCCOLOR:
            return s[_channel];
        case DEV_BLEND_INVSRCCOLOR:
            return 1.0f - s[_channel];
        case DEV_BLEND_SRCALPHA:
            return S.a;
        case DEV_BLEND_INVSRCALPHA:
            return 1.0f - S.a;
        default:  // DEV_BLEND_DESTCOLOR
            return d[_channel];
        }
    };
    const u32 pairs[][2] = {
        {DEV_BLEND_ONE, DEV_BLEND_ZERO},
        {DEV_BLEND_DESTCOLOR, DEV_BLEND_SRCCOLOR},
        {DEV_BLEND_ONE, DEV_BLEND_ONE},
        {DEV_BLEND_SRCALPHA, DEV_BLEND_INVSRCALPHA},
        {DEV_BLEND_INVSRCALPHA, DEV_BLEND_ONE},
        {DEV_BLEND_SRCALPHA, DEV_BLEND_ONE},
        {DEV_BLEND_DESTCOLOR, DEV_BLEND_ONE},
        {DEV_BLEND_ZERO, DEV_BLEND_INVSRCCOLOR},
        {DEV_BLEND_DESTCOLOR, DEV_BLEND_INVSRCALPHA},
    };
    m_device->SetRenderState(DEV_RS_ALPHABLENDENABLE, 1);
    for (const auto& pair : pairs) {
        m_device->SetRenderState(DEV_RS_SRCBLEND, pair[0]);
        m_device->SetRenderState(DEV_RS_DESTBLEND, pair[1]);
        Begin(dest);
        ASSERT_EQ(DEV_OK, FullQuad(source));
        const f32 s[4] = {S.r, S.g, S.b, S.a}, d[4] = {D.r, D.g, D.b, D.a};
        f32 result[4];
        for (u32 c = 0; c < 4; ++c)
            result[c] = s[c] * factor(pair[0], c) + d[c] * factor(pair[1], c);
        EXPECT_TRUE(Near(Pack({result[0], result[1], result[2], result[3]}), At(End(), 8, 8)))
            << "source " << pair[0] << " destination " << pair[1];
    }
    // Blending switched off writes the source whatever the factors say.
    m_device->SetRenderState(DEV_RS_ALPHABLENDENABLE, 0);
    Begin(dest);
    ASSERT_EQ(DEV_OK, FullQuad(source));
    EXPECT_EQ(source, At(End(), 8, 8));
}

TEST_F(GLDeviceTest, DestinationAlphaReadsOneOnABackBufferWithoutAlpha)
{
    const u32 source = Argb(0x80, 0xC0, 0x40, 0x20), dest = Argb(0x00, 0x30, 0x90, 0xF0);
    const Color S = Unpack(source), D = Unpack(dest);
    struct Case
    {
        u32 format;
        f32 destAlpha;  // what blending reads
    };
    for (const Case& entry : {Case{DEV_FMT_X8R8G8B8, 1.0f}, Case{DEV_FMT_A8R8G8B8, D.a}}) {
        ASSERT_EQ(DEV_OK, Open(SIZE, SIZE, DEV_MULTISAMPLE_NONE, entry.format));
        m_device->SetRenderState(DEV_RS_ALPHABLENDENABLE, 1);
        const u32 pairs[][2] = {{DEV_BLEND_DESTALPHA, DEV_BLEND_INVDESTALPHA},
                                {DEV_BLEND_INVDESTALPHA, DEV_BLEND_DESTALPHA},
                                {DEV_BLEND_SRCALPHASAT, DEV_BLEND_ONE}};
        for (const auto& pair : pairs) {
            m_device->SetRenderState(DEV_RS_SRCBLEND, pair[0]);
            m_device->SetRenderState(DEV_RS_DESTBLEND, pair[1]);
            Begin(dest);
            ASSERT_EQ(DEV_OK, FullQuad(source));
            const f32 a = entry.destAlpha;
            auto factor = [&](u32 _blend) {
                return _blend == DEV_BLEND_DESTALPHA      ? a
                       : _blend == DEV_BLEND_INVDESTALPHA ? 1.0f - a
                       : _blend == DEV_BLEND_ONE          ? 1.0f
                                                          : std::min(S.a, 1.0f - a);  // saturated source alpha
            };
            const f32 fs = factor(pair[0]), fd = factor(pair[1]);
            const u32 expected = Pack({S.r * fs + D.r * fd, S.g * fs + D.g * fd, S.b * fs + D.b * fd, 0.0f});
            EXPECT_TRUE(Near(expected & 0xFFFFFF, At(End(), 8, 8) & 0xFFFFFF))
                << "format " << entry.format << ", source " << pair[0] << " destination " << pair[1];
        }
    }
}

// ---- depth, culling, fill ----

TEST_F(GLDeviceTest, DepthTestWriteAndClipRange)
{
    const u32 red = Argb(0xFF, 0xFF, 0, 0), green = Argb(0xFF, 0, 0xFF, 0), clear = Argb(0xFF, 0, 0, 0xFF);
    struct Case
    {
        const char* name;
        u32 zenable, zwrite, zfunc;
        f32 firstZ, secondZ;
        u32 expected;
    };
    const Case cases[] = {
        {"nearer stays", 1, 1, DEV_CMP_LESSEQUAL, 0.25f, 0.75f, red},
        {"nearer wins", 1, 1, DEV_CMP_LESSEQUAL, 0.75f, 0.25f, green},
        {"equal passes less-or-equal", 1, 1, DEV_CMP_LESSEQUAL, 0.5f, 0.5f, green},
        {"equal fails less", 1, 1, DEV_CMP_LESS, 0.5f, 0.5f, red},
        {"always", 1, 1, DEV_CMP_ALWAYS, 0.25f, 0.75f, green},
        {"nothing is greater than the cleared depth", 1, 1, DEV_CMP_GREATER, 0.25f, 0.75f, clear},
        {"no depth write", 1, 0, DEV_CMP_LESSEQUAL, 0.25f, 0.75f, green},
        {"no depth test", 0, 1, DEV_CMP_LESSEQUAL, 0.25f, 0.75f, green},
    };
    for (const Case& entry : cases) {
        m_device->SetRenderState(DEV_RS_ZENABLE, entry.zenable);
        m_device->SetRenderState(DEV_RS_ZWRITEENABLE, entry.zwrite);
        m_device->SetRenderState(DEV_RS_ZFUNC, entry.zfunc);
        Begin(clear);
        ASSERT_EQ(DEV_OK, FullQuad(red, entry.firstZ));
        ASSERT_EQ(DEV_OK, FullQuad(green, entry.secondZ));
        EXPECT_EQ(entry.expected, At(End(), 8, 8)) << entry.name;
    }

    // Clearing the depth buffer works while depth writes are off.
    m_device->SetRenderState(DEV_RS_ZENABLE, 1);
    m_device->SetRenderState(DEV_RS_ZFUNC, DEV_CMP_LESSEQUAL);
    m_device->SetRenderState(DEV_RS_ZWRITEENABLE, 1);
    Begin(clear);
    ASSERT_EQ(DEV_OK, FullQuad(red, 0.25f));
    m_device->SetRenderState(DEV_RS_ZWRITEENABLE, 0);
    ASSERT_EQ(DEV_OK, FullQuad(red, 0.25f));
    ASSERT_EQ(DEV_OK, m_device->Clear(DEV_CLEAR_ZBUFFER, 0, 1.0f, 0));
    ASSERT_EQ(DEV_OK, FullQuad(green, 0.75f));
    EXPECT_EQ(green, At(End(), 8, 8));

    // Direct3D keeps depths 0 to w: a little outside either end is clipped away.
    const f32 depths[][2] = {{-0.01f, 0}, {0.0f, 1}, {0.999f, 1}, {1.01f, 0}};
    m_device->SetRenderState(DEV_RS_ZENABLE, 0);
    for (const auto& depth : depths) {
        Begin(clear);
        ASSERT_EQ(DEV_OK, FullQuad(red, depth[0]));
        EXPECT_EQ(depth[1] ? red : clear, At(End(), 8, 8)) << "z " << depth[0];
    }
}

TEST_F(GLDeviceTest, CullingFollowsTheWindingOnScreen)
{
    const u32 white = 0xFFFFFFFF;
    // Clockwise as the viewer sees it (y grows downwards), then the same reversed.
    const std::vector<Vertex> clockwise = {At(1, 1, 0.5f, white), At(14, 1, 0.5f, white), At(1, 14, 0.5f, white)};
    const std::vector<Vertex> counterClockwise = {clockwise[0], clockwise[2], clockwise[1]};
    struct Case
    {
        u32 cull;
        bool drawClockwise, drawCounter;
    };
    const Case cases[] = {{DEV_CULL_CCW, true, false}, {DEV_CULL_CW, false, true}, {DEV_CULL_NONE, true, true}};
    for (const Case& entry : cases) {
        m_device->SetRenderState(DEV_RS_CULLMODE, entry.cull);
        Begin();
        ASSERT_EQ(DEV_OK, Draw(DEV_PT_TRIANGLELIST, clockwise, {0, 1, 2}, 1));
        EXPECT_EQ(entry.drawClockwise ? white : 0u, At(End(), 4, 4)) << "cull " << entry.cull;
        Begin();
        ASSERT_EQ(DEV_OK, Draw(DEV_PT_TRIANGLELIST, counterClockwise, {0, 1, 2}, 1));
        EXPECT_EQ(entry.drawCounter ? white : 0u, At(End(), 4, 4)) << "cull " << entry.cull;
    }
}

TEST_F(GLDeviceTest, FillModeWireframeDrawsOnlyTheEdges)
{
    const u32 white = 0xFFFFFFFF;
    m_device->SetRenderState(DEV_RS_FILLMODE, DEV_FILL_WIREFRAME);
    Begin();
    ASSERT_EQ(DEV_OK, Quad(2, 2, 13, 13, 0.5f, white));
    const std::vector<u32> pixels = End();
    EXPECT_EQ(0u, At(pixels, 7, 5));  // inside, off the diagonal
    EXPECT_EQ(white, At(pixels, 2, 7));
    m_device->SetRenderState(DEV_RS_FILLMODE, DEV_FILL_SOLID);
    Begin();
    ASSERT_EQ(DEV_OK, Quad(2, 2, 13, 13, 0.5f, white));
    EXPECT_EQ(white, At(End(), 7, 5));
}

TEST_F(GLDeviceTest, FlatShadingTakesEachTrianglesFirstVertexColour)
{
    const u32 red = Argb(0xFF, 0xFF, 0, 0), green = Argb(0xFF, 0, 0xFF, 0), blue = Argb(0xFF, 0, 0, 0xFF);
    const u32 white = 0xFFFFFFFF;
    // A strip of two triangles over the target: (0, 1, 2) starts at red, (1, 2, 3) at green.
    const std::vector<Vertex> strip = {At(-0.5f, -0.5f, 0.5f, red), At(15.5f, -0.5f, 0.5f, green),
                                       At(-0.5f, 15.5f, 0.5f, blue), At(15.5f, 15.5f, 0.5f, white)};
    m_device->SetRenderState(DEV_RS_SHADEMODE, DEV_SHADE_FLAT);
    Begin();
    ASSERT_EQ(DEV_OK, Draw(DEV_PT_TRIANGLESTRIP, strip, {0, 1, 2, 3}, 2));
    std::vector<u32> pixels = End();
    EXPECT_EQ(red, At(pixels, 1, 1));
    EXPECT_EQ(red, At(pixels, 12, 1));  // next to the green corner
    EXPECT_EQ(red, At(pixels, 1, 12));  // next to the blue corner
    EXPECT_EQ(green, At(pixels, 14, 14));
    EXPECT_EQ(green, At(pixels, 14, 3));

    // Back to Gouraud: the colours blend again.
    m_device->SetRenderState(DEV_RS_SHADEMODE, DEV_SHADE_GOURAUD);
    Begin();
    ASSERT_EQ(DEV_OK, Draw(DEV_PT_TRIANGLESTRIP, strip, {0, 1, 2, 3}, 2));
    pixels = End();
    EXPECT_NE(red, At(pixels, 12, 1));
    EXPECT_GT(At(pixels, 12, 1) & 0xFF00, 0x8000u);  // mostly green there
}

// ---- textures ----

TEST_F(GLDeviceTest, TextureFormatsUploadInMemoryOrder)
{
    // 2x2 textures on a 4x4-pixel square: texel (column, row) covers pixels 2 x column and
    // 2 x row; row 0 of the memory is the top (v = 0).
    struct Case
    {
        const char* name;
        u32 format;
        std::vector<u8> texels;  // row 0, then row 1
        u32 expected[4];         // texels (0,0), (1,0), (0,1), (1,1)
    };
    const Case cases[] = {
        {"A8R8G8B8",
         DEV_FMT_A8R8G8B8,
         {0x10, 0x20, 0x30, 0x40, 0x50, 0x60, 0x70, 0x80, 0x90, 0xA0, 0xB0, 0xC0, 0xD0, 0xE0, 0xF0, 0xFF},
         {Argb(0x40, 0x30, 0x20, 0x10), Argb(0x80, 0x70, 0x60, 0x50), Argb(0xC0, 0xB0, 0xA0, 0x90),
          Argb(0xFF, 0xF0, 0xE0, 0xD0)}},
        {"A1R5G5B5",
         DEV_FMT_A1R5G5B5,
         TOOL_U16Bytes({0xFC00, 0x83E0, 0x001F, 0xFFFF}),
         {Argb(0xFF, 0xFF, 0, 0), Argb(0xFF, 0, 0xFF, 0), Argb(0, 0, 0, 0xFF), 0xFFFFFFFF}},
        {"R5G6B5",
         DEV_FMT_R5G6B5,
         TOOL_U16Bytes({0xF800, 0x07E0, 0x001F, 0x8410}),
         {Argb(0xFF, 0xFF, 0, 0), Argb(0xFF, 0, 0xFF, 0), Argb(0xFF, 0, 0, 0xFF), Argb(0xFF, 132, 130, 132)}},
        {"A4R4G4B4",
         DEV_FMT_A4R4G4B4,
         TOOL_U16Bytes({0xFF00, 0x80F0, 0x0F0F, 0x1234}),
         {Argb(0xFF, 0xFF, 0, 0), Argb(0x88, 0, 0xFF, 0), Argb(0, 0xFF, 0, 0xFF), Argb(0x11, 0x22, 0x33, 0x44)}},
    };
    for (const Case& entry : cases) {
        const u32 rowBytes = (u32)entry.texels.size() / 2;
        const DEV_Handle texture = Texture(entry.format, 2, 2, entry.texels, rowBytes);
        m_device->SetTexture(0, texture);
        Begin();
        ASSERT_EQ(DEV_OK, Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0xFFFFFFFF));
        const std::vector<u32> pixels = End();
        EXPECT_TRUE(Near(entry.expected[0], At(pixels, 0, 0), 1)) << entry.name;
        EXPECT_TRUE(Near(entry.expected[1], At(pixels, 3, 1), 1)) << entry.name;
        EXPECT_TRUE(Near(entry.expected[2], At(pixels, 1, 2), 1)) << entry.name;
        EXPECT_TRUE(Near(entry.expected[3], At(pixels, 3, 3), 1)) << entry.name;
        m_device->SetTexture(0, 0);
        m_device->ReleaseTexture(texture);
    }
}

TEST_F(GLDeviceTest, CompressedTexturesDecodeAsDirect3D)
{
    DEV_Caps caps;
    ASSERT_EQ(DEV_OK, m_device->GetDeviceCaps(&caps));
    if (s_driver->CheckDeviceFormat(0, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, 0, DEV_RTYPE_TEXTURE, DEV_FMT_DXT1) != DEV_OK)
        GTEST_SKIP() << "the driver has no S3TC";
    // One 4x4 block each, drawn texel for pixel.
    struct Case
    {
        const char* name;
        u32 format;
        std::vector<u8> block;
        u32 pixels[4][2];  // (x, expected) on rows 0..3 at column x
    };
    const u32 red = Argb(0xFF, 0xFF, 0, 0), blue = Argb(0xFF, 0, 0, 0xFF), white = 0xFFFFFFFF;
    const Case cases[] = {
        // Colour 0 above colour 1: four colours, rows of index 0, 1, 2, 3.
        {"DXT1 four colours",
         DEV_FMT_DXT1,
         {0x00, 0xF8, 0x1F, 0x00, 0x00, 0x55, 0xAA, 0xFF},
         {{1, red}, {2, blue}, {3, Argb(0xFF, 170, 0, 85)}, {0, Argb(0xFF, 85, 0, 170)}}},
        // Colour 0 not above colour 1: three colours and transparent black for index 3.
        {"DXT1 transparent",
         DEV_FMT_DXT1,
         {0x1F, 0x00, 0x00, 0xF8, 0x00, 0x55, 0xAA, 0xFF},
         {{0, blue}, {1, red}, {2, Argb(0xFF, 128, 0, 128)}, {3, 0}}},
        // Explicit 4-bit alpha: row 0 holds 0, 5, 10, 15.
        {"DXT3 alpha",
         DEV_FMT_DXT3,
         {0x50, 0xFA, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0},
         {{1, Argb(0x55, 0xFF, 0xFF, 0xFF)}, {0, white}, {0, white}, {0, white}}},
        // Interpolated alpha from 255 and 0: texels 0..3 of row 0 take indices 0, 1, 2, 7.
        {"DXT5 alpha",
         DEV_FMT_DXT5,
         {0xFF, 0x00, 0x88, 0x0E, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0},
         {{2, Argb(219, 0xFF, 0xFF, 0xFF)}, {0, white}, {0, white}, {0, white}}},
    };
    for (const Case& entry : cases) {
        const DEV_Handle texture = Texture(entry.format, 4, 4, entry.block, (u32)entry.block.size());
        m_device->SetTexture(0, texture);
        Begin();
        ASSERT_EQ(DEV_OK, Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0xFFFFFFFF));
        const std::vector<u32> pixels = End();
        for (u32 row = 0; row < 4; ++row)
            EXPECT_TRUE(Near(entry.pixels[row][1], At(pixels, entry.pixels[row][0], row), 3))
                << entry.name << " row " << row;
        m_device->SetTexture(0, 0);
        m_device->ReleaseTexture(texture);
    }
    // Row 0 of the DXT5 block, all four alphas.
    const std::vector<u8> block = {0xFF, 0x00, 0x88, 0x0E, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0};
    m_device->SetTexture(0, Texture(DEV_FMT_DXT5, 4, 4, block, 16));
    Begin();
    ASSERT_EQ(DEV_OK, Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0xFFFFFFFF));
    const std::vector<u32> pixels = End();
    const u32 alphas[4] = {255, 0, 219, 36};
    for (u32 x = 0; x < 4; ++x)
        EXPECT_TRUE(Near(Argb(alphas[x], 0xFF, 0xFF, 0xFF), At(pixels, x, 0), 3)) << "texel " << x;
}

TEST_F(GLDeviceTest, TextureLevelsLockWithDirect3DPitchesAndKeepTheirContents)
{
    DEV_Handle texture = 0;
    ASSERT_EQ(DEV_OK, m_device->CreateTexture(8, 8, 0, 0, DEV_FMT_A4R4G4B4, DEV_POOL_MANAGED, &texture));
    DEV_SurfaceDesc desc;
    EXPECT_EQ(DEV_OK, m_device->GetLevelDesc(texture, 3, &desc));  // 0 levels: the whole chain
    EXPECT_EQ(1u, desc.width);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->GetLevelDesc(texture, 4, &desc));
    u8* bits = nullptr;
    s32 pitch = 0;
    ASSERT_EQ(DEV_OK, m_device->LockRect(texture, 1, &bits, &pitch, 0));
    EXPECT_EQ(8, pitch);  // 4 texels of 2 bytes
    u8* again = bits;
    s32 againPitch = 0;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->LockRect(texture, 1, &again, &againPitch, 0));  // locked twice
    EXPECT_EQ(nullptr, again);
    for (u32 i = 0; i < 32; ++i)
        bits[i] = (u8)(i * 7 + 1);
    ASSERT_EQ(DEV_OK, m_device->UnlockRect(texture, 1));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->UnlockRect(texture, 1));
    ASSERT_EQ(DEV_OK, m_device->LockRect(texture, 1, &bits, &pitch, 0));
    for (u32 i = 0; i < 32; ++i)
        ASSERT_EQ((u8)(i * 7 + 1), bits[i]) << "byte " << i;
    ASSERT_EQ(DEV_OK, m_device->UnlockRect(texture, 1));

    if (s_driver->CheckDeviceFormat(0, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, 0, DEV_RTYPE_TEXTURE, DEV_FMT_DXT1) ==
        DEV_OK) {
        // A row of 4x4 blocks per pitch; a level smaller than a block still takes one.
        DEV_Handle compressed = 0;
        ASSERT_EQ(DEV_OK, m_device->CreateTexture(16, 16, 5, 0, DEV_FMT_DXT1, DEV_POOL_MANAGED, &compressed));
        ASSERT_EQ(DEV_OK, m_device->LockRect(compressed, 0, &bits, &pitch, 0));
        EXPECT_EQ(32, pitch);
        m_device->UnlockRect(compressed, 0);
        EXPECT_EQ(DEV_OK, m_device->GetLevelDesc(compressed, 4, &desc));
        EXPECT_EQ(8u, desc.size);
        ASSERT_EQ(DEV_OK, m_device->LockRect(compressed, 4, &bits, &pitch, 0));
        EXPECT_EQ(8, pitch);
        m_device->UnlockRect(compressed, 4);
    }
    // Outside what the device makes.
    DEV_Handle refused = 0;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->CreateTexture(8, 8, 5, 0, DEV_FMT_A8R8G8B8, DEV_POOL_MANAGED, &refused));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->CreateTexture(8, 8, 1, 0, DEV_FMT_YUY2, DEV_POOL_MANAGED, &refused));
    EXPECT_EQ(0u, refused);
    m_device->ReleaseTexture(texture);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->LockRect(texture, 0, &bits, &pitch, 0));
}

TEST_F(GLDeviceTest, MaxMipLevelIsTheMostDetailedLevelTheStageUses)
{
    // Levels of one colour each, drawn texel for texel (the level of detail of level 0).
    const u32 colours[3] = {Argb(0xFF, 0xFF, 0, 0), Argb(0xFF, 0, 0xFF, 0), Argb(0xFF, 0, 0, 0xFF)};
    DEV_Handle texture = 0;
    ASSERT_EQ(DEV_OK, m_device->CreateTexture(4, 4, 3, 0, DEV_FMT_A8R8G8B8, DEV_POOL_MANAGED, &texture));
    for (u32 level = 0; level < 3; ++level) {
        u8* bits = nullptr;
        s32 pitch = 0;
        ASSERT_EQ(DEV_OK, m_device->LockRect(texture, level, &bits, &pitch, 0));
        for (u32 i = 0; i < (4u >> level) * (4u >> level); ++i)
            memcpy(bits + i * 4, &colours[level], 4);
        ASSERT_EQ(DEV_OK, m_device->UnlockRect(texture, level));
    }
    m_device->SetTexture(0, texture);
    struct Case
    {
        u32 mipFilter, maxLevel, expected;
    };
    const Case cases[] = {
        {DEV_TEXF_POINT, 0, colours[0]}, {DEV_TEXF_POINT, 1, colours[1]},  {DEV_TEXF_POINT, 2, colours[2]},
        {DEV_TEXF_POINT, 7, colours[2]},  // past the last level: the last one
        {DEV_TEXF_NONE, 1, colours[1]},  {DEV_TEXF_LINEAR, 2, colours[2]}, {DEV_TEXF_POINT, 0, colours[0]},
    };
    for (const Case& entry : cases) {
        m_device->SetTextureStageState(0, DEV_TSS_MIPFILTER, entry.mipFilter);
        m_device->SetTextureStageState(0, DEV_TSS_MAXMIPLEVEL, entry.maxLevel);
        Begin();
        ASSERT_EQ(DEV_OK, Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0xFFFFFFFF));
        EXPECT_EQ(entry.expected, At(End(), 1, 2)) << "mip filter " << entry.mipFilter << ", level " << entry.maxLevel;
    }
}

// Stage bindings reach GL only at the draw: whatever happened in between, the draw samples
// the texture the stage holds then. (GL may hand a released texture's name to the next one
// made, so the stage must not take the new texture for the one it held.)
TEST_F(GLDeviceTest, StagesDrawWithTheTextureTheyHoldAtTheDraw)
{
    const u32 red = Argb(0xFF, 0xFF, 0, 0), green = Argb(0xFF, 0, 0xFF, 0);
    DEV_Handle first = Texel(red);
    m_device->SetTexture(0, first);
    Begin();
    ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
    EXPECT_EQ(red, At(End(), 8, 8));
    m_device->ReleaseTexture(first);
    const DEV_Handle second = Texel(green);
    m_device->SetTexture(0, second);
    Begin();
    ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
    EXPECT_EQ(green, At(End(), 8, 8));
    // Unbinding and binding the same texture again between draws, as the display layer does.
    m_device->SetTexture(0, 0);
    m_device->SetTexture(0, second);
    Begin();
    ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
    EXPECT_EQ(green, At(End(), 8, 8));
    // And without a texture the stage passes the diffuse colour on.
    m_device->SetTexture(0, 0);
    Begin();
    ASSERT_EQ(DEV_OK, FullQuad(Argb(0xFF, 0, 0, 0xFF)));
    EXPECT_EQ(Argb(0xFF, 0, 0, 0xFF), At(End(), 8, 8));
}

// ---- buffers and draws ----

TEST_F(GLDeviceTest, LocksOutsideTheBufferFailWithoutAPointer)
{
    struct Case
    {
        u32 offset, size;
        s32 result;
    };
    // Both buffers of the fixture hold 64 entries: 40-byte vertices, 2-byte indices.
    for (const u32 entrySize : {40u, 2u}) {
        const u32 length = 64 * entrySize;
        const Case cases[] = {
            {0, 0, DEV_OK},  // the whole buffer
            {length - entrySize, entrySize, DEV_OK},
            {length - entrySize, 0, DEV_OK},
            {length, 0, DEV_ERR_INVALIDCALL},
            {length - entrySize, entrySize + 1, DEV_ERR_INVALIDCALL},
            {0, length + 1, DEV_ERR_INVALIDCALL},
            {0xFFFFFFF0u, 0x20, DEV_ERR_INVALIDCALL},
        };
        for (const Case& entry : cases) {
            u8* data = (u8*)&entry;
            const s32 result = entrySize == 40
                                   ? m_device->LockVertexBuffer(m_vertices, entry.offset, entry.size, 0, &data)
                                   : m_device->LockIndexBuffer(m_indices, entry.offset, entry.size, 0, &data);
            EXPECT_EQ(entry.result, result) << entrySize << ": " << entry.offset << " + " << entry.size;
            if (result == DEV_OK) {
                EXPECT_NE(nullptr, data);
                EXPECT_EQ(DEV_OK, entrySize == 40 ? m_device->UnlockVertexBuffer(m_vertices)
                                                  : m_device->UnlockIndexBuffer(m_indices));
            } else {
                EXPECT_EQ(nullptr, data);
            }
        }
    }
    u8* data = nullptr;
    ASSERT_EQ(DEV_OK, m_device->LockVertexBuffer(m_vertices, 0, 40, 0, &data));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->LockVertexBuffer(m_vertices, 40, 40, 0, &data));
    EXPECT_EQ(DEV_OK, m_device->UnlockVertexBuffer(m_vertices));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->UnlockVertexBuffer(m_vertices));
    // Buffers of one kind are not the other.
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->LockIndexBuffer(m_vertices, 0, 0, 0, &data));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetIndices(m_vertices, 0));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetStreamSource(0, m_indices, 40));
    DEV_Handle wide = 0;
    EXPECT_EQ(DEV_ERR_INVALIDCALL,
              m_device->CreateIndexBuffer(64, DEV_USAGE_WRITEONLY, DEV_FMT_INDEX32, DEV_POOL_MANAGED, &wide));
}

TEST_F(GLDeviceTest, DrawsOutsideTheBoundBuffersFail)
{
    const u32 white = 0xFFFFFFFF;
    std::vector<Vertex> vertices(64, At(0, 0, 0.5f, white));
    std::vector<u16> indices(64, 0);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, Draw(DEV_PT_TRIANGLELIST, vertices, indices, 1));  // outside a scene
    Begin();
    EXPECT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 64, 61, 1));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 64, 62, 1));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 65, 0, 1));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 60, 5, 0, 1));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLESTRIP, 0, 64, 0, 63));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(1 /* points */, 0, 64, 0, 1));
    m_device->SetIndices(m_indices, 1);  // the base vertex moves the range too
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 64, 0, 1));
    EXPECT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 63, 0, 1));
    u8* data = nullptr;
    ASSERT_EQ(DEV_OK, m_device->LockVertexBuffer(m_vertices, 0, 0, 0, &data));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 3, 0, 1));
    m_device->UnlockVertexBuffer(m_vertices);
    m_device->SetVertexShader(0);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 3, 0, 1));
    m_device->EndScene();
    m_device->SetVertexShader(m_shader);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 3, 0, 1));
}

TEST_F(GLDeviceTest, SubRangeLocksKeepTheRestAndRingWritesDrawEachPart)
{
    const u32 colors[4] = {Argb(0xFF, 0xFF, 0, 0), Argb(0xFF, 0, 0xFF, 0), Argb(0xFF, 0, 0, 0xFF), 0xFFFFFFFF};
    auto column = [&](u32 _i) {
        const f32 x0 = (f32)_i * 4 - 0.5f, x1 = x0 + 4;
        return std::vector<Vertex>{At(x0, -0.5f, 0.5f, colors[_i]), At(x1, -0.5f, 0.5f, colors[_i]),
                                   At(x1, 15.5f, 0.5f, colors[_i]), At(x0, 15.5f, 0.5f, colors[_i])};
    };
    // A static buffer filled column by column with plain locks of 4 vertices each.
    DEV_Handle vertices = 0, indices = 0;
    ASSERT_EQ(DEV_OK, m_device->CreateVertexBuffer(16 * 40, DEV_USAGE_WRITEONLY, DEV_POOL_MANAGED, &vertices));
    ASSERT_EQ(DEV_OK,
              m_device->CreateIndexBuffer(24 * 2, DEV_USAGE_WRITEONLY, DEV_FMT_INDEX16, DEV_POOL_MANAGED, &indices));
    for (u32 i = 0; i < 4; ++i) {
        u8* data = nullptr;
        ASSERT_EQ(DEV_OK, m_device->LockVertexBuffer(vertices, i * 160, 160, 0, &data));
        memcpy(data, column(i).data(), 160);
        m_device->UnlockVertexBuffer(vertices);
        const u16 quad[6] = {(u16)(i * 4), (u16)(i * 4 + 1), (u16)(i * 4 + 2),
                             (u16)(i * 4), (u16)(i * 4 + 2), (u16)(i * 4 + 3)};
        ASSERT_EQ(DEV_OK, m_device->LockIndexBuffer(indices, i * 12, 12, 0, &data));
        memcpy(data, quad, 12);
        m_device->UnlockIndexBuffer(indices);
    }
    Begin();
    m_device->SetStreamSource(0, vertices, 40);
    m_device->SetIndices(indices, 0);
    ASSERT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 16, 0, 8));
    std::vector<u32> pixels = End();
    for (u32 i = 0; i < 4; ++i)
        EXPECT_EQ(colors[i], At(pixels, i * 4 + 1, 8)) << "column " << i;

    // The dynamic buffer as a ring: discard at the start, then no-overwrite appends, each part
    // drawn through the base vertex index while the earlier parts are still in flight.
    Begin();
    const u16 quad[6] = {0, 1, 2, 0, 2, 3};
    u8* data = nullptr;
    ASSERT_EQ(DEV_OK, m_device->LockIndexBuffer(m_indices, 0, 12, DEV_LOCK_DISCARD, &data));
    memcpy(data, quad, 12);
    m_device->UnlockIndexBuffer(m_indices);
    m_device->SetStreamSource(0, m_vertices, 40);
    for (u32 i = 0; i < 4; ++i) {
        ASSERT_EQ(DEV_OK, m_device->LockVertexBuffer(m_vertices, i * 160, 160,
                                                     i == 0 ? DEV_LOCK_DISCARD : DEV_LOCK_NOOVERWRITE, &data));
        memcpy(data, column(3 - i).data(), 160);
        m_device->UnlockVertexBuffer(m_vertices);
        m_device->SetIndices(m_indices, i * 4);
        ASSERT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 4, 0, 2));
    }
    pixels = End();
    for (u32 i = 0; i < 4; ++i)
        EXPECT_EQ(colors[i], At(pixels, i * 4 + 2, 3)) << "ring column " << i;
    m_device->ReleaseVertexBuffer(vertices);
    m_device->ReleaseIndexBuffer(indices);
}

// The display's shared buffers are ten times as large; a frame writes a few kilobytes of them.
TEST_F(GLDeviceTest, LargeDynamicBuffersTakeStorageAsTheyAreReachedAndKeepTheirContents)
{
    const u32 count = 0x60000;
    const u32 length = count * 40;
    const u32 far = 100000;  // a vertex 4 MB in
    DEV_Handle vertices = 0;
    ASSERT_EQ(DEV_OK, m_device->CreateVertexBuffer(length, DEV_USAGE_DYNAMIC | DEV_USAGE_WRITEONLY, DEV_POOL_DEFAULT,
                                                   &vertices));
    auto quad = [&](u32 _first, u32 _color, u32 _flags) {
        const f32 x0 = _color == 0xFFFF0000 ? -0.5f : 7.5f;
        const Vertex corners[4] = {At(x0, -0.5f, 0.5f, _color), At(x0 + 8, -0.5f, 0.5f, _color),
                                   At(x0 + 8, 15.5f, 0.5f, _color), At(x0, 15.5f, 0.5f, _color)};
        u8* data = nullptr;
        ASSERT_EQ(DEV_OK, m_device->LockVertexBuffer(vertices, _first * 40, 160, _flags, &data));
        memcpy(data, corners, 160);
        m_device->UnlockVertexBuffer(vertices);
    };
    auto storage = [] {
        GLint size = 0;
        glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
        return (u32)size;
    };
    const u16 indices[6] = {0, 1, 2, 0, 2, 3};
    u8* data = nullptr;
    ASSERT_EQ(DEV_OK, m_device->LockIndexBuffer(m_indices, 0, 12, DEV_LOCK_DISCARD, &data));
    memcpy(data, indices, 12);
    m_device->UnlockIndexBuffer(m_indices);

    Begin();
    quad(0, 0xFFFF0000, 0);
    m_device->SetStreamSource(0, vertices, 40);
    m_device->SetIndices(m_indices, 0);
    ASSERT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 4, 0, 2));
    EXPECT_LT(storage(), length / 32);
    ASSERT_EQ(DEV_OK, m_device->Clear(DEV_CLEAR_TARGET, Argb(0, 0, 0, 0), 1.0f, 0));
    // A no-overwrite lock far in: the storage grows, the first quad stays for the next draw.
    quad(far, 0xFF00FF00, DEV_LOCK_NOOVERWRITE);
    ASSERT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 4, 0, 2));
    m_device->SetIndices(m_indices, far);
    ASSERT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 4, 0, 2));
    EXPECT_GE(storage(), (far + 4) * 40);
    EXPECT_LT(storage(), length);
    // A draw may reach past everything written: the storage follows it to the buffer's end.
    m_device->SetIndices(m_indices, count - 4);
    EXPECT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 4, 0, 2));
    EXPECT_EQ(length, storage());
    const std::vector<u32> pixels = End();
    EXPECT_EQ(0xFFFF0000, At(pixels, 3, 8));
    EXPECT_EQ(0xFF00FF00, At(pixels, 11, 8));

    // A discard lock past the storage gives new storage; what it writes draws.
    DEV_Handle fresh = 0;
    ASSERT_EQ(DEV_OK,
              m_device->CreateVertexBuffer(length, DEV_USAGE_DYNAMIC | DEV_USAGE_WRITEONLY, DEV_POOL_DEFAULT, &fresh));
    std::swap(fresh, vertices);
    Begin();
    quad(far, 0xFF00FF00, DEV_LOCK_DISCARD);
    m_device->SetStreamSource(0, vertices, 40);
    m_device->SetIndices(m_indices, far);
    ASSERT_EQ(DEV_OK, m_device->DrawIndexedPrimitive(DEV_PT_TRIANGLELIST, 0, 4, 0, 2));
    EXPECT_EQ(0xFF00FF00, At(End(), 11, 8));
    m_device->ReleaseVertexBuffer(vertices);
    m_device->ReleaseVertexBuffer(fresh);
}

TEST_F(GLDeviceTest, StripsFansAndLines)
{
    const u32 white = 0xFFFFFFFF;
    const std::vector<Vertex> corners = {At(-0.5f, -0.5f, 0.5f, white), At(15.5f, -0.5f, 0.5f, white),
                                         At(15.5f, 15.5f, 0.5f, white), At(-0.5f, 15.5f, 0.5f, white)};
    Begin();
    ASSERT_EQ(DEV_OK, Draw(DEV_PT_TRIANGLEFAN, corners, {0, 1, 2, 3}, 2));
    std::vector<u32> pixels = End();
    EXPECT_EQ(white, At(pixels, 1, 14));
    EXPECT_EQ(white, At(pixels, 14, 1));

    Begin();
    ASSERT_EQ(DEV_OK, Draw(DEV_PT_TRIANGLESTRIP, corners, {0, 1, 3, 2}, 2));
    pixels = End();
    EXPECT_EQ(white, At(pixels, 1, 14));
    EXPECT_EQ(white, At(pixels, 14, 1));

    // A line along row 5 and a strip along row 9 then down column 12.
    Begin();
    ASSERT_EQ(DEV_OK, Draw(DEV_PT_LINELIST, {At(0, 5, 0.5f, white), At(16, 5, 0.5f, white)}, {0, 1}, 1));
    ASSERT_EQ(DEV_OK, Draw(DEV_PT_LINESTRIP, {At(0, 9, 0.5f, white), At(12, 9, 0.5f, white), At(12, 16, 0.5f, white)},
                           {0, 1, 2}, 2));
    pixels = End();
    EXPECT_EQ(white, At(pixels, 8, 5));
    EXPECT_EQ(0u, At(pixels, 8, 4));
    EXPECT_EQ(0u, At(pixels, 8, 6));
    EXPECT_EQ(white, At(pixels, 4, 9));
    EXPECT_EQ(white, At(pixels, 12, 13));
    EXPECT_EQ(0u, At(pixels, 11, 13));
}

// ---- programs ----

TEST_F(GLDeviceTest, PixelProgramsOfTheTerrainPass)
{
    const char* detail = "vec4 PS_Main() { return 4.0 * t0 * t1 * t2; }\n";
    const char* twoLayers = "vec4 PS_Main() { return 2.0 * (t0 * t1 + t2 * t3); }\n";
    DEV_Handle detailShader = 0, layerShader = 0;
    ASSERT_EQ(DEV_OK, m_device->CreatePixelShader(detail, &detailShader));
    ASSERT_EQ(DEV_OK, m_device->CreatePixelShader(twoLayers, &layerShader));
    DEV_Handle broken = 0;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->CreatePixelShader("vec4 PS_Main() { return nothing; }", &broken));
    EXPECT_EQ(0u, broken);

    const DEV_Handle half = Texel(Argb(0x80, 0x80, 0x80, 0x80)), quarter = Texel(Argb(0x40, 0x40, 0x40, 0x40)),
                     full = Texel(0xFFFFFFFF), mixed = Texel(Argb(0xFF, 0xC0, 0x40, 0x00));
    const f32 h = 128.0f / 255.0f, q = 64.0f / 255.0f;
    struct Case
    {
        DEV_Handle shader;
        DEV_Handle textures[4];
        Color expected;
    };
    const f32 m0 = 192.0f / 255.0f, m1 = 64.0f / 255.0f;
    const Case cases[] = {
        {detailShader, {half, half, mixed, 0}, {4 * h * h * m0, 4 * h * h * m1, 0.0f, 4 * h * h}},
        {detailShader, {half, full, full, 0}, {1.0f, 1.0f, 1.0f, 1.0f}},  // 2.0 saturated
        {layerShader, {half, quarter, quarter, half}, {4 * h * q, 4 * h * q, 4 * h * q, 4 * h * q}},
        // Without a texture a stage reads (0, 0, 0, 1).
        {layerShader, {half, quarter, quarter, 0}, {2 * h * q, 2 * h * q, 2 * h * q, 2 * (h * q + q)}},
    };
    for (const Case& entry : cases) {
        ASSERT_EQ(DEV_OK, m_device->SetPixelShader(entry.shader));
        for (u32 stage = 0; stage < 4; ++stage)
            m_device->SetTexture(stage, entry.textures[stage]);
        Begin();
        ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
        EXPECT_TRUE(Near(Pack(entry.expected), At(End(), 8, 8)));
    }
    // The alpha test applies to a pixel program's result.
    m_device->SetRenderState(DEV_RS_ALPHATESTENABLE, 1);
    m_device->SetRenderState(DEV_RS_ALPHAFUNC, DEV_CMP_GREATER);
    m_device->SetRenderState(DEV_RS_ALPHAREF, 0xF0);
    Begin(Argb(0xFF, 0, 0, 0xFF));
    ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
    EXPECT_EQ(Argb(0xFF, 0, 0, 0xFF), At(End(), 8, 8));
    m_device->SetRenderState(DEV_RS_ALPHATESTENABLE, 0);

    // Handle 0: the texture stages again (stage 0 selects the texture factor).
    ASSERT_EQ(DEV_OK, m_device->SetPixelShader(0));
    Stage(0, DEV_TOP_SELECTARG1, DEV_TA_TFACTOR, DEV_TA_TFACTOR, DEV_TOP_SELECTARG1, DEV_TA_TFACTOR, DEV_TA_TFACTOR);
    m_device->SetRenderState(DEV_RS_TEXTUREFACTOR, Argb(0xFF, 0x12, 0x34, 0x56));
    Begin();
    ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
    EXPECT_EQ(Argb(0xFF, 0x12, 0x34, 0x56), At(End(), 8, 8));

    EXPECT_EQ(DEV_OK, m_device->DeletePixelShader(detailShader));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetPixelShader(detailShader));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->DeletePixelShader(detailShader));
}

TEST_F(GLDeviceTest, VertexProgramsReadConstantsAndFailToCompileCleanly)
{
    // The position comes from c3 .. c6 as the passes write the transposed matrix.
    const char* transform = "void VS_Main()\n"
                            "{\n"
                            "    oPos = vec4(dot(v0, c[3]), dot(v0, c[4]), dot(v0, c[5]), dot(v0, c[6]));\n"
                            "    oD0 = c[50] * v2;\n"
                            "}\n";
    DEV_Handle shader = 0;
    ASSERT_EQ(DEV_OK, m_device->CreateVertexShader(transform, DEV_USAGE_SOFTWAREPROCESSING, &shader));
    ASSERT_EQ(DEV_OK, m_device->SetVertexShader(shader));
    // Halves x and y: the full-target quad covers the middle 8x8 pixels.
    const f32 rows[16] = {0.5f, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ASSERT_EQ(DEV_OK, m_device->SetVertexShaderConstant(3, rows, 4));
    const f32 tint[4] = {1.0f, 0.5f, 0.0f, 1.0f};
    ASSERT_EQ(DEV_OK, m_device->SetVertexShaderConstant(50, tint, 1));
    Begin();
    ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
    std::vector<u32> pixels = End();
    EXPECT_TRUE(Near(Argb(0xFF, 0xFF, 0x80, 0), At(pixels, 4, 4)));
    EXPECT_TRUE(Near(Argb(0xFF, 0xFF, 0x80, 0), At(pixels, 11, 11)));
    EXPECT_EQ(0u, At(pixels, 3, 3));
    EXPECT_EQ(0u, At(pixels, 12, 12));

    // Constants changed between draws reach a program that was already in use.
    const f32 green[4] = {0.0f, 1.0f, 0.0f, 1.0f};
    ASSERT_EQ(DEV_OK, m_device->SetVertexShaderConstant(50, green, 1));
    Begin();
    ASSERT_EQ(DEV_OK, m_device->SetVertexShader(m_shader));
    ASSERT_EQ(DEV_OK, FullQuad(Argb(0xFF, 0, 0, 0xFF)));
    ASSERT_EQ(DEV_OK, m_device->SetVertexShader(shader));
    ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
    pixels = End();
    EXPECT_EQ(Argb(0xFF, 0, 0xFF, 0), At(pixels, 8, 8));
    EXPECT_EQ(Argb(0xFF, 0, 0, 0xFF), At(pixels, 1, 1));

    // Setting a register to the value it holds uploads nothing, yet a program made since, or
    // one that last ran before the value changed, still reads it.
    DEV_Handle other = 0;
    ASSERT_EQ(DEV_OK, m_device->CreateVertexShader(transform, 0, &other));
    const f32 red[4] = {1.0f, 0.0f, 0.0f, 1.0f};
    Begin();
    ASSERT_EQ(DEV_OK, m_device->SetVertexShaderConstant(50, green, 1));
    ASSERT_EQ(DEV_OK, m_device->SetVertexShader(other));
    ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
    pixels = End();
    EXPECT_EQ(Argb(0xFF, 0, 0xFF, 0), At(pixels, 8, 8));
    Begin();
    ASSERT_EQ(DEV_OK, m_device->SetVertexShaderConstant(50, red, 1));
    ASSERT_EQ(DEV_OK, FullQuad(0xFFFFFFFF));
    ASSERT_EQ(DEV_OK, m_device->SetVertexShader(shader));
    ASSERT_EQ(DEV_OK, m_device->SetVertexShaderConstant(50, red, 1));
    ASSERT_EQ(DEV_OK, Quad(-0.5f, -0.5f, 3.5f, 3.5f, 0.5f, 0xFFFFFFFF));  // c3 .. c6 halve it
    pixels = End();
    EXPECT_EQ(Argb(0xFF, 0xFF, 0, 0), At(pixels, 8, 8));
    EXPECT_EQ(Argb(0xFF, 0xFF, 0, 0), At(pixels, 7, 7));
    EXPECT_EQ(DEV_OK, m_device->DeleteVertexShader(other));

    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetVertexShaderConstant(95, tint, 2));
    DEV_Handle broken = 0;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->CreateVertexShader("void VS_Main() { oPos = nothing; }", 0, &broken));
    EXPECT_EQ(0u, broken);
    EXPECT_EQ(DEV_OK, m_device->DeleteVertexShader(shader));
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->SetVertexShader(shader));
}

// ---- multisampling, reset, the driver ----

TEST_F(GLDeviceTest, MultisamplingSmoothsEdgesOnlyWhenOn)
{
    u32 samples = 0;
    for (u32 n = 2; n <= 16 && samples == 0; ++n)
        if (s_driver->CheckDeviceMultiSampleType(0, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, 1, n) == DEV_OK)
            samples = n;
    if (samples == 0)
        GTEST_SKIP() << "the driver offers no multisampling";
    // Partly covered pixels along a diagonal edge: shades between black and white.
    auto edgeShades = [&]() {
        Begin();
        EXPECT_EQ(DEV_OK, Draw(DEV_PT_TRIANGLELIST,
                               {At(-0.5f, -0.5f, 0.5f, 0xFFFFFFFF), At(15.5f, -0.5f, 0.5f, 0xFFFFFFFF),
                                At(-0.5f, 11.5f, 0.5f, 0xFFFFFFFF)},
                               {0, 1, 2}, 1));
        u32 shades = 0;
        for (u32 pixel : End())
            shades += (pixel & 0xFF) != 0 && (pixel & 0xFF) != 0xFF;
        return shades;
    };
    EXPECT_EQ(0u, edgeShades());
    ASSERT_EQ(DEV_OK, Open(SIZE, SIZE, samples));
    DEV_SurfaceDesc desc;
    ASSERT_EQ(DEV_OK, m_device->GetBackBufferDesc(&desc));
    EXPECT_EQ(samples, desc.multiSampleType);
    EXPECT_GT(edgeShades(), 4u);
    m_device->SetRenderState(DEV_RS_MULTISAMPLEANTIALIAS, 0);
    EXPECT_EQ(0u, edgeShades());

    // A count the driver cannot do is refused, as Direct3D refuses it.
    for (u32 n = 2; n <= 16; ++n)
        if (s_driver->CheckDeviceMultiSampleType(0, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, 1, n) != DEV_OK) {
            EXPECT_EQ(DEV_ERR_INVALIDCALL, Open(SIZE, SIZE, n)) << n << " samples";
            break;
        }
}

TEST_F(GLDeviceTest, ResetResizesAndRestoresDirect3DDefaults)
{
    m_device->SetRenderState(DEV_RS_CULLMODE, DEV_CULL_NONE);
    DEV_PresentParameters parameters = m_parameters;
    parameters.backBufferWidth = 24;
    parameters.backBufferHeight = 12;
    // Default-pool buffers and shaders first.
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->Reset(&parameters));
    m_device->ReleaseVertexBuffer(m_vertices);
    m_device->ReleaseIndexBuffer(m_indices);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->Reset(&parameters));
    ASSERT_EQ(DEV_OK, m_device->DeleteVertexShader(m_shader));
    ASSERT_EQ(DEV_OK, m_device->Reset(&parameters));

    DEV_SurfaceDesc desc;
    ASSERT_EQ(DEV_OK, m_device->GetBackBufferDesc(&desc));
    EXPECT_EQ(24u, desc.width);
    EXPECT_EQ(12u, desc.height);
    std::vector<u8> bytes(24 * 12 * 4);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, m_device->GetFrontBuffer(bytes.data(), SIZE, SIZE));
    EXPECT_EQ(DEV_OK, m_device->GetFrontBuffer(bytes.data(), 24, 12));

    m_width = 24;
    m_height = 12;
    ASSERT_EQ(DEV_OK, m_device->CreateVertexBuffer(64 * 40, DEV_USAGE_DYNAMIC | DEV_USAGE_WRITEONLY, DEV_POOL_DEFAULT,
                                                   &m_vertices));
    ASSERT_EQ(DEV_OK, m_device->CreateIndexBuffer(64 * 2, DEV_USAGE_DYNAMIC | DEV_USAGE_WRITEONLY, DEV_FMT_INDEX16,
                                                  DEV_POOL_DEFAULT, &m_indices));
    ASSERT_EQ(DEV_OK, m_device->CreateVertexShader(s_passThrough, 0, &m_shader));
    ASSERT_EQ(DEV_OK, m_device->SetVertexShader(m_shader));
    // Counter-clockwise culling is back, and the viewport covers the new size.
    const u32 white = 0xFFFFFFFF;
    Begin();
    ASSERT_EQ(DEV_OK, Draw(DEV_PT_TRIANGLELIST, {At(1, 1, 0.5f, white), At(1, 10, 0.5f, white), At(20, 1, 0.5f, white)},
                           {0, 1, 2}, 1));
    ASSERT_EQ(DEV_OK, Quad(19.5f, 8.5f, 23.5f, 11.5f, 0.5f, white));
    const std::vector<u32> pixels = End();
    EXPECT_EQ(0u, At(pixels, 3, 3));
    EXPECT_EQ(white, At(pixels, 23, 11));
}

TEST_F(GLDeviceTest, DriverDescribesOneAdapterWithItsModesAndFormats)
{
    EXPECT_EQ(1u, s_driver->GetAdapterCount());
    DEV_AdapterIdentifier identifier;
    ASSERT_EQ(DEV_OK, s_driver->GetAdapterIdentifier(0, &identifier));
    EXPECT_NE(0, identifier.description[0]);
    EXPECT_EQ(DEV_ERR_INVALIDCALL, s_driver->GetAdapterIdentifier(1, &identifier));

    ASSERT_GE(s_driver->GetAdapterModeCount(0), 12u);
    DEV_DisplayMode mode;
    ASSERT_EQ(DEV_OK, s_driver->EnumAdapterModes(0, 0, &mode));
    EXPECT_EQ(640u, mode.width);
    EXPECT_EQ(480u, mode.height);
    EXPECT_EQ((u32)DEV_FMT_R5G6B5, mode.format);

    DEV_Caps caps;
    EXPECT_EQ(DEV_ERR_NOTAVAILABLE, s_driver->GetDeviceCaps(0, DEV_DEVTYPE_REF, &caps));
    ASSERT_EQ(DEV_OK, s_driver->GetDeviceCaps(0, DEV_DEVTYPE_HAL, &caps));
    EXPECT_EQ(DEV_VS_VERSION(1, 1), caps.vertexShaderVersion);
    EXPECT_EQ(DEV_PS_VERSION(1, 1), caps.pixelShaderVersion);
    EXPECT_NE(0u, caps.maxStreams);

    struct Case
    {
        u32 usage, type, format;
        s32 result;
    };
    const Case cases[] = {
        {0, DEV_RTYPE_TEXTURE, DEV_FMT_R5G6B5, DEV_OK},
        {0, DEV_RTYPE_TEXTURE, DEV_FMT_A1R5G5B5, DEV_OK},
        {0, DEV_RTYPE_TEXTURE, DEV_FMT_A8R8G8B8, DEV_OK},
        {0, DEV_RTYPE_TEXTURE, DEV_FMT_A4R4G4B4, DEV_OK},
        {0, DEV_RTYPE_TEXTURE, DEV_FMT_YUY2, DEV_ERR_NOTAVAILABLE},
        {DEV_USAGE_DEPTHSTENCIL, DEV_RTYPE_SURFACE, DEV_FMT_D16, DEV_OK},
        {DEV_USAGE_DEPTHSTENCIL, DEV_RTYPE_SURFACE, DEV_FMT_D15S1, DEV_ERR_NOTAVAILABLE},
    };
    for (const Case& entry : cases)
        EXPECT_EQ(entry.result, s_driver->CheckDeviceFormat(0, DEV_DEVTYPE_HAL, DEV_FMT_X8R8G8B8, entry.usage,
                                                            entry.type, entry.format))
            << "format " << entry.format;
    EXPECT_EQ(DEV_OK, s_driver->CheckDeviceType(0, DEV_DEVTYPE_HAL, DEV_FMT_R5G6B5, DEV_FMT_R5G6B5, 0));
    EXPECT_EQ(DEV_ERR_NOTAVAILABLE,
              s_driver->CheckDeviceType(0, DEV_DEVTYPE_HAL, DEV_FMT_X1R5G5B5, DEV_FMT_X1R5G5B5, 0));

    // One device at a time: its GL state is the context's.
    DEV_Device* second = nullptr;
    DEV_PresentParameters parameters = m_parameters;
    EXPECT_EQ(DEV_ERR_INVALIDCALL, s_driver->CreateDevice(0, DEV_DEVTYPE_HAL, nullptr,
                                                          DEV_CREATE_HARDWARE_VERTEXPROCESSING, &parameters, &second));
    EXPECT_EQ(nullptr, second);
}

TEST_F(GLDeviceTest, WindowedSizeZeroTakesTheWindowsSize)
{
    Close();
    m_parameters.backBufferWidth = 0;
    m_parameters.backBufferHeight = 0;
    DEV_Device* device = nullptr;
    ASSERT_EQ(DEV_OK, s_driver->CreateDevice(0, DEV_DEVTYPE_HAL, nullptr, DEV_CREATE_HARDWARE_VERTEXPROCESSING,
                                             &m_parameters, &device));
    m_device = device;
    EXPECT_EQ(64u, m_parameters.backBufferWidth);
    EXPECT_EQ(64u, m_parameters.backBufferHeight);
    DEV_SurfaceDesc desc;
    ASSERT_EQ(DEV_OK, m_device->GetBackBufferDesc(&desc));
    EXPECT_EQ(64u, desc.width);
}

TEST_F(GLDeviceTest, SixteenBitModesStillRenderAtEightBitsAChannel)
{
    Close();
    m_parameters.backBufferFormat = DEV_FMT_R5G6B5;
    DEV_Device* device = nullptr;
    ASSERT_EQ(DEV_OK, s_driver->CreateDevice(0, DEV_DEVTYPE_HAL, nullptr, DEV_CREATE_HARDWARE_VERTEXPROCESSING,
                                             &m_parameters, &device));
    m_device = device;
    DEV_SurfaceDesc desc;
    ASSERT_EQ(DEV_OK, m_device->GetBackBufferDesc(&desc));
    EXPECT_EQ((u32)DEV_FMT_R5G6B5, desc.format);
    ASSERT_EQ(DEV_OK, m_device->Clear(DEV_CLEAR_TARGET, Argb(0xFF, 0x01, 0x02, 0x03), 1.0f, 0));
    ASSERT_EQ(DEV_OK, m_device->Present());
    std::vector<u8> bytes(SIZE * SIZE * 4);
    ASSERT_EQ(DEV_OK, m_device->GetFrontBuffer(bytes.data(), SIZE, SIZE));
    EXPECT_EQ(0x03, bytes[0]);
    EXPECT_EQ(0x02, bytes[1]);
    EXPECT_EQ(0x01, bytes[2]);
}

}  // namespace
