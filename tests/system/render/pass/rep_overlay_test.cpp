// The overlay pass: the virtual screen's alignment, the clip rows of a placed and turned quad,
// the streaming through the shared buffers, the overlay's own blend states; on GL the drawn
// quad, its clamped texture and that neither winding is culled.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "reb_lightset.h"
#include "rep_smallpass_fixture.h"
#include "rep_sprite.h"
#include "test_dir.h"
#include "vec_mesh.h"

namespace
{

f32 Dot4(const f32* _a, const f32* _b) { return _a[0] * _b[0] + _a[1] * _b[1] + _a[2] * _b[2] + _a[3] * _b[3]; }

// Where the overlay shader puts a vertex, from the mirrored registers.
void OverlayClip(f32 _x, f32 _y, f32 _z, f32 _clip[2])
{
    const f32 p[4] = {_x, _y, _z, 1.0f};
    _clip[0] = Dot4(p, REP_VertexShaderConstants[2]);
    _clip[1] = Dot4(p, REP_VertexShaderConstants[3]);
}

// A part of the unit quad x 0..1, z -1..0 (below and right of its position on a screen whose
// y grows downward), texture coordinates u = x, v = -z; _clockwise as the screen shows it.
struct PartDeleter
{
    void operator()(VEC_MeshPart* _part) const { delete _part; }
};
using PartPtr = std::unique_ptr<VEC_MeshPart, PartDeleter>;

PartPtr QuadPart(u32 _color, bool _clockwise = true)
{
    PartPtr part(new VEC_MeshPart());
    part->Allocate(4, 2);
    const f32 corners[4][2] = {{0.0f, 0.0f}, {1.0f, 0.0f}, {1.0f, -1.0f}, {0.0f, -1.0f}};
    for (s32 i = 0; i < 4; ++i) {
        DSP_Vertex& v = part->vertices[i];
        v = DSP_Vertex();
        v.x = corners[i][0];
        v.y = 5.0f;  // ignored
        v.z = corners[i][1];
        v.color = _color;
        v.u = corners[i][0];
        v.v = -corners[i][1];
    }
    const u16 clockwise[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (s32 t = 0; t < 2; ++t)
        for (s32 k = 0; k < 3; ++k)
            part->triangles[t].vertex[k] = clockwise[t][_clockwise ? k : 2 - k];
    part->vertexCount = 4;
    part->triangleCount = 2;
    return part;
}

// ---- the projection ----

TEST(OverlayProjectionTest, AlignmentFlagsPlaceTheVirtualScreen)
{
    struct Case
    {
        s32 flags;
        f32 left, right;  // clip x of virtual x 0 and 640
        f32 top, bottom;  // clip y of virtual y 0 and 480
    };
    const Case cases[] = {
        {REP_ALIGN_LEFT | REP_ALIGN_TOP, -1.0f, 1.0f, 1.0f, -1.0f},
        {REP_ALIGN_RIGHT | REP_ALIGN_BOTTOM, 1.0f, -1.0f, -1.0f, 1.0f},
        {REP_ALIGN_HCENTER | REP_ALIGN_VCENTER, 0.0f, 2.0f, 0.0f, 2.0f},
        {REP_ALIGN_LEFT | REP_ALIGN_BOTTOM, -1.0f, 1.0f, -1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        REP_Overlay overlay;
        overlay.SetProjection(c.flags, 640.0f, 480.0f, 1.0f);
        EXPECT_FLOAT_EQ(c.left, 0.0f * overlay.scaleX + overlay.offsetX) << c.flags;
        EXPECT_FLOAT_EQ(c.right, 640.0f * overlay.scaleX + overlay.offsetX) << c.flags;
        EXPECT_FLOAT_EQ(c.top, 0.0f * overlay.scaleY + overlay.offsetY) << c.flags;
        EXPECT_FLOAT_EQ(c.bottom, 480.0f * overlay.scaleY + overlay.offsetY) << c.flags;
    }
}

TEST(OverlayProjectionTest, MissingAlignmentKeepsThatDirection)
{
    REP_Overlay overlay;
    overlay.SetProjection(REP_ALIGN_RIGHT | REP_ALIGN_BOTTOM, 640.0f, 480.0f, 1.3333334f);
    const f32 scaleX = overlay.scaleX, offsetX = overlay.offsetX;
    const f32 scaleY = overlay.scaleY, offsetY = overlay.offsetY;

    // No alignment at all: only the quad scales and the aspect follow.
    overlay.SetProjection(0, 320.0f, 200.0f, 2.0f);
    EXPECT_EQ(scaleX, overlay.scaleX);
    EXPECT_EQ(offsetX, overlay.offsetX);
    EXPECT_EQ(scaleY, overlay.scaleY);
    EXPECT_EQ(offsetY, overlay.offsetY);
    EXPECT_EQ(2.0f, overlay.aspect);
    EXPECT_FLOAT_EQ(2.0f / 320.0f, overlay.quadScaleX);
    EXPECT_FLOAT_EQ(2.0f / 400.0f, overlay.quadScaleY);

    // One direction given: the other stays.
    overlay.SetProjection(REP_ALIGN_LEFT, 100.0f, 50.0f, 1.0f);
    EXPECT_FLOAT_EQ(0.02f, overlay.scaleX);
    EXPECT_EQ(-1.0f, overlay.offsetX);
    EXPECT_EQ(scaleY, overlay.scaleY);
    EXPECT_EQ(offsetY, overlay.offsetY);
    overlay.SetProjection(REP_ALIGN_TOP, 100.0f, 50.0f, 1.0f);
    EXPECT_FLOAT_EQ(0.02f, overlay.scaleX);
    EXPECT_FLOAT_EQ(-0.04f, overlay.scaleY);
    EXPECT_EQ(1.0f, overlay.offsetY);
}

// ---- the pass on the recording device ----

class OverlayTest : public TST_PassTest
{
protected:
    void SetUp() override
    {
        TST_PassTest::SetUp();
        m_overlay.Create();
        m_overlay.SetProjection(REP_ALIGN_LEFT | REP_ALIGN_TOP, 640.0f, 480.0f, 1.0f);
    }

    void TearDown() override
    {
        m_overlay.Release();
        TST_PassTest::TearDown();
    }

    u32 State(s32 _index)
    {
        u32 value = 0;
        m_display->GetRenderState(_index, &value);
        return value;
    }

    REP_Overlay m_overlay;
    REB_LightSet m_lights;
};

TEST_F(OverlayTest, FullScreenQuadMapsItsUnitCornerOneScreenAwayFromThePosition)
{
    PartPtr part = QuadPart(0xFFFFFFFFu);
    const f32 px = 100.0f, py = 50.0f;
    m_overlay.DrawQuads(part.get(), px, py, MAT_Angle(), 640.0f, 480.0f, m_lights);
    const f32 x0 = px * 2.0f / 640.0f - 1.0f;
    const f32 y0 = 1.0f - py * 2.0f / 480.0f;
    f32 clip[2];
    OverlayClip(0.0f, 3.0f, 0.0f, clip);
    EXPECT_FLOAT_EQ(x0, clip[0]);
    EXPECT_FLOAT_EQ(y0, clip[1]);
    OverlayClip(0.5f, -7.0f, 0.5f, clip);
    EXPECT_FLOAT_EQ(x0 + 1.0f, clip[0]);
    EXPECT_FLOAT_EQ(y0 + 1.0f, clip[1]);
    const f32 depth[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    for (s32 k = 0; k < 4; ++k)
        EXPECT_EQ(depth[k], REP_VertexShaderConstants[4][k]) << k;
    for (s32 r = 2; r <= 6; ++r)
        for (s32 k = 0; k < 4; ++k)
            EXPECT_EQ(REP_VertexShaderConstants[r][k], Device().constants[r][k]) << "c" << r << "[" << k << "]";
}

TEST_F(OverlayTest, TurnedQuadKeepsItsShapeInPixels)
{
    // A 4:3 screen: virtual units are pixels of a 640x480 frame in both directions.
    const f32 aspect = 640.0f / 480.0f;
    m_overlay.SetProjection(REP_ALIGN_LEFT | REP_ALIGN_TOP, 640.0f, 480.0f, aspect);
    PartPtr part = QuadPart(0xFFFFFFFFu);
    const auto pixels = [&](f32 _x, f32 _z, f32 _out[2]) {
        f32 origin[2], clip[2];
        OverlayClip(0.0f, 0.0f, 0.0f, origin);
        OverlayClip(_x, 0.0f, _z, clip);
        _out[0] = (clip[0] - origin[0]) * 320.0f;
        _out[1] = (clip[1] - origin[1]) * 240.0f;
    };
    struct Case
    {
        f32 angle;
        f32 widthAxis[2];   // where the quad's x axis points, in pixels (y up)
        f32 heightAxis[2];  // and its z axis
    };
    const Case cases[] = {
        {0.0f, {64.0f, 0.0f}, {0.0f, 48.0f}},
        {1.5707964f, {0.0f, -64.0f}, {48.0f, 0.0f}},
        {-3.1415927f, {-64.0f, 0.0f}, {0.0f, -48.0f}},
    };
    for (const Case& c : cases) {
        m_overlay.DrawQuads(part.get(), 300.0f, 200.0f, MAT_Angle(c.angle), 64.0f, 48.0f, m_lights);
        f32 axis[2];
        pixels(1.0f, 0.0f, axis);
        EXPECT_NEAR(c.widthAxis[0], axis[0], 1e-3f) << c.angle;
        EXPECT_NEAR(c.widthAxis[1], axis[1], 1e-3f) << c.angle;
        pixels(0.0f, 1.0f, axis);
        EXPECT_NEAR(c.heightAxis[0], axis[0], 1e-3f) << c.angle;
        EXPECT_NEAR(c.heightAxis[1], axis[1], 1e-3f) << c.angle;
    }
}

TEST_F(OverlayTest, QuadsStreamThroughTheSharedBuffersWithDiscardLocks)
{
    const DEV_Handle texture = Texture(6);
    PartPtr part = QuadPart(0x80FF0000u);
    part->material.diffuseMap.textureId = 6;
    part->material.diffuseMap.alpha = 51;
    part->material.selfIllumination = 0x00336699u;
    m_lights.SetAmbient(0.5f, 0.25f, 1.0f);
    m_fake.Forget();

    m_overlay.DrawQuads(part.get(), 0.0f, 0.0f, MAT_Angle(), 10.0f, 10.0f, m_lights);

    ASSERT_EQ(1u, Draws());
    EXPECT_EQ("DrawIndexedPrimitive 4 0 4 0 2", m_fake.Matching("DrawIndexedPrimitive").front());
    const std::vector<std::string> indexLocks = m_fake.Matching("LockIndexBuffer");
    const std::vector<std::string> vertexLocks = m_fake.Matching("LockVertexBuffer");
    ASSERT_EQ(1u, indexLocks.size());
    ASSERT_EQ(1u, vertexLocks.size());
    // From the start, as many bytes as the part needs, discarding what was there.
    const auto lock = [](const std::string& _call, u32 _bytes) {
        u32 buffer = 0, offset = 0, size = 0, flags = 0;
        const s32 read = sscanf(_call.c_str(), "%*s %u %u %u %x", &buffer, &offset, &size, &flags);
        return read == 4 && offset == 0 && size == _bytes && (flags & DEV_LOCK_DISCARD) != 0;
    };
    EXPECT_TRUE(lock(indexLocks[0], 6 * 2)) << indexLocks[0];
    EXPECT_TRUE(lock(vertexLocks[0], 4 * 40)) << vertexLocks[0];

    const DEV_NullBuffer& indices = Device().indexBuffers[Device().indices];
    const DEV_NullBuffer& vertices = Device().vertexBuffers[Device().stream];
    EXPECT_EQ(0x400000u * 2u, indices.length) << "the shared index buffer";
    EXPECT_EQ(0x400000u * 40u, vertices.length) << "the shared vertex buffer";
    const u16 expected[6] = {0, 1, 2, 0, 2, 3};
    EXPECT_EQ(0, std::memcmp(expected, indices.data, sizeof(expected)));
    EXPECT_EQ(0, std::memcmp(part->vertices, vertices.data, 4 * sizeof(DSP_Vertex)));

    // Colour rows: ambient and alpha, emissive.
    const auto& c = REP_VertexShaderConstants;
    EXPECT_EQ(0.5f, c[6][0]);
    EXPECT_EQ(0.25f, c[6][1]);
    EXPECT_EQ(1.0f, c[6][2]);
    EXPECT_FLOAT_EQ(0.2f, c[6][3]);
    EXPECT_FLOAT_EQ(0.2f, c[5][0]);
    EXPECT_FLOAT_EQ(0.4f, c[5][1]);
    EXPECT_FLOAT_EQ(0.6f, c[5][2]);
    EXPECT_EQ(0.0f, c[5][3]);
    EXPECT_EQ(&part->material.diffuseMap, m_overlay.map);
    EXPECT_EQ(texture, Device().stageTextures[0]);
    ASSERT_EQ(1u, Device().vertexShaders.size());
    EXPECT_EQ(Device().vertexShaders.begin()->first, Device().vertexShader);
}

TEST_F(OverlayTest, EmptyPartsAndUnindexedMeshesSetNothingAndDrawNothing)
{
    PartPtr empty = QuadPart(0xFFFFFFFFu);
    empty->triangleCount = 0;
    REB_Mesh* unindexed = Mesh({{0, 0}, {6, 4}});
    REB_Mesh* none = Mesh({});
    m_fake.Forget();

    m_overlay.DrawQuads(empty.get(), 1.0f, 2.0f, MAT_Angle(), 3.0f, 4.0f, m_lights);
    m_overlay.DrawMesh(unindexed, 1.0f, 2.0f, MAT_Angle(), 3.0f, 4.0f, m_lights);
    m_overlay.DrawMesh(none, 1.0f, 2.0f, MAT_Angle(), 3.0f, 4.0f, m_lights);
    m_overlay.DrawDynamic(empty.get());

    EXPECT_TRUE(m_fake.calls.empty()) << m_fake.calls.front();
    EXPECT_EQ(nullptr, m_overlay.map);
}

TEST_F(OverlayTest, MeshesDrawTheirFirstMaterialFromTheirOwnBuffers)
{
    REB_Mesh* mesh = Mesh({{6, 4}, {3, 3}});
    REB_Material* first = mesh->GetMaterial(0);
    first->material.diffuseMap.alpha = 102;
    first->material.selfIllumination = 0x00FF0000u;
    mesh->GetMaterial(1)->material.diffuseMap.alpha = 7;
    m_fake.Forget();

    m_overlay.DrawMesh(mesh, 320.0f, 240.0f, MAT_Angle(), 64.0f, 48.0f, m_lights);

    ASSERT_EQ(1u, Draws());
    EXPECT_EQ("DrawIndexedPrimitive 4 0 4 0 2", m_fake.Matching("DrawIndexedPrimitive").front());
    EXPECT_EQ(0u, m_fake.Count("LockVertexBuffer"));
    EXPECT_EQ(0u, m_fake.Count("LockIndexBuffer"));
    EXPECT_NE(m_display->GetSharedVertexBuffer(), mesh->GetVertexBuffer());
    EXPECT_EQ(&first->material.diffuseMap, m_overlay.map);
    EXPECT_FLOAT_EQ(0.4f, REP_VertexShaderConstants[6][3]);
    EXPECT_EQ(1.0f, REP_VertexShaderConstants[5][0]);
    f32 clip[2];
    OverlayClip(0.0f, 0.0f, 0.0f, clip);
    EXPECT_FLOAT_EQ(0.0f, clip[0]);
    EXPECT_FLOAT_EQ(0.0f, clip[1]);
}

TEST_F(OverlayTest, BlendModesAsTheGeneralConversionButClampedAndNeverCulled)
{
    struct Case
    {
        u8 mode;
        u32 source, destination, alphaTest;
    };
    const Case cases[] = {
        {0, DEV_BLEND_ONE, DEV_BLEND_ZERO, 1},
        {1, DEV_BLEND_SRCALPHA, DEV_BLEND_ONE, 1},
        {2, DEV_BLEND_SRCALPHA, DEV_BLEND_INVSRCALPHA, 1},
        {3, DEV_BLEND_DESTCOLOR, DEV_BLEND_ONE, 0},
        {4, DEV_BLEND_ZERO, DEV_BLEND_INVSRCCOLOR, 0},
        {5, DEV_BLEND_DESTCOLOR, DEV_BLEND_INVSRCALPHA, 1},
    };
    const DEV_Handle texture = Texture(2);
    for (const Case& c : cases) {
        VEC_Map map;
        map.blendMode = c.mode;
        map.alpha = 255;  // opaque: the general conversion would cull
        map.flags = (u8)(c.mode & 1 ? 0 : VEC_MAP_DEPTHBUFFERED);
        map.depthBias = (u8)(c.mode + 3);
        map.textureId = 2;
        REP_Overlay::SetMapToRenderState(&map);
        EXPECT_EQ(c.source, State(DSP_RS_SRCBLEND)) << (s32)c.mode;
        EXPECT_EQ(c.destination, State(DSP_RS_DESTBLEND)) << (s32)c.mode;
        EXPECT_EQ(c.alphaTest, State(DSP_RS_ALPHATESTENABLE)) << (s32)c.mode;
        EXPECT_EQ((u32)(c.mode & 1 ? 0 : 1), State(DSP_RS_ZWRITEENABLE)) << (s32)c.mode;
        EXPECT_EQ((u32)(c.mode + 3), State(DSP_RS_ZBIAS)) << (s32)c.mode;
        EXPECT_EQ((u32)DEV_CULL_NONE, State(DSP_RS_CULLMODE)) << (s32)c.mode;
        EXPECT_EQ(1u, State(DSP_RS_ZENABLE));
        EXPECT_EQ((u32)DEV_CMP_LESSEQUAL, State(DSP_RS_ZFUNC));
        EXPECT_EQ(0u, State(DSP_RS_ALPHAREF));
        EXPECT_EQ((u32)DEV_CMP_GREATER, State(DSP_RS_ALPHAFUNC));
        EXPECT_EQ(0u, State(DSP_RS_SPECULARENABLE));
        EXPECT_EQ(0u, State(DSP_RS_TEXTUREFACTOR));
    }
    EXPECT_EQ((u32)DEV_TADDRESS_CLAMP, Device().stageStates[0][DEV_TSS_ADDRESSU]);
    EXPECT_EQ((u32)DEV_TADDRESS_CLAMP, Device().stageStates[0][DEV_TSS_ADDRESSV]);
    EXPECT_EQ((u32)DEV_TOP_MODULATE, Device().stageStates[0][DEV_TSS_COLOROP]);
    EXPECT_EQ((u32)DEV_TOP_MODULATE, Device().stageStates[0][DEV_TSS_ALPHAOP]);
    EXPECT_EQ((u32)DEV_TOP_DISABLE, Device().stageStates[1][DEV_TSS_COLOROP]);
    EXPECT_EQ(texture, Device().stageTextures[0]);

    VEC_Map illegal;
    illegal.blendMode = 6;
    EXPECT_FATAL(REP_Overlay::SetMapToRenderState(&illegal), "REB_Map::SetMapToRenderState(RenderMode)",
                 "illegal mode");
}

// ---- GL ----

class OverlayGLTest : public TST_PassGLTest
{
protected:
    void SetUp() override
    {
        TST_PassGLTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_overlay.Create();
        m_overlay.SetProjection(REP_ALIGN_LEFT | REP_ALIGN_TOP, 640.0f, 480.0f, 640.0f / 480.0f);
        // 2x2 texels, row 0 first.
        Texture(TEXTURE, 1, {TEXELS[0], TEXELS[1], TEXELS[2], TEXELS[3]});
        m_lights.SetAmbient(1.0f, 0.5f, 0.25f);
    }

    void TearDown() override
    {
        if (m_display != nullptr)
            m_overlay.Release();
        TST_PassGLTest::TearDown();
    }

    // The quad's colour over texel _texel, by the overlay's formula: (c6 x V + c5) x texture.
    u32 Expected(u32 _texel) const
    {
        const f32 ambient[3] = {1.0f, 0.5f, 0.25f};
        const f32 emissive[3] = {0.2f, 0.0f, 0.0f};
        f32 rgb[3];
        for (s32 k = 0; k < 3; ++k) {
            const u32 shift = 16 - 8 * (u32)k;
            f32 lit = ambient[k] * TST_Channel(COLOR, shift) + emissive[k];
            lit = lit > 1.0f ? 1.0f : lit;
            rgb[k] = lit * TST_Channel(_texel, shift);
        }
        return TST_PackRgb(rgb[0], rgb[1], rgb[2]);
    }

    // The quad at (160, 120), 320x240 virtual units: pixels 160..480 by 120..360.
    void CheckQuad(const char* _what)
    {
        // Texel centres at the quadrants' centres.
        EXPECT_TRUE(TST_RgbNear(Expected(TEXELS[0]), Pixel(240, 180))) << _what;
        EXPECT_TRUE(TST_RgbNear(Expected(TEXELS[1]), Pixel(400, 180))) << _what;
        EXPECT_TRUE(TST_RgbNear(Expected(TEXELS[2]), Pixel(240, 300))) << _what;
        EXPECT_TRUE(TST_RgbNear(Expected(TEXELS[3]), Pixel(400, 300))) << _what;
        // At the left edge a wrapped texture would blend in the right-hand texel.
        EXPECT_TRUE(TST_RgbNear(Expected(TEXELS[0]), Pixel(160, 180))) << _what;
        EXPECT_TRUE(TST_RgbNear(Expected(TEXELS[3]), Pixel(479, 359))) << _what;
        // Outside: the clear colour.
        for (const auto& at : {std::pair<s32, s32>{158, 240}, {482, 240}, {320, 118}, {320, 362}})
            EXPECT_TRUE(TST_RgbNear(0, Pixel(at.first, at.second))) << _what << " " << at.first << "," << at.second;
    }

    enum
    {
        TEXTURE = 5
    };
    static constexpr u32 COLOR = TST_Argb(255, 128, 255, 64);
    static constexpr u32 TEXELS[4] = {TST_Argb(255, 255, 0, 0), TST_Argb(255, 0, 255, 0), TST_Argb(255, 0, 0, 255),
                                      TST_Argb(255, 255, 255, 255)};

    REP_Overlay m_overlay;
    REB_LightSet m_lights;
};

TEST_F(OverlayGLTest, QuadsOfEitherWindingShowTheirClampedTexture)
{
    for (bool clockwise : {true, false}) {
        PartPtr part = QuadPart(COLOR, clockwise);
        part->material.diffuseMap.textureId = TEXTURE;
        part->material.selfIllumination = TST_Argb(0, 51, 0, 0);
        Frame(TST_Argb(255, 0, 0, 0),
              [&] { m_overlay.DrawQuads(part.get(), 160.0f, 120.0f, MAT_Angle(), 320.0f, 240.0f, m_lights); });
        CheckQuad(clockwise ? "clockwise" : "counter-clockwise");
    }
}

TEST_F(OverlayGLTest, MeshesDrawLikeTheStreamedPart)
{
    PartPtr part = QuadPart(COLOR, false);
    std::vector<DSP_Vertex> vertices(part->vertices, part->vertices + 4);
    std::vector<u16> indices;
    for (s32 t = 0; t < 2; ++t)
        for (u16 index : part->triangles[t].vertex)
            indices.push_back(index);
    REB_Mesh* mesh = Mesh(vertices, indices);
    mesh->GetMaterial(0)->material.diffuseMap.textureId = TEXTURE;
    mesh->GetMaterial(0)->material.selfIllumination = TST_Argb(0, 51, 0, 0);
    Frame(TST_Argb(255, 0, 0, 0),
          [&] { m_overlay.DrawMesh(mesh, 160.0f, 120.0f, MAT_Angle(), 320.0f, 240.0f, m_lights); });
    CheckQuad("mesh");
}

}  // namespace
