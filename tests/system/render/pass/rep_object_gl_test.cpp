// The object programs and stage setups on the GL device against their formulas: each variant
// drawn alone over a known frame, with four-texel textures whose one wanted texel shows
// whether every texture coordinate comes from the right registers, then whole meshes through
// Render, RenderPS and the pre-lit Render with a real camera and light set.
#include <functional>

#include "reb_lightset.h"
#include "reb_planarprojection.h"
#include "rep_object.h"
#include "rep_pixel_fixture.h"
#include "vec_camera.h"

namespace
{

using Color = TST_PixelTest::Color;

constexpr s32 DIFFUSE = 1;
constexpr s32 BUMP = 2;
constexpr s32 CAUSTIC = 3;
constexpr s32 FOG = 4;
constexpr s32 LIGHT_MAP = 5;

constexpr u32 BACKGROUND = 0xFF806040u;
constexpr u32 VERTEX_COLOR = 0xFFE6CCB3u;
constexpr u32 CAUSTIC_TEXEL = 0xFF604830u;
constexpr u32 DIFFUSE_TEXEL = 0xC0A08060u;
constexpr u32 FOG_TEXEL = 0x80406080u;
constexpr u32 BUMP_TEXEL = 0x80808080u;
constexpr u32 LIGHT_MAP_TEXEL = 0xFF302818u;
constexpr u32 BUMP_FACTOR = 0xBF1F1F1Fu;  // (31, 31, 31, 191)

// The lighting of the constants: ambient, front and back colour of the directional light,
// which comes from +y (c55 = (0, 1, 0)).
constexpr Color AMBIENT = {0.20f, 0.15f, 0.10f, 0.0f};
constexpr Color FRONT = {0.50f, 0.45f, 0.30f, 0.0f};
constexpr Color BACK = {0.10f, 0.25f, 0.40f, 0.0f};
constexpr f32 CAUSTIC_HEIGHT = 0.5f;  // c12 = (0, 0, height, 1): the weight is height x N.z

f32 Sat(f32 _v) { return TST_PixelTest::Saturate(_v); }

Color Map(const Color& _a, const Color& _b, const std::function<f32(f32, f32)>& _f)
{
    return {_f(_a.r, _b.r), _f(_a.g, _b.g), _f(_a.b, _b.b), _f(_a.a, _b.a)};
}

// Four texels (2 x 2) of which _texel (row x 2 + column) is _argb; the others are far from
// every colour the tests expect (one is fully transparent), so a wrong coordinate shows.
// The vertices carry (0.75, 0.75): texel 3; the caustic rows give (0.75, 0.25): texel 1; the
// fog rows and the bump tiling (0.25, 0.75): texel 2.
std::vector<u32> FourTexels(u32 _argb, s32 _texel)
{
    std::vector<u32> texels = {0xFFE00000u, 0xFF00E000u, 0xFF0000E0u, 0x00E0E0E0u};
    texels[(size_t)_texel] = _argb;
    return texels;
}

// What the object programs compute per vertex: the lit colour and the caustic weight.
Color VertexLight(const MAT_Vector3& _normal, const Color& _vertex)
{
    const f32 d = _normal.y;
    auto light = [&](f32 _ambient, f32 _front, f32 _back) {
        return _ambient + _front * (d > 0.0f ? d : 0.0f) - _back * (d < 0.0f ? d : 0.0f);
    };
    return {Sat(_vertex.r * light(AMBIENT.r, FRONT.r, BACK.r)), Sat(_vertex.g * light(AMBIENT.g, FRONT.g, BACK.g)),
            Sat(_vertex.b * light(AMBIENT.b, FRONT.b, BACK.b)), Sat(_normal.z * CAUSTIC_HEIGHT)};
}

// ---- the formulas of the variants ----

struct Inputs
{
    Color diffuseOut;  // the saturated vertex colour
    Color caustic, diffuse, fog, bump, lightMap, frame;
};

Color CausticLit(const Inputs& _in)
{
    const Color& d = _in.diffuseOut;
    return Map(d, _in.caustic, [&](f32 _d, f32 _c) { return Sat(_d + d.a * _c); });
}

Color CausticDiffuse(const Inputs& _in)
{
    return Map(CausticLit(_in), _in.diffuse, [](f32 _c, f32 _t) { return Sat(2.0f * _c * _t); });
}

// _above blended over _below by its alpha (source alpha, inverse source alpha).
Color AlphaOver(const Color& _below, const Color& _above)
{
    return Map(_below, _above, [&](f32 _b, f32 _a) { return Sat(_a * _above.a + _b * (1.0f - _above.a)); });
}

// Source and destination colour, each times the other.
Color MultiplyTwice(const Color& _source, const Color& _frame)
{
    return Map(_source, _frame, [](f32 _s, f32 _f) { return Sat(_s * _f + _f * _s); });
}

Color Bumped(const Inputs& _in)
{
    const Color factor = TST_PixelTest::Unpack(BUMP_FACTOR);
    const Color bump = Map(factor, _in.bump, [&](f32 _f, f32 _b) { return Sat(_f + factor.a * _b); });
    return MultiplyTwice(Map(bump, _in.diffuse, [](f32 _b, f32 _d) { return Sat(2.0f * _b * _d); }), _in.frame);
}

struct Variant
{
    const char* name;
    std::function<void(REP_Object&, REP_ObjectPrelit&, const REB_Material&)> draw;
    std::function<Color(const Inputs&)> expected;
};

const std::vector<Variant>& Variants()
{
    static const std::vector<Variant> variants = {
        {"object cm", [](REP_Object& _o, REP_ObjectPrelit&, const REB_Material& _m) { _o.shaders.Draw_cm(_m); },
         CausticLit},
        {"object cmdm", [](REP_Object& _o, REP_ObjectPrelit&, const REB_Material& _m) { _o.shaders.Draw_cmdm(_m); },
         CausticDiffuse},
        {"object cmdmfm", [](REP_Object& _o, REP_ObjectPrelit&, const REB_Material& _m) { _o.shaders.Draw_cmdmfm(_m); },
         [](const Inputs& _in) { return AlphaOver(CausticDiffuse(_in), _in.fog); }},
        {"object dmbm", [](REP_Object& _o, REP_ObjectPrelit&, const REB_Material& _m) { _o.shaders.Draw_dmbm(_m); },
         Bumped},
        {"object fm", [](REP_Object& _o, REP_ObjectPrelit&, const REB_Material& _m) { _o.shaders.Draw_fm(_m); },
         [](const Inputs& _in) { return AlphaOver(_in.frame, _in.fog); }},
        {"prelit lmcs", [](REP_Object&, REP_ObjectPrelit& _p, const REB_Material& _m) { _p.shaders.Draw_lmcs(_m); },
         [](const Inputs& _in) {
             const f32 weight = _in.diffuseOut.a;
             return Map(_in.caustic, _in.lightMap, [&](f32 _c, f32 _l) { return Sat(weight * _c + _l); });
         }},
        {"prelit dm", [](REP_Object&, REP_ObjectPrelit& _p, const REB_Material& _m) { _p.shaders.Draw_dm(_m); },
         [](const Inputs& _in) { return MultiplyTwice(_in.diffuse, _in.frame); }},
        {"prelit dmbm", [](REP_Object&, REP_ObjectPrelit& _p, const REB_Material& _m) { _p.shaders.Draw_dmbm(_m); },
         Bumped},
        {"prelit fm", [](REP_Object&, REP_ObjectPrelit& _p, const REB_Material& _m) { _p.shaders.Draw_fm(_m); },
         [](const Inputs& _in) { return AlphaOver(_in.frame, _in.fog); }},
    };
    return variants;
}

// ---- fixture ----

class RepObjectPixelTest : public TST_PixelTest
{
protected:
    void SetUp() override
    {
        TST_PixelTest::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_object.Create();
        m_prelit.Create();
    }

    void TearDown() override
    {
        if (m_display != nullptr) {
            m_object.Release();
            m_prelit.Release();
        }
        TST_PixelTest::TearDown();
    }

    // The constants of the variant tests, set by hand: clip positions, the lighting above, the
    // caustic and fog coordinates of FourTexels and the bump tiling that picks texel 2.
    void SetVariantConstants()
    {
        PassThrough();
        REP_SetConstant4(10, 0.0f, 0.0f, 0.0f, 0.75f);
        REP_SetConstant4(11, 0.0f, 0.0f, 0.0f, 0.25f);
        REP_SetConstant4(12, 0.0f, 0.0f, CAUSTIC_HEIGHT, 1.0f);
        REP_SetConstant4(13, 0.0f, 0.0f, 0.0f, 0.25f);
        REP_SetConstant4(14, 0.0f, 0.0f, 0.0f, 0.75f);
        REP_SetConstant4(18, 1.0f / 3.0f, 1.0f, 0.0f, 0.0f);
        REP_SetConstant4(51, AMBIENT.r, AMBIENT.g, AMBIENT.b, 1.0f);
        REP_SetConstant4(53, FRONT.r, FRONT.g, FRONT.b, 0.0f);
        REP_SetConstant4(54, BACK.r, BACK.g, BACK.b, 0.0f);
        REP_SetConstant4(55, 0.0f, 1.0f, 0.0f, 0.0f);
    }

    template <class SHADERS>
    void FillSlots(SHADERS& _shaders)
    {
        _shaders.slots[SHADERS::DIFFUSE_MAP] = DIFFUSE;
        _shaders.slots[SHADERS::CAUSTIC] = CAUSTIC;
        _shaders.slots[SHADERS::FOG_TEXTURE] = FOG;
        _shaders.slots[SHADERS::BUMP_MAP] = BUMP;
        _shaders.slots[SHADERS::TEXTURE_FACTOR] = (s32)BUMP_FACTOR;
    }

    // The renderer's view of a quad two units ahead of the default camera, covering the view.
    REB_Mesh* QuadAhead(const MAT_Vector3& _normal, u32 _argb)
    {
        std::vector<DSP_Vertex> vertices;
        const f32 corners[4][2] = {{-3.0f, -2.5f}, {-3.0f, 2.5f}, {3.0f, 2.5f}, {3.0f, -2.5f}};
        for (const auto& corner : corners) {
            DSP_Vertex vertex;
            vertex.x = corner[0];
            vertex.y = 2.0f;
            vertex.z = corner[1];
            vertex.nx = _normal.x;
            vertex.ny = _normal.y;
            vertex.nz = _normal.z;
            vertex.color = _argb;
            vertex.u = 0.75f;
            vertex.v = 0.75f;
            vertices.push_back(vertex);
        }
        return Quads(vertices);
    }

    // Default camera, the object at the origin unturned; ambient and one directional light
    // from +y with the colours above, so the programs see the constants of the variant tests.
    void UseCameraAndLights()
    {
        VEC_Camera camera;
        m_transform.SetView(camera.GetWorldTransform());
        m_transform.SetProjection(camera.GetProjection());
        MAT_Matrix34 world;
        world.r.SetDiagonal(1.0f);
        m_transform.SetWorld(world);
        m_lights.SetAmbient(AMBIENT.r, AMBIENT.g, AMBIENT.b);
        VEC_Light light;
        light.m_type = 1;
        light.m_color1 = {FRONT.r, FRONT.g, FRONT.b};
        light.m_color2 = {BACK.r, BACK.g, BACK.b};
        MAT_Matrix34 placement;
        placement.r.SetAxis(1, {0.0f, -1.0f, 0.0f});  // shining towards -y: c55 = +y
        m_lights.AddLight(light, 0.0f, 0.0f, placement);
        REB_PlanarProjection caustic;
        caustic.heightFactor = CAUSTIC_HEIGHT;
        for (auto* record : {&m_object.causticRecord, &m_prelit.causticRecord})
            *record = caustic;
        m_object.causticTexture = m_prelit.causticTexture = CAUSTIC;
        m_object.fogTexture = m_prelit.fogTexture = FOG;
    }

    REP_Object m_object;
    REP_ObjectPrelit m_prelit;
    VEC_TransformState m_transform;
    REB_LightSet m_lights;
};

// ---- each variant alone ----

TEST_F(RepObjectPixelTest, EachVariantDrawsItsFormula)
{
    Texture(CAUSTIC, 1, FourTexels(CAUSTIC_TEXEL, 1));
    Texture(DIFFUSE, 1, FourTexels(DIFFUSE_TEXEL, 3));
    Texture(FOG, 1, FourTexels(FOG_TEXEL, 2));
    Texture(BUMP, 1, FourTexels(BUMP_TEXEL, 2));
    Texture(LIGHT_MAP, 1, FourTexels(LIGHT_MAP_TEXEL, 3));
    FillSlots(m_object.shaders);
    FillSlots(m_prelit.shaders);
    m_prelit.shaders.slots[REP_ObjectPrelitShaders::LIGHT_MAP] = LIGHT_MAP;
    SetVariantConstants();

    const struct
    {
        const char* name;
        MAT_Vector3 normal;
    } normals[] = {
        {"lit from the front, facing up", {0.0f, 0.6f, 0.8f}},
        {"lit from behind, facing up", {0.0f, -0.6f, 0.8f}},
        {"lit edge-on, facing down", {0.6f, 0.0f, -0.8f}},
    };
    Inputs in;
    in.caustic = Unpack(CAUSTIC_TEXEL);
    in.diffuse = Unpack(DIFFUSE_TEXEL);
    in.fog = Unpack(FOG_TEXEL);
    in.bump = Unpack(BUMP_TEXEL);
    in.lightMap = Unpack(LIGHT_MAP_TEXEL);
    in.frame = Unpack(BACKGROUND);
    for (const auto& normal : normals) {
        const REB_Material& material = *ScreenQuad(normal.normal, VERTEX_COLOR, 0.75f, 0.75f)->GetMaterial(0);
        in.diffuseOut = VertexLight(normal.normal, Unpack(VERTEX_COLOR));
        for (const Variant& variant : Variants()) {
            Frame(BACKGROUND, [&] { variant.draw(m_object, m_prelit, material); });
            EXPECT_TRUE(RgbNear(PackRgb(variant.expected(in)), Centre())) << variant.name << ", " << normal.name;
        }
    }
}

TEST_F(RepObjectPixelTest, MultiplyingVariantsLeaveTheFrameWhereTheDiffuseMapIsClear)
{
    Texture(DIFFUSE, 1, FourTexels(DIFFUSE_TEXEL & 0x00FFFFFFu, 3));
    Flat(BUMP, BUMP_TEXEL);
    FillSlots(m_object.shaders);
    FillSlots(m_prelit.shaders);
    SetVariantConstants();
    const REB_Material& material = *ScreenQuad({0.0f, 0.0f, 1.0f}, VERTEX_COLOR, 0.75f, 0.75f)->GetMaterial(0);
    for (const char* name : {"object dmbm", "prelit dm", "prelit dmbm"}) {
        for (const Variant& variant : Variants()) {
            if (std::string(variant.name) != name)
                continue;
            Frame(BACKGROUND, [&] { variant.draw(m_object, m_prelit, material); });
            EXPECT_TRUE(RgbNear(BACKGROUND & 0xFFFFFFu, Centre(), 0)) << name;
        }
    }
}

// ---- whole meshes ----

TEST_F(RepObjectPixelTest, RenderAndRenderPSDrawTheSameOpaqueMaterial)
{
    Flat(CAUSTIC, CAUSTIC_TEXEL);
    Flat(DIFFUSE, DIFFUSE_TEXEL);
    Flat(FOG, FOG_TEXEL);
    UseCameraAndLights();
    const MAT_Vector3 normal = {0.0f, 0.6f, 0.8f};
    REB_Mesh* mesh = QuadAhead(normal, VERTEX_COLOR);
    mesh->GetMaterial(0)->material.diffuseMap.textureId = DIFFUSE;

    Inputs in;
    in.diffuseOut = VertexLight(normal, Unpack(VERTEX_COLOR));
    in.caustic = Unpack(CAUSTIC_TEXEL);
    in.diffuse = Unpack(DIFFUSE_TEXEL);
    const u32 expected = PackRgb(AlphaOver(CausticDiffuse(in), Unpack(FOG_TEXEL)));

    Frame(BACKGROUND, [&] { m_object.Render(mesh, m_transform, m_lights); });
    const u32 twoPasses = Centre();
    EXPECT_TRUE(RgbNear(expected, twoPasses)) << "Render";
    Frame(BACKGROUND, [&] { m_object.RenderPS(mesh, m_transform, m_lights); });
    EXPECT_TRUE(RgbNear(expected, Centre())) << "RenderPS";
    EXPECT_TRUE(RgbNear(twoPasses, Centre(), 1)) << "the two forms";
}

TEST_F(RepObjectPixelTest, SeeThroughMaterialBlendsOverTheFrame)
{
    Flat(DIFFUSE, DIFFUSE_TEXEL);
    Flat(FOG, FOG_TEXEL);
    UseCameraAndLights();
    const MAT_Vector3 normal = {0.0f, -0.6f, 0.8f};
    REB_Mesh* mesh = QuadAhead(normal, VERTEX_COLOR);
    VEC_Map& map = mesh->GetMaterial(0)->material.diffuseMap;
    map.textureId = DIFFUSE;
    map.alpha = 200;
    map.blendMode = 2;
    mesh->GetMaterial(0)->material.selfIllumination = 0x00201000;

    Frame(BACKGROUND, [&] { m_object.Render(mesh, m_transform, m_lights); });
    // (light, alpha) x vertex colour + glow, times the texture, blended by its alpha; no fog.
    Color lit = VertexLight(normal, Unpack(VERTEX_COLOR));
    const Color glow = Unpack(0x00201000);
    lit = {Sat(lit.r + glow.r), Sat(lit.g + glow.g), Sat(lit.b + glow.b), 200.0f / 255.0f};
    const Color source = Map(lit, Unpack(DIFFUSE_TEXEL), [](f32 _l, f32 _t) { return _l * _t; });
    EXPECT_TRUE(RgbNear(PackRgb(AlphaOver(Unpack(BACKGROUND), source)), Centre()));
}

TEST_F(RepObjectPixelTest, PrelitMeshIsMultipliedIntoItsLightMesh)
{
    Flat(CAUSTIC, CAUSTIC_TEXEL);
    Flat(DIFFUSE, DIFFUSE_TEXEL);
    Flat(FOG, FOG_TEXEL);
    Flat(LIGHT_MAP, LIGHT_MAP_TEXEL);
    UseCameraAndLights();
    const MAT_Vector3 normal = {0.0f, 0.0f, 1.0f};
    REB_Mesh* light = QuadAhead(normal, VERTEX_COLOR);
    light->GetMaterial(0)->material.diffuseMap.textureId = LIGHT_MAP;
    REB_Mesh* mesh = QuadAhead(normal, VERTEX_COLOR);
    mesh->GetMaterial(0)->material.diffuseMap.textureId = DIFFUSE;

    const Color caustic = Unpack(CAUSTIC_TEXEL);
    const Color lightMap = Unpack(LIGHT_MAP_TEXEL);
    const Color lit = Map(caustic, lightMap, [](f32 _c, f32 _l) { return Sat(CAUSTIC_HEIGHT * _c + _l); });
    const Color expected = AlphaOver(MultiplyTwice(Unpack(DIFFUSE_TEXEL), lit), Unpack(FOG_TEXEL));

    Frame(BACKGROUND, [&] { m_prelit.Render(light, mesh, m_transform, m_lights); });
    EXPECT_TRUE(RgbNear(PackRgb(expected), Centre()));
    // Without a light mesh the mesh multiplies what was there.
    Frame(BACKGROUND, [&] { m_prelit.Render(nullptr, mesh, m_transform, m_lights); });
    EXPECT_TRUE(RgbNear(PackRgb(AlphaOver(MultiplyTwice(Unpack(DIFFUSE_TEXEL), Unpack(BACKGROUND)), Unpack(FOG_TEXEL))),
                        Centre()));
}

}  // namespace
