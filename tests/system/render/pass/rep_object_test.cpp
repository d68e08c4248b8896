// The object passes through the recording fake: which programs draw each material and in
// which order, the states each variant leaves on the device, what a repeated draw costs, and
// the constants of an object (lights in the object's space, caustics, fog, standard materials).
#include <functional>

#include "reb_lightset.h"
#include "reb_planarprojection.h"
#include "rem_foglayer.h"
#include "rep_object.h"
#include "rep_object_fixture.h"
#include "vec_camera.h"

namespace
{

constexpr s32 DIFFUSE = 1;
constexpr s32 BUMP = 2;
constexpr s32 CAUSTIC = 3;
constexpr s32 FOG = 4;
constexpr s32 OTHER_FOG = 5;
constexpr s32 LIGHT_MAP = 6;

// ---- fixture ----

class RepObjectTest : public TST_ObjectFakeTest
{
protected:
    void SetUp() override
    {
        TST_ObjectFakeTest::SetUp();
        NameShaders({"cmdmfm", "cmdm", "dmbm", "cm", "fm", "eoap"}, [&] { m_object.Create(); });
        NameShaders({"lmcs", "dm", "prelit dmbm", "prelit fm", "prelit eoap"}, [&] { m_prelit.Create(); });
        for (s32 id : {DIFFUSE, BUMP, CAUSTIC, FOG, OTHER_FOG, LIGHT_MAP})
            Texture(id);
        Configure(m_object);
        Configure(m_prelit);
        VEC_Camera camera;
        m_transform.SetView(camera.GetWorldTransform());
        m_transform.SetProjection(camera.GetProjection());
        MAT_Matrix34 world;
        world.r.SetDiagonal(1.0f);
        m_transform.SetWorld(world);
        ForgetCalls();
    }

    void TearDown() override
    {
        m_object.Release();
        m_prelit.Release();
        TST_ObjectFakeTest::TearDown();
    }

    template <class PASS>
    void Configure(PASS& _pass)
    {
        _pass.flags = REP_OBJECT_BUMP;
        _pass.causticTexture = CAUSTIC;
        _pass.fogTexture = FOG;
        _pass.otherFogTexture = OTHER_FOG;
    }

    // A one-material mesh, opaque and textured unless the test changes it.
    REB_Material* Opaque(REB_Mesh* _mesh, s32 _index = 0)
    {
        REB_Material* material = _mesh->GetMaterial(_index);
        material->material.diffuseMap.textureId = DIFFUSE;
        return material;
    }

    REP_Object m_object;
    REP_ObjectPrelit m_prelit;
    VEC_TransformState m_transform;
    REB_LightSet m_lights;
};

using Programs = std::vector<std::string>;

// ---- the choice of variants ----

TEST_F(RepObjectTest, EachMaterialTakesItsVariants)
{
    struct Case
    {
        const char* name;
        u32 pixelShader;  // RenderPS instead of Render
        u32 flags;
        bool bump;
        u8 alpha;
        Programs expected;
    };
    const Case cases[] = {
        {"plain", 0, REP_OBJECT_BUMP, false, 255, {"cmdm", "fm"}},
        {"plain, one pass", 1, REP_OBJECT_BUMP, false, 255, {"cmdmfm"}},
        {"bump", 0, REP_OBJECT_BUMP, true, 255, {"cm", "dmbm", "fm"}},
        {"bump, one pass", 1, REP_OBJECT_BUMP, true, 255, {"cm", "dmbm", "fm"}},
        {"bump ignored", 0, 0, true, 255, {"cmdm", "fm"}},
        {"bump ignored, one pass", 1, 0, true, 255, {"cmdmfm"}},
        {"see-through", 0, REP_OBJECT_BUMP, true, 200, {"eoap"}},
        {"see-through, one pass", 1, REP_OBJECT_BUMP, false, 200, {"eoap"}},
    };
    for (const Case& c : cases) {
        REB_Material* material = Opaque(Mesh({3}));
        material->material.diffuseMap.alpha = c.alpha;
        if (c.bump)
            material->material.detailMap.textureId = BUMP;
        m_object.flags = c.flags;
        ForgetCalls();
        if (c.pixelShader)
            m_object.RenderPS(m_meshes.back().get(), m_transform, m_lights);
        else
            m_object.Render(m_meshes.back().get(), m_transform, m_lights);
        EXPECT_EQ(c.expected, DrawnPrograms()) << c.name;
    }
}

TEST_F(RepObjectTest, PrelitMaterialsGoOverTheLightMesh)
{
    struct Case
    {
        const char* name;
        u32 flags;
        bool bump;
        u8 alpha;
        std::vector<s32> lightIndices;  // none: no light mesh at all
        Programs expected;
    };
    const Case cases[] = {
        {"plain", REP_OBJECT_BUMP, false, 255, {3}, {"lmcs", "dm", "prelit fm"}},
        {"bump", REP_OBJECT_BUMP, true, 255, {3}, {"lmcs", "prelit dmbm", "prelit fm"}},
        {"bump ignored", 0, true, 255, {3}, {"lmcs", "dm", "prelit fm"}},
        {"see-through", 0, false, 251, {3}, {"lmcs", "prelit eoap"}},
        {"two lights, one empty", 0, false, 255, {3, 0, 6}, {"lmcs", "lmcs", "dm", "prelit fm"}},
        {"empty light mesh", 0, false, 255, {0}, {"dm", "prelit fm"}},
        {"no light mesh", 0, false, 255, {}, {"dm", "prelit fm"}},
    };
    for (const Case& c : cases) {
        REB_Mesh* light = c.lightIndices.empty() ? nullptr : Mesh(c.lightIndices);
        for (s32 i = 0; light != nullptr && i < light->GetMaterialCount(); ++i)
            light->GetMaterial(i)->material.diffuseMap.textureId = (u32)(LIGHT_MAP + i);
        REB_Material* material = Opaque(Mesh({3}));
        material->material.diffuseMap.alpha = c.alpha;
        if (c.bump)
            material->material.detailMap.textureId = BUMP;
        m_prelit.flags = c.flags;
        ForgetCalls();
        m_prelit.Render(light, m_meshes.back().get(), m_transform, m_lights);
        EXPECT_EQ(c.expected, DrawnPrograms()) << c.name;
        if (light != nullptr && light->GetMaterial(light->GetMaterialCount() - 1)->indexCount != 0) {
            EXPECT_EQ(LIGHT_MAP + light->GetMaterialCount() - 1,
                      m_prelit.shaders.slots[REP_ObjectPrelitShaders::LIGHT_MAP])
                << c.name;
        }
    }
}

TEST_F(RepObjectTest, MaterialsDrawInMeshOrderEachWithItsOwnRange)
{
    REB_Mesh* mesh = Mesh({3, 6, 0, 3});
    for (s32 i = 0; i < 4; ++i) {
        Opaque(mesh, i)->firstIndex = 9 * i;
        mesh->GetMaterial(i)->firstVertex = i;
    }
    mesh->GetMaterial(1)->material.diffuseMap.blendMode = 2;

    m_object.Render(mesh, m_transform, m_lights);
    EXPECT_EQ((Programs{"cmdm", "fm", "eoap", "cmdm", "fm"}), DrawnPrograms());
    // Triangle lists: type 4, first vertex, vertex count, first index, triangles.
    EXPECT_EQ((std::vector<std::string>{"DrawIndexedPrimitive 4 0 3 0 1", "DrawIndexedPrimitive 4 0 3 0 1",
                                        "DrawIndexedPrimitive 4 1 3 9 2", "DrawIndexedPrimitive 4 3 3 27 1",
                                        "DrawIndexedPrimitive 4 3 3 27 1"}),
              m_fake.Matching("DrawIndexedPrimitive"));
}

// ---- the variants' states ----

struct StageState
{
    u32 colorOp, colorArg1, colorArg2, alphaOp, alphaArg1, alphaArg2, address, texCoord;
    s32 texture;
};

struct VariantCase
{
    const char* name;
    std::function<void(const REB_Material&)> draw;
    u32 zWrite, alphaTest, source, destination, factor;
    std::vector<StageState> stages;
};

// Arguments an operation does not read are 0 here and not compared.
constexpr u32 D = DEV_TA_DIFFUSE, C = DEV_TA_CURRENT, T = DEV_TA_TEXTURE, F = DEV_TA_TFACTOR;
constexpr u32 WRAP = DEV_TADDRESS_WRAP, CLAMP = DEV_TADDRESS_CLAMP;
constexpr u32 ADD_ALPHA = DEV_TOP_MODULATEALPHA_ADDCOLOR, SELECT1 = DEV_TOP_SELECTARG1, SELECT2 = DEV_TOP_SELECTARG2;

std::vector<VariantCase> Variants(REP_ObjectShaders& _object, REP_ObjectPrelitShaders& _prelit)
{
    const u32 factor = 0xBF1F1F1Fu;
    const StageState caustic = {ADD_ALPHA, D, T, SELECT1, D, 0, WRAP, 0, CAUSTIC};
    const StageState diffuse1 = {DEV_TOP_MODULATE2X, C, T, SELECT2, 0, T, WRAP, 1, DIFFUSE};
    const StageState bump = {ADD_ALPHA, F, T, SELECT2, 0, T, WRAP, 0, BUMP};
    const StageState fog = {SELECT2, 0, T, SELECT2, 0, T, CLAMP, 0, FOG};
    return {
        {"object cmdmfm",
         [o = &_object](const REB_Material& _m) { o->Draw_cmdmfm(_m); },
         1,
         0,
         DEV_BLEND_ONE,
         DEV_BLEND_ZERO,
         0,
         {caustic, diffuse1, {DEV_TOP_BLENDTEXTUREALPHA, T, C, SELECT1, C, 0, CLAMP, 2, FOG}}},
        {"object cmdm",
         [o = &_object](const REB_Material& _m) { o->Draw_cmdm(_m); },
         1,
         0,
         DEV_BLEND_ONE,
         DEV_BLEND_ZERO,
         0,
         {caustic, diffuse1}},
        {"object cm",
         [o = &_object](const REB_Material& _m) { o->Draw_cm(_m); },
         1,
         0,
         DEV_BLEND_ONE,
         DEV_BLEND_ZERO,
         0,
         {caustic}},
        {"object dmbm",
         [o = &_object](const REB_Material& _m) { o->Draw_dmbm(_m); },
         0,
         1,
         DEV_BLEND_DESTCOLOR,
         DEV_BLEND_SRCCOLOR,
         factor,
         {bump, diffuse1}},
        {"object fm",
         [o = &_object](const REB_Material& _m) { o->Draw_fm(_m); },
         0,
         1,
         DEV_BLEND_SRCALPHA,
         DEV_BLEND_INVSRCALPHA,
         0,
         {fog}},
        {"prelit lmcs",
         [p = &_prelit](const REB_Material& _m) { p->Draw_lmcs(_m); },
         1,
         0,
         DEV_BLEND_ONE,
         DEV_BLEND_ZERO,
         0,
         {caustic, {DEV_TOP_ADD, C, T, SELECT1, D, 0, WRAP, 1, LIGHT_MAP}}},
        {"prelit dm",
         [p = &_prelit](const REB_Material& _m) { p->Draw_dm(_m); },
         0,
         1,
         DEV_BLEND_DESTCOLOR,
         DEV_BLEND_SRCCOLOR,
         0,
         {{SELECT2, 0, T, SELECT2, 0, T, WRAP, 0, DIFFUSE}}},
        {"prelit dmbm",
         [p = &_prelit](const REB_Material& _m) { p->Draw_dmbm(_m); },
         0,
         1,
         DEV_BLEND_DESTCOLOR,
         DEV_BLEND_SRCCOLOR,
         factor,
         {bump, diffuse1}},
        {"prelit fm",
         [p = &_prelit](const REB_Material& _m) { p->Draw_fm(_m); },
         0,
         1,
         DEV_BLEND_SRCALPHA,
         DEV_BLEND_INVSRCALPHA,
         0,
         {fog}},
    };
}

template <class SHADERS>
void FillSlots(SHADERS& _shaders)
{
    _shaders.slots[SHADERS::DIFFUSE_MAP] = DIFFUSE;
    _shaders.slots[SHADERS::CAUSTIC] = CAUSTIC;
    _shaders.slots[SHADERS::FOG_TEXTURE] = FOG;
    _shaders.slots[SHADERS::BUMP_MAP] = BUMP;
    _shaders.slots[SHADERS::TEXTURE_FACTOR] = (s32)0xBF1F1F1Fu;
}

TEST_F(RepObjectTest, EachVariantLeavesItsStatesOnTheDevice)
{
    FillSlots(m_object.shaders);
    FillSlots(m_prelit.shaders);
    m_prelit.shaders.slots[REP_ObjectPrelitShaders::LIGHT_MAP] = LIGHT_MAP;
    const REB_Material& material = *Mesh({3})->GetMaterial(0);
    // Device handles of the texture ids, in creation order.
    std::map<s32, DEV_Handle> handles;
    {
        auto it = Device().textures.begin();
        for (s32 id : {DIFFUSE, BUMP, CAUSTIC, FOG, OTHER_FOG, LIGHT_MAP})
            handles[id] = (it++)->first;
    }
    for (const VariantCase& c : Variants(m_object.shaders, m_prelit.shaders)) {
        SCOPED_TRACE(c.name);
        // Start from the states of another variant, so every one must set its own.
        m_prelit.shaders.Draw_lmcs(material);
        m_object.shaders.Draw_cmdmfm(material);
        c.draw(material);
        std::map<u32, u32>& states = Device().renderStates;
        EXPECT_EQ(c.zWrite, states[DEV_RS_ZWRITEENABLE]);
        EXPECT_EQ(c.alphaTest, states[DEV_RS_ALPHATESTENABLE]);
        EXPECT_EQ(c.source, states[DEV_RS_SRCBLEND]);
        EXPECT_EQ(c.destination, states[DEV_RS_DESTBLEND]);
        EXPECT_EQ(c.factor, states[DEV_RS_TEXTUREFACTOR]);
        EXPECT_EQ((u32)DEV_CULL_CCW, states[DEV_RS_CULLMODE]);
        EXPECT_EQ((u32)DEV_CMP_LESSEQUAL, states[DEV_RS_ZFUNC]);
        EXPECT_EQ(1u, states[DEV_RS_ZENABLE]);
        for (size_t i = 0; i < c.stages.size(); ++i) {
            const StageState& e = c.stages[i];
            std::map<u32, u32>& stage = Device().stageStates[i];
            SCOPED_TRACE(testing::Message() << "stage " << i);
            EXPECT_EQ(e.colorOp, stage[DEV_TSS_COLOROP]);
            if (e.colorOp != SELECT2) {
                EXPECT_EQ(e.colorArg1, stage[DEV_TSS_COLORARG1]);
            }
            if (e.colorOp != SELECT1) {
                EXPECT_EQ(e.colorArg2, stage[DEV_TSS_COLORARG2]);
            }
            EXPECT_EQ(e.alphaOp, stage[DEV_TSS_ALPHAOP]);
            if (e.alphaOp != SELECT2) {
                EXPECT_EQ(e.alphaArg1, stage[DEV_TSS_ALPHAARG1]);
            }
            if (e.alphaOp != SELECT1) {
                EXPECT_EQ(e.alphaArg2, stage[DEV_TSS_ALPHAARG2]);
            }
            EXPECT_EQ(e.address, stage[DEV_TSS_ADDRESSU]);
            EXPECT_EQ(e.address, stage[DEV_TSS_ADDRESSV]);
            EXPECT_EQ(e.texCoord, stage[DEV_TSS_TEXCOORDINDEX]);
            EXPECT_EQ(handles[e.texture], Device().stageTextures[i]);
        }
        EXPECT_EQ((u32)DEV_TOP_DISABLE, Device().stageStates[c.stages.size()][DEV_TSS_COLOROP]);
        EXPECT_EQ(0u, Device().pixelShader);
    }
}

TEST_F(RepObjectTest, TheSameVariantTwiceChangesNoDeviceState)
{
    FillSlots(m_object.shaders);
    FillSlots(m_prelit.shaders);
    const REB_Material& material = *Mesh({3})->GetMaterial(0);
    for (const VariantCase& c : Variants(m_object.shaders, m_prelit.shaders)) {
        c.draw(material);
        const u32 renderStates = m_display->GetRenderStateCounters().applied;
        ForgetCalls();
        c.draw(material);
        EXPECT_EQ(std::vector<std::string>{"DrawIndexedPrimitive 4 0 3 0 1"}, m_fake.calls) << c.name;
        EXPECT_EQ(renderStates, m_display->GetRenderStateCounters().applied) << c.name;
    }
}

// ---- constants ----

// A light of _type placed with its second axis along _direction, at _position.
void AddLight(REB_LightSet& _lights, s32 _type, const MAT_Vector3& _front, const MAT_Vector3& _back,
              const MAT_Vector3& _direction, const MAT_Vector3& _position = {})
{
    VEC_Light light;
    light.m_type = _type;
    light.m_color1 = _front;
    light.m_color2 = _back;
    MAT_Matrix34 placement;
    placement.r.SetAxis(1, _direction);
    placement.t = _position;
    _lights.AddLight(light, 1.0f, 2.0f, placement);
}

TEST_F(RepObjectTest, TheLastDirectionalLightLightsTheObject)
{
    REB_Mesh* mesh = Mesh({3});
    Opaque(mesh);
    // The object turned a quarter about z: world y is object x.
    MAT_Matrix34 world;
    world.r.SetAxis(0, {0, 1, 0});
    world.r.SetAxis(1, {-1, 0, 0});
    world.r.SetAxis(2, {0, 0, 1});
    world.t = {5, 0, 0};
    m_transform.SetWorld(world);
    m_lights.SetAmbient(0.25f, 0.5f, 0.75f);
    AddLight(m_lights, 1, {0.1f, 0.1f, 0.1f}, {0.2f, 0.2f, 0.2f}, {0, 0, 1}, {1, 2, 3});
    AddLight(m_lights, 0, {0.3f, 0.3f, 0.3f}, {0.4f, 0.4f, 0.4f}, {1, 0, 0}, {5, 1, 0});
    AddLight(m_lights, 1, {0.5f, 0.6f, 0.7f}, {0.8f, 0.9f, 1.0f}, {0, 1, 0});
    REP_SetConstant4(51, 0, 0, 0, 0.5f);

    for (s32 form = 0; form < 2; ++form) {
        if (form == 0)
            m_object.Render(mesh, m_transform, m_lights);
        else
            m_prelit.Render(nullptr, mesh, m_transform, m_lights);
        EXPECT_EQ((std::vector<f32>{0.25f, 0.5f, 0.75f, 0.5f}), Held(51));
        EXPECT_EQ((std::vector<f32>{0.5f, 0.6f, 0.7f, 0}), Held(53));
        EXPECT_EQ((std::vector<f32>{0.8f, 0.9f, 1.0f, 0}), Held(54));
        // Negated, in the object's space.
        const std::vector<f32> direction = Held(55);
        EXPECT_FLOAT_EQ(-1.0f, direction[0]);
        EXPECT_NEAR(0.0f, direction[1], 1e-6f);
        EXPECT_NEAR(0.0f, direction[2], 1e-6f);
        // The others as point lights, from the last one back, at their object-space positions.
        EXPECT_EQ((std::vector<f32>{0.3f, 0.3f, 0.3f, 0}), Held(56));
        const std::vector<f32> position = Held(59);
        EXPECT_NEAR(1.0f, position[0], 1e-6f);
        EXPECT_NEAR(0.0f, position[1], 1e-6f);
        EXPECT_EQ((std::vector<f32>{0.1f, 0.1f, 0.1f, 0}), Held(60));
    }
}

TEST_F(RepObjectTest, PointLightsAloneLeaveNoDirectionalLight)
{
    REB_Mesh* mesh = Mesh({3});
    Opaque(mesh);
    REP_SetConstant4(53, 1, 1, 1, 1);
    REP_SetConstant4(54, 1, 1, 1, 1);
    REP_SetConstant4(55, 7, 8, 9, 1);
    AddLight(m_lights, 0, {0.3f, 0.3f, 0.3f}, {0.4f, 0.4f, 0.4f}, {1, 0, 0});
    m_object.Render(mesh, m_transform, m_lights);
    EXPECT_EQ((std::vector<f32>{0, 0, 0, 0}), Held(53));
    EXPECT_EQ((std::vector<f32>{0, 0, 0, 0}), Held(54));
    EXPECT_EQ((std::vector<f32>{7, 8, 9, 1}), Held(55));
}

TEST_F(RepObjectTest, ObjectConstantsGoToTheirRegistersAndSlots)
{
    REM_FogLayer fog;
    fog.m_baseHeight = -3.0f;
    fog.m_heightScale = 0.125f;
    fog.m_depthScale = 0.0625f;
    fog.m_rows = 32;
    fog.m_depthStep = 4.0f;
    MAT_Matrix34 world;
    world.r.SetAxis(0, {0, 0.6f, 0.8f});
    world.r.SetAxis(1, {1, 0, 0});
    world.r.SetAxis(2, {0, 0.8f, -0.6f});
    world.t = {3, 40, -2};
    m_transform.SetWorld(world);
    REB_PlanarProjection record;
    record.tiling = 0.25f;
    record.heightFactor = 0.5f;

    f32 caustic[12];
    REB_PlanarProjection::Compute(record, m_transform.GetView(), world, caustic);
    f32 rows[8];
    REP_ComputeFogRows(&fog, world, m_transform.GetWorldToView(), rows);
    f32 ramp[4];
    REP_ComputeFogRamp(&fog, 0.75f, m_transform.GetWorldToView(), ramp);
    const MAT_Matrix44 wvp = m_transform.GetWorldViewProjection();

    auto check = [&](const char* _name, auto& _pass, auto _render) {
        SCOPED_TRACE(_name);
        _pass.causticRecord = record;
        _pass.fogLayer = &fog;
        _pass.fogFactor = 0.75f;
        _pass.fogDensity = 0.375f;
        for (f32* row : REP_VertexShaderConstants)
            row[0] = row[1] = row[2] = row[3] = 0.0f;
        _render();
        for (s32 row = 0; row < 4; ++row)
            EXPECT_EQ((std::vector<f32>{wvp.m[4 + row], wvp.m[8 + row], wvp.m[12 + row], wvp.m[row]}), Held(3 + row));
        for (s32 i = 0; i < 12; ++i)
            EXPECT_EQ(caustic[i], Held(10 + i / 4)[i % 4]) << "caustic " << i;
        for (s32 i = 0; i < 8; ++i)
            EXPECT_EQ(rows[i], Held(13 + i / 4)[i % 4]) << "fog row " << i;
        EXPECT_EQ((std::vector<f32>{ramp[0], ramp[1], ramp[2], ramp[3]}), Held(15));
        EXPECT_EQ((std::vector<f32>{0.375f, 0.375f, 0.375f, 0.375f}), Held(16));
        using Shaders = decltype(_pass.shaders);
        EXPECT_EQ(CAUSTIC, _pass.shaders.slots[Shaders::CAUSTIC]);
        EXPECT_EQ(FOG, _pass.shaders.slots[Shaders::FOG_TEXTURE]);
        EXPECT_EQ(OTHER_FOG, _pass.shaders.slots[Shaders::SECOND_FOG_TEXTURE]);
    };
    REB_Mesh* mesh = Mesh({3});
    Opaque(mesh);
    check("object", m_object, [&] { m_object.Render(mesh, m_transform, m_lights); });
    check("pre-lit", m_prelit, [&] { m_prelit.Render(mesh, mesh, m_transform, m_lights); });
    EXPECT_NE(0.0f, ramp[0]);
}

TEST_F(RepObjectTest, BumpPassTakesTheDetailMapAndItsTiling)
{
    REB_Mesh* mesh = Mesh({3});
    REB_Material* material = Opaque(mesh);
    material->material.detailMap.textureId = BUMP;
    material->material.detailMap.tiling = 6.0f;
    m_object.Render(mesh, m_transform, m_lights);
    EXPECT_EQ((std::vector<f32>{6, 6, 0, 0}), Held(18));
    EXPECT_EQ(BUMP, m_object.shaders.slots[REP_ObjectShaders::BUMP_MAP]);
    EXPECT_EQ(DIFFUSE, m_object.shaders.slots[REP_ObjectShaders::DIFFUSE_MAP]);
    EXPECT_EQ((s32)REP_MakeColor(31, 31, 31, 191), m_object.shaders.slots[REP_ObjectShaders::TEXTURE_FACTOR]);
}

TEST_F(RepObjectTest, StandardMaterialsCarryTheirAlphaAndGlow)
{
    REB_Mesh* mesh = Mesh({3, 3});
    REB_Material* glowing = Opaque(mesh, 0);
    glowing->material.selfIllumination = 0x00336699;
    REB_Material* seeThrough = Opaque(mesh, 1);
    seeThrough->material.diffuseMap.alpha = 200;
    seeThrough->material.diffuseMap.blendMode = 2;
    REP_SetConstant4(51, 0.1f, 0.2f, 0.3f, 0.0f);

    ForgetCalls();
    m_object.Render(mesh, m_transform, m_lights);
    EXPECT_EQ((Programs{"eoap", "eoap"}), DrawnPrograms());
    // The registers of the last draw; the glow of the first is checked alone below.
    EXPECT_FLOAT_EQ(200.0f / 255.0f, Held(51)[3]);
    EXPECT_EQ((std::vector<f32>{0, 0, 0, 0}), Held(50));
    EXPECT_EQ((std::vector<f32>{30, 30, 30, 30}), Held(52));
    EXPECT_EQ(seeThrough, m_object.standard.material);
    EXPECT_EQ((u32)DEV_BLEND_SRCALPHA, Device().renderStates[DEV_RS_SRCBLEND]);
    EXPECT_EQ((u32)DEV_BLEND_INVSRCALPHA, Device().renderStates[DEV_RS_DESTBLEND]);

    mesh->GetMaterial(1)->indexCount = 0;
    m_object.Render(mesh, m_transform, m_lights);
    EXPECT_EQ(1.0f, Held(51)[3]);
    const std::vector<f32> glow = Held(50);
    EXPECT_FLOAT_EQ(0.2f, glow[0]);
    EXPECT_FLOAT_EQ(0.4f, glow[1]);
    EXPECT_FLOAT_EQ(0.6f, glow[2]);
    EXPECT_EQ(0.0f, glow[3]);
    EXPECT_EQ(glowing, m_object.standard.material);
}

TEST_F(RepObjectTest, ReleaseDeletesEveryShader)
{
    ForgetCalls();
    m_object.Release();
    m_prelit.Release();
    EXPECT_EQ(11u, m_fake.Count("DeleteVertexShader"));
    EXPECT_TRUE(Device().vertexShaders.empty());
    for (s32 slot = 0; slot <= REP_ObjectShaders::VS_FM; ++slot)
        EXPECT_EQ(0, m_object.shaders.slots[slot]);
    EXPECT_EQ(0, m_object.standard.vertexShader);
    m_object.Release();  // twice is harmless
    EXPECT_EQ(11u, m_fake.Count("DeleteVertexShader"));
}

}  // namespace
